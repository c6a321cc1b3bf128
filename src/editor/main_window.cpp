#include "editor/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QToolBar>

#include <iostream>

#include "editor/construction_dialogs.h"
#include "editor/edit_windows.h"
#include "editor/gl_view.h"
#include "editor/item_edits.h"
#include "editor/material_browser.h"
#include "editor/material_preview.h"
#include "editor/object_browser.h"
#include "editor/preferences_sheet.h"
#include "editor/render_sheet.h"
#include "editor/render_window.h"
#include "editor/tool_window.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"

namespace orvane::editor {

namespace {

constexpr const char* kRecentKey = "recentFiles";

// The view commands and the view modes they set (the Window > View items).
struct ViewCommand {
  int id;
  int mode;
  const char* text;
};
constexpr ViewCommand kViewCommands[] = {{kCmdViewFront, kViewFront, "Front"},
                                         {kCmdViewTop, kViewTop, "Top"},
                                         {kCmdViewSide, kViewSide, "Side"},
                                         {kCmdViewCamera, kViewCamera, "Camera"}};

// The tool windows that the Window menu shows, by their titles.
struct ToolCommand {
  int id;
  const char* title;
};
constexpr ToolCommand kToolCommands[] = {{kCmdCoordinateControl, "Coordinate-Control"},
                                         {kCmdMaterialBrowser, "Material-Browser"},
                                         {kCmdObjectBrowser, "Object-Browser"},
                                         {kCmdNavigation, "Navigation"},
                                         {kCmdEditControl, "Edit-Control"}};

bool StartDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

}  // namespace

MainWindow::MainWindow(Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), launcher_(&StartDetached) {
  // 1. The settings: their defaults, then what the settings file in the current directory says.
  ReadSettings(kSettingsFileName, &settings_);
  document_ = std::make_unique<Document>(prompter_, std::cout, std::cerr);
  document_->SetDisplayMode(settings_.start_display);

  // 2. The tool windows, hidden until shown.
  browser_ = new ObjectBrowser(*document_, this);
  tools_.push_back(browser_);
  tools_.push_back(MakeCoordinateControl(*document_, this));
  tools_.push_back(MakeNavigationWindow(*document_, this));
  tools_.push_back(MakeEditControl(*document_, this));
  tools_.push_back(MakeTextureShow(this));
  render_sheet_ = new COV_wnd_render(*document_, this);
  render_ = new RenderWindow(*document_, settings_, render_sheet_, this);
  tools_.push_back(render_);
  tools_.push_back(render_sheet_);
  for (ToolWindow* tool : tools_) tool->setObjectName(tool->windowTitle());
  const QSize small(200, 160);
  for (const char* title : {"Coordinate-Control", "Navigation", "Edit-Control"})
    toolWindow(QString::fromUtf8(title))->resize(small);

  // 3. The main window itself.
  connect(browser_, &ObjectBrowser::clipboardCommandsEnabled, this, [this](bool on) {
    for (int id : {kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdPasteNumber, kCmdPasteOnMesh})
      if (QAction* act = action(id)) act->setEnabled(on);
  });
  connect(browser_, &ObjectBrowser::itemOpened, this, &MainWindow::OpenItem);
  view_ = new GlView(*document_, this);
  setCentralWidget(view_);
  resize(640, 480);
  FindPathList();
  // The material previews' private scene comes before the browser that shows them.
  material_preview_ = std::make_unique<MaterialPreview>(base_directory_, prompter_);
  materials_ = new MaterialBrowser(*document_, *material_preview_, texture_paths_,
                                   base_directory_ + kPathListFileName, this);
  materials_->setObjectName(materials_->windowTitle());
  tools_.push_back(materials_);
  connect(materials_, &MaterialBrowser::pathsChanged, this, &MainWindow::ApplySettings);
  preferences_ = new COV_dlg_voreinstell(
      settings_, texture_paths_, prompter_,
      {base_directory_ + kPathListFileName, base_directory_ + kSettingsFileName}, this);
  connect(preferences_, &COV_dlg_voreinstell::settingsChanged, this, &MainWindow::ApplySettings);
  BuildMenus();
  ApplySettings();

  connect(document_.get(), &Document::titleChanged, this, &MainWindow::UpdateTitle);
  connect(&document_->undoStack(), &QUndoStack::cleanChanged, this, &MainWindow::UpdateTitle);
  connect(document_.get(), &Document::viewModeChanged, this, &MainWindow::UpdateViewChecks);
  connect(document_.get(), &Document::displayModeChanged, this, &MainWindow::UpdateDisplayChecks);
  connect(document_.get(), &Document::fileUsed, this, &MainWindow::AddRecent);
  UpdateTitle();
  UpdateViewChecks();
}

MainWindow::~MainWindow() {
  // The view's display lists, the render window (which may be tracing the scene) and the
  // document's steps go before the document.
  delete render_;
  render_ = nullptr;
  delete view_;
  view_ = nullptr;
}

void MainWindow::FindPathList() {
  // Looked for in the current directory; while it is not there, it is created empty.
  const QString name = QString::fromUtf8(kPathListFileName);
  for (int attempt = 0; attempt < 2 && !QFile::exists(name); ++attempt) {
    QFile file(name);
    if (file.open(QIODevice::WriteOnly)) file.close();
  }
  base_directory_ = QDir::currentPath().toStdString() + "/";
  ReadPathList(base_directory_ + kPathListFileName, &texture_paths_);
}

void MainWindow::ApplySettings() {
  ViewSettings view;
  view.background = {settings_.background[0], settings_.background[1], settings_.background[2]};
  view.grid = {settings_.grid[0], settings_.grid[1], settings_.grid[2]};
  view.show_axis = settings_.show_axis != 0;
  view.reduced_step = settings_.reduced_step;
  view_->SetSettings(view);
  document_->edit().falloff = static_cast<Falloff>(settings_.magnet_falloff);
  // The texture search paths the interpreter uses follow the edited list.
  LIST& list = document_->commands().TexturePaths();
  list.RemoveAll();
  for (const std::string& path : texture_paths_) list.Append(new String(path.c_str()), 1);
}

QAction* MainWindow::AddCommand(QMenu* menu, int id, const QString& text, bool wired) {
  auto* act = new QAction(text, this);
  act->setData(id);
  act->setObjectName(QStringLiteral("command_%1").arg(id));
  // Commands of the later tool windows and dialogs show their item but do nothing yet.
  act->setEnabled(wired);
  // The shortcuts work from the tool windows too (the browser's Ctrl+C copies the object);
  // an edit field with the focus keeps its own copy and paste keys.
  act->setShortcutContext(Qt::ApplicationShortcut);
  if (menu)
    menu->addAction(act);
  else
    addAction(act);
  connect(act, &QAction::triggered, this, [this, id] { Run(id); });
  actions_[id] = act;
  return act;
}

QAction* MainWindow::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

ToolWindow* MainWindow::toolWindow(const QString& title) const {
  // By the name the window had at start: the render window's title shows the picture size.
  for (ToolWindow* tool : tools_) {
    if (tool->objectName() == title) return tool;
  }
  return nullptr;
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(tr("File"));
  AddCommand(file, kCmdNew, tr("New"))->setShortcut(QKeySequence::New);
  AddCommand(file, kCmdOpen, tr("Open..."))->setShortcut(QKeySequence::Open);
  AddCommand(file, kCmdSave, tr("Save"))->setShortcut(QKeySequence::Save);
  AddCommand(file, kCmdSaveAs, tr("Save As..."));
  recent_menu_ = file->addMenu(tr("Recent Files"));
  recent_menu_->setObjectName("recentFiles");
  file->addSeparator();
  AddCommand(file, kCmdRender, tr("Render..."));
  AddCommand(file, kCmdRenderPreferences, tr("Render Preferences..."));
  file->addSeparator();
  AddCommand(file->addMenu(tr("Import")), kCmdImport, tr("Object..."));
  AddCommand(file->addMenu(tr("Export")), kCmdExport, tr("Object..."));
  file->addSeparator();
  AddCommand(file, kCmdPreferences, tr("Preferences..."));
  file->addSeparator();
  AddCommand(file, kCmdExit, tr("Exit"));

  QMenu* edit = bar->addMenu(tr("Edit"));
  QAction* undo = document_->undoStack().createUndoAction(this, tr("Undo"));
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  undo->setObjectName("undo");
  undo->setShortcutContext(Qt::ApplicationShortcut);
  QAction* redo = document_->undoStack().createRedoAction(this, tr("Redo"));
  redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  redo->setObjectName("redo");
  redo->setShortcutContext(Qt::ApplicationShortcut);
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  AddCommand(edit, kCmdCut, tr("Cut"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  AddCommand(edit, kCmdCopy, tr("Copy"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  QMenu* paste = edit->addMenu(tr("Paste"));
  AddCommand(paste, kCmdPaste, tr("1 Copy"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  QMenu* more = paste->addMenu(tr("more"));
  AddCommand(more, kCmdPasteNumber, tr("Number..."));
  AddCommand(more, kCmdPasteOnMesh, tr("as 3D-Mesh-Object..."));
  AddCommand(edit, kCmdDelete, tr("Delete"));

  QMenu* objects = bar->addMenu(tr("Objects"));
  QMenu* polygon = objects->addMenu(tr("Polygon"));
  AddCommand(polygon, kCmdTriangle, tr("Triangle..."));
  AddCommand(polygon, kCmdQuadrangle, tr("Quadrangle..."));
  AddCommand(polygon, kCmdNAngle, tr("N-Angle..."));
  QMenu* meshes = objects->addMenu(tr("3D-Mesh-Objects"));
  const std::pair<int, const char*> mesh_items[] = {
      {kCmdPyramid, "Pyramid..."},         {kCmdCone, "Cone..."},         {kCmdCube, "Cube..."},
      {kCmdMeshSphere, "Sphere..."},       {kCmdCylinder, "Cylinder..."}, {kCmdRing, "Ring..."},
      {kCmdHeightField, "Height Field..."}};
  for (const auto& [id, text] : mesh_items) AddCommand(meshes, id, tr(text));
  QMenu* math = objects->addMenu(tr("mathematical Objects"));
  AddCommand(math, kCmdMathSphere, tr("Sphere..."));
  AddCommand(math, kCmdMathPlane, tr("Plane..."));
  QMenu* path = objects->addMenu(tr("Path"));
  AddCommand(path, kCmdNewPath, tr("new..."));
  AddCommand(path, kCmdPathFromMesh, tr("from 3D-Mesh-Object"));
  AddCommand(objects, kCmdGroup, tr("Group-Object..."));
  AddCommand(objects, kCmdLight, tr("Lightsource..."));
  AddCommand(objects, kCmdCamera, tr("Camera..."));

  QMenu* construct = bar->addMenu(tr("Construct"));
  AddCommand(construct, kCmdLathe, tr("Lathe..."));
  QMenu* extrusion = construct->addMenu(tr("Extrusion"));
  AddCommand(extrusion, kCmdZExtrusion, tr("Z-direction..."));
  AddCommand(extrusion, kCmdPathExtrusion, tr("along Path..."));
  QMenu* polygons = construct->addMenu(tr("Polygon"));
  AddCommand(polygons, kCmdPolygonFromPolygons, tr("from two Polgons"));
  AddCommand(polygons, kCmdPolygonFromPath, tr("from Path"));
  AddCommand(polygons, kCmdScanImage, tr("from Image..."));

  QMenu* window = bar->addMenu(tr("Window"));
  QMenu* views = window->addMenu(tr("View"));
  for (const ViewCommand& view : kViewCommands)
    AddCommand(views, view.id, tr(view.text))->setCheckable(true);
  for (const ToolCommand& tool : kToolCommands) {
    QAction* act = AddCommand(window, tool.id, tr(tool.title));
    act->setCheckable(true);
    connect(toolWindow(QString::fromUtf8(tool.title)), &ToolWindow::shownChanged, act,
            &QAction::setChecked);
  }

  QMenu* help = bar->addMenu(tr("?"));
  AddCommand(help, kCmdHelp, tr("Help"))->setShortcut(QKeySequence::HelpContents);
  AddCommand(help, kCmdInfo, tr("Info"));

  // The commands without a menu item: the Front view without grid, and the display modes on
  // the tool bar.
  AddCommand(nullptr, kCmdViewPlain, tr("Front without grid"));
  QToolBar* tools = addToolBar(tr("Display"));
  tools->setObjectName("display");
  AddCommand(nullptr, kCmdWireFrame, tr("Wire frame"))->setCheckable(true);
  AddCommand(nullptr, kCmdFaces, tr("Faces"))->setCheckable(true);
  tools->addAction(action(kCmdWireFrame));
  tools->addAction(action(kCmdFaces));
  tools->addSeparator();
  for (const ViewCommand& view : kViewCommands) tools->addAction(action(view.id));
  FillRecentMenu();
}

void MainWindow::ShowTool(ToolWindow* window, int id) {
  if (window->ShowOnce()) {
    if (window == browser_) browser_->Fill();
  }
  if (QAction* act = action(id)) act->setChecked(true);
}

void MainWindow::Run(int id) {
  Document& doc = *document_;
  for (const ViewCommand& view : kViewCommands) {
    if (view.id == id) return doc.SetViewMode(view.mode);
  }
  for (const ToolCommand& tool : kToolCommands) {
    if (tool.id == id) return ShowTool(toolWindow(QString::fromUtf8(tool.title)), id);
  }
  switch (id) {
    case kCmdNew:
      doc.NewScene();
      break;
    case kCmdOpen:
      doc.Open();
      break;
    case kCmdSave:
      doc.Save();
      break;
    case kCmdSaveAs:
      doc.SaveAs();
      break;
    case kCmdImport:
      doc.Import();
      break;
    case kCmdExport:
      doc.Export();
      break;
    case kCmdRender:
      render_->ShowOnce();
      break;
    case kCmdRenderPreferences:
      render_sheet_->ShowOnce();
      break;
    case kCmdPreferences:
      if (!preferences_->isVisible()) preferences_->show();
      break;
    case kCmdExit:
      close();
      break;
    case kCmdCut:
      doc.Cut();
      break;
    case kCmdCopy:
      doc.Copy();
      break;
    case kCmdPaste:
      doc.Paste();
      break;
    case kCmdDelete:
      doc.Delete();
      break;
    case kCmdGroup:
      doc.NewGroup();
      break;
    case kCmdCamera:
      doc.NewCamera();
      break;
    case kCmdViewPlain:
      doc.SetViewMode(kViewFrontPlain);
      break;
    case kCmdWireFrame:
      doc.SetDisplayMode(0);
      break;
    case kCmdFaces:
      doc.SetDisplayMode(1);
      break;
    case kCmdHelp:
      Help();
      break;
    case kCmdInfo:
      prompter_.Message(kAboutTitle, "Orvane V1.01\n3D scene modeller and ray tracer",
                        MessageButtons::kOk, MessageIcon::kInformation);
      break;
    default:
      RunConstruction(id, doc, this);
      break;
  }
}

void MainWindow::SetLauncher(Launcher launcher) {
  launcher_ = std::move(launcher);
  render_->SetLauncher(launcher_);
}

void MainWindow::OpenItem(ListItem* item) {
  switch (item->GetType()) {
    case kItemLight:
      if (auto dialog = MakeLightEditDialog(static_cast<LightSource*>(item), *document_, this))
        dialog->exec();
      break;
    case kItemMaterial:
      document_->SetCurrentMaterial(static_cast<Material*>(item));
      materials_->Run(kCmdEditMaterial);
      break;
    case kItemTexture:
      if (ToolWindow* show = toolWindow("Texture-Show"); show && !show->shownFlag()) {
        ShowTexture(show, *static_cast<Texture*>(item));
        show->ShowOnce();
      }
      break;
    default:
      break;
  }
}

void MainWindow::UpdateTitle() {
  setWindowTitle(document_->WindowTitle());
  setWindowModified(document_->IsModified());
}

void MainWindow::UpdateViewChecks() {
  // Exactly one view item is checked, none for the Front view without grid.
  for (const ViewCommand& view : kViewCommands)
    action(view.id)->setChecked(document_->viewMode() == view.mode);
}

void MainWindow::UpdateDisplayChecks() {
  action(kCmdWireFrame)->setChecked(document_->displayMode() == 0);
  action(kCmdFaces)->setChecked(document_->displayMode() == 1);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!first_show_) return;
  first_show_ = false;
  browser_->Fill();
  for (int id : {kCmdObjectBrowser, kCmdNavigation, kCmdEditControl, kCmdCoordinateControl})
    Run(id);
  PlaceToolWindows();
  UpdateDisplayChecks();
}

void MainWindow::PlaceToolWindows() {
  // Placed once, keeping each window's size.
  const QRect main = frameGeometry();
  ToolWindow* browser = browser_;
  browser->setGeometry(main.right() + 1, main.top(), browser->width(), main.height());
  ToolWindow* coordinates = toolWindow("Coordinate-Control");
  coordinates->move(main.right() + 1, main.bottom() + 1);
  ToolWindow* navigation = toolWindow("Navigation");
  navigation->move(main.left() - navigation->frameGeometry().width(), main.top());
  ToolWindow* edit = toolWindow("Edit-Control");
  edit->move(navigation->frameGeometry().left(), navigation->frameGeometry().bottom() + 1);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  EditState& edit = document_->edit();
  const bool points = edit.mode == EditMode::kPoints;
  if (event->key() == Qt::Key_Escape) {
    // Escape never closes the main window; in Points mode it drops the selection.
    if (points && !document_->selection().empty()) {
      document_->selection().Reset();
      document_->NotifyEditState();
    }
    return;
  }
  if (event->key() == Qt::Key_Shift && !event->isAutoRepeat() && points &&
      AsMesh(document_->currentObject()) && edit.tool != PointTool::kSelect) {
    edit.tool = PointTool::kSelect;
    document_->NotifyEditState();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  EditState& edit = document_->edit();
  const bool points = edit.mode == EditMode::kPoints;
  if (event->key() == Qt::Key_Shift && !event->isAutoRepeat() &&
      (edit.tool == PointTool::kSelect || edit.tool == PointTool::kBorder)) {
    edit.tool = PointTool::kNone;
    document_->NotifyEditState();
    return;
  }
  MeshObject* mesh = AsMesh(document_->currentObject());
  if (event->key() == Qt::Key_Delete && !event->isAutoRepeat() && points && mesh &&
      !document_->selection().empty()) {
    document_->DeleteSelectedPoints(mesh);
    return;
  }
  QMainWindow::keyReleaseEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!document_->ConfirmExit()) {
    event->ignore();
    return;
  }
  for (ToolWindow* tool : tools_) tool->hide();
  preferences_->hide();
  event->accept();
}

void MainWindow::Help() {
  const QString browser = QString::fromStdString(settings_.html_browser);
  const QString handbook = QString::fromStdString(base_directory_ + kHandbook);
  if (launcher_(browser, {handbook})) return;
  if (launcher_(browser, {})) return;
  prompter_.Message("Error", kHelpFailedText, MessageButtons::kOk, MessageIcon::kExclamation);
}

void MainWindow::AddRecent(const QString& path) {
  QSettings store;
  QStringList recent = store.value(kRecentKey).toStringList();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kMaxRecentFiles) recent.removeLast();
  store.setValue(kRecentKey, recent);
  FillRecentMenu();
}

void MainWindow::FillRecentMenu() {
  recent_menu_->clear();
  const QStringList recent = QSettings().value(kRecentKey).toStringList();
  for (const QString& path : recent) {
    QAction* act = recent_menu_->addAction(QFileInfo(path).fileName());
    act->setToolTip(path);
    act->setData(path);
    connect(act, &QAction::triggered, this, [this, path] {
      if (!QFile::exists(path)) {
        prompter_.Message("Error", kReadFailedText);
        return;
      }
      document_->OpenPath(path.toStdString());
    });
  }
  recent_menu_->setEnabled(!recent.isEmpty());
}

}  // namespace orvane::editor
