#pragma once
// MaterialBrowser: the "Material-Browser" tool window. It shows the scene's materials as
// ray-traced 64 × 64 previews in a grid with the names below, and its menu creates, merges,
// saves, copies, assigns, renames and edits materials and loads textures. Every change of the
// scene it makes is one undo step.
//
// Cells: 70 pixels per column (as many columns as the width holds, at least one) and 82 per
// row; cell k (1-based) sits in column (k − 1) mod columns, row (k − 1) div columns. A cell
// is added when a material is calculated, created or edited; cells whose material left the
// scene go with it.

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "editor/material_preview.h"
#include "editor/tool_window.h"

class QScrollArea;

namespace orvane {
class Material;
class Texture;
}  // namespace orvane

namespace orvane::editor {

class Document;
class MaterialGrid;

// The menu command ids of the browser.
enum MaterialCommand : int {
  kCmdNewMaterial = 32815,
  kCmdMergeMaterial = 32816,
  kCmdSaveMaterial = 32818,
  kCmdCloseBrowser = 32829,
  kCmdCutMaterial = 32821,
  kCmdCopyMaterial = 32822,
  kCmdPasteMaterial = 32823,
  kCmdDeleteMaterial = 32825,
  kCmdCalculate = 32826,
  kCmdCalculateAll = 32838,
  kCmdAssign = 32827,
  kCmdRenameMaterial = 32830,
  kCmdEditMaterial = 32831,
  kCmdImageTexture = 32839,
  kCmdProceduralTexture = 32841,
};

inline constexpr const char* kMaterialFilter =
    "Orvane-Material (*.ovm)|*.ovm|All Files (*.*)|*.*||";
inline constexpr const char* kTextureFilter =
    "IFF (*.iff)|*.iff|JPEG-24bit (*.jpg)|*.jpg|BMP-24bit (*.bmp)|*.bmp||";
inline constexpr const char* kMaterialTaken =
    "There is a material with the same name.\nPlease change the name!";
inline constexpr const char* kTextureTaken =
    "There is a texture with the same name.\nPlease change the name!";
inline constexpr const char* kNoMaterial = "There is no material (choosen).";
inline constexpr const char* kNoObject = "There is no object (choosen).";
inline constexpr const char* kAssignAllQuestion = "Do you want assign the material to all objects?";
inline constexpr const char* kImageFailed = "Can't load the image.";
inline constexpr const char* kAddPathQuestion =
    "The path to this texture was not found in the preferences/pathes!\nDo you want add the path "
    "to this list?";
inline constexpr const char* kMaterialWriteFailed = "Can't write the file!";
inline constexpr const char* kProceduralBaseName = "proc_tex";
inline constexpr const char* kNoPaletteWarning =
    "There are no Amiga-IFF-(8bit)-textures for the colors loaded.\nYou will not be able to "
    "generate fractal-(mandelbrot)-textures";

class ConstructionDialog;

// The "Procedural Texture" dialog: a Mandelbrot fractal (its palette from an 8-bit texture,
// its window and iterations) or a two-colour chess or fade texture, named from "proc_tex".
// Without 8-bit textures it warns first that fractals will have no colours. OK adds the
// texture as one undo step; a taken name is refused.
std::unique_ptr<ConstructionDialog> MakeProceduralTextureDialog(Document& document,
                                                                QWidget* parent);

class MaterialBrowser : public ToolWindow {
  Q_OBJECT

 public:
  // `paths` is the texture search path list, written to `path_list_file` when a texture's
  // folder is added to it.
  MaterialBrowser(Document& document, MaterialPreview& preview, std::vector<std::string>& paths,
                  std::string path_list_file, QWidget* parent);
  ~MaterialBrowser() override;

  struct Cell {
    Material* material;
    QImage preview;
  };
  const std::vector<Cell>& cells() const { return cells_; }
  // The selected cell, 1-based (0: none).
  int selected() const { return selected_; }
  int Columns() const;
  // Where cell k (1-based) draws its preview.
  QPoint CellOrigin(int k) const;
  // The cell at a point of the grid, 1-based (0: none).
  int CellAt(QPoint point) const;
  // A click on cell k: selects it and makes its material the current one; a double click
  // also opens the Material Editor.
  void Click(int k, bool double_click = false);
  QWidget* grid() const;

  // Runs a menu command.
  void Run(int id);

 signals:
  // The texture search paths changed (and were written).
  void pathsChanged();

 private:
  void NewMaterial();
  void Merge();
  void SaveAs();
  void CopyMaterial();
  void CutMaterial();
  void PasteMaterial();
  void DeleteMaterial();
  bool Calculate(Material* material);
  void CalculateAll();
  void Assign();
  void Rename();
  void Edit(bool from_cell);
  void LoadTexture();
  // The current material, or null after "There is no material (choosen)."
  Material* CurrentOrSay();
  // Asks for a material name until it is free; nothing on Cancel.
  std::optional<std::string> AskMaterialName(const std::string& proposal);
  int CellOf(const Material* material) const;
  void Retrace(Material* material);
  void Select(int k);
  void Sync();

  Document& document_;
  MaterialPreview& preview_;
  std::vector<std::string>& paths_;
  std::string path_list_file_;
  std::vector<Cell> cells_;
  int selected_ = 0;
  int running_number_ = 1;
  std::unique_ptr<Material> clipboard_;
  MaterialGrid* grid_;
  QScrollArea* scroll_;
};

}  // namespace orvane::editor
