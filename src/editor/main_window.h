#pragma once
// MainWindow: the editor's main window. It carries the OpenGL view, owns the document and the
// tool windows, and routes the commands of its menus (each menu action carries the program's
// command id) to the document, the view and the tool windows.
//
// Start-up, in this order: the settings get their defaults and are read from "ov_gui.ovi" in
// the current directory; the tool windows are created hidden; "ov_path.ovi" is looked for in
// the current directory (and created empty when missing), which fixes the base directory, and
// read into the texture search paths. On first showing the object browser is filled and the
// Object-Browser, Navigation, Edit-Control and Coordinate-Control windows are placed around the
// main window.

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/document.h"
#include "editor/prompter.h"
#include "editor/settings.h"

class QAction;

namespace orvane {
class ListItem;
}
class QMenu;

namespace orvane::editor {

class GlView;
class COV_wnd_render;
class MaterialBrowser;
class RenderWindow;
class MaterialPreview;
class ObjectBrowser;
class ToolWindow;
class COV_dlg_voreinstell;

// The command ids of the menus.
enum Command : int {
  kCmdNew = 32771,
  kCmdOpen = 32813,
  kCmdSave = 32772,
  kCmdSaveAs = 32773,
  kCmdRender = 32856,
  kCmdRenderPreferences = 32858,
  kCmdImport = 32793,
  kCmdExport = 32794,
  kCmdPreferences = 32859,
  kCmdExit = 32774,
  kCmdCut = 32776,
  kCmdCopy = 32777,
  kCmdPaste = 32857,
  kCmdPasteNumber = 32863,
  kCmdPasteOnMesh = 32864,
  kCmdDelete = 32779,
  kCmdGroup = 32837,
  kCmdLight = 32808,
  kCmdCamera = 32812,
  kCmdViewFront = 32797,
  kCmdViewTop = 32798,
  kCmdViewSide = 32799,
  kCmdViewCamera = 32801,
  kCmdViewPlain = 32805,
  kCmdCoordinateControl = 32806,
  kCmdMaterialBrowser = 32807,
  kCmdObjectBrowser = 32811,
  kCmdNavigation = 32852,
  kCmdEditControl = 32853,
  kCmdWireFrame = 32876,
  kCmdFaces = 32877,
  kCmdHelp = 32803,
  kCmdInfo = 32804,
};

inline constexpr const char* kAboutTitle = "Orvane V1.01";
inline constexpr const char* kHandbook = "doc/Orvane_Handbuch.htm";
inline constexpr const char* kHelpFailedText =
    "Please choose in the preferences another path to your HTML-browser.\nYou can read the "
    "\"Orvane_handbook.htm\" in the doc-directory";
inline constexpr int kMaxRecentFiles = 8;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Prompter& prompter, QWidget* parent = nullptr);
  ~MainWindow() override;

  Document& document() { return *document_; }
  GlView& view() { return *view_; }
  ObjectBrowser& objectBrowser() { return *browser_; }
  MaterialBrowser& materialBrowser() { return *materials_; }
  MaterialPreview& materialPreview() { return *material_preview_; }
  RenderWindow& renderWindow() { return *render_; }
  COV_wnd_render& renderSheet() { return *render_sheet_; }
  EditorSettings& settings() { return settings_; }
  // The directory that holds "ov_path.ovi", with a trailing '/'.
  const std::string& baseDirectory() const { return base_directory_; }
  // The menu action of a command id (null for none).
  QAction* action(int id) const;
  // The tool window with this title (null for none).
  ToolWindow* toolWindow(const QString& title) const;
  QMenu* recentMenu() const { return recent_menu_; }

  // How outside programs are started (Help): program and arguments; false when the program
  // could not be started. Tests replace it.
  using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;
  void SetLauncher(Launcher launcher);

  // Runs a command as its menu item does.
  void Run(int id);
  // The view settings the settings give.
  void ApplySettings();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Escape, Shift and Delete edit the point selection in Points mode.
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddCommand(QMenu* menu, int id, const QString& text, bool wired = true);
  void PlaceToolWindows();
  void ShowTool(ToolWindow* window, int id);
  void UpdateTitle();
  void UpdateViewChecks();
  void UpdateDisplayChecks();
  void Help();
  // A double click in the object browser: the light dialog, the material editor or the
  // texture window.
  void OpenItem(ListItem* item);
  void AddRecent(const QString& path);
  void FillRecentMenu();
  void FindPathList();

  Prompter& prompter_;
  EditorSettings settings_;
  std::vector<std::string> texture_paths_;
  std::string base_directory_;
  std::unique_ptr<Document> document_;
  GlView* view_ = nullptr;
  ObjectBrowser* browser_ = nullptr;
  std::unique_ptr<MaterialPreview> material_preview_;
  MaterialBrowser* materials_ = nullptr;
  RenderWindow* render_ = nullptr;
  COV_wnd_render* render_sheet_ = nullptr;
  std::vector<ToolWindow*> tools_;
  COV_dlg_voreinstell* preferences_ = nullptr;
  std::map<int, QAction*> actions_;
  QMenu* recent_menu_ = nullptr;
  Launcher launcher_;
  bool first_show_ = true;
};

}  // namespace orvane::editor
