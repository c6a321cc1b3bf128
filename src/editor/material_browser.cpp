#include "editor/material_browser.h"

#include <QFileInfo>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "editor/construction_dialogs.h"
#include "editor/document.h"
#include "editor/file_filter.h"
#include "editor/material_editor.h"
#include "editor/scene_lists.h"
#include "editor/settings.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"
#include "scene/naming.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"

namespace orvane::editor {

namespace {

constexpr int kCellWidth = 70;
constexpr int kCellHeight = 82;

bool MaterialNameTaken(Scene& scene, const std::string& name) {
  return FindMaterial(scene, String(name.c_str())) != nullptr;
}

}  // namespace

// The grid of cells, drawn from the browser's previews.
class MaterialGrid : public QWidget {
 public:
  explicit MaterialGrid(MaterialBrowser& browser) : QWidget(&browser), browser_(browser) {
    setObjectName(QStringLiteral("grid"));
  }
  void Relayout(int width) {
    const int columns = std::max(1, width / kCellWidth);
    const int count = static_cast<int>(browser_.cells().size());
    const int rows = (count + columns - 1) / columns;
    setMinimumHeight(std::max(rows * kCellHeight, 1));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    const auto& cells = browser_.cells();
    for (int k = 1; k <= static_cast<int>(cells.size()); ++k) {
      const QPoint origin = browser_.CellOrigin(k);
      painter.drawImage(origin, cells[k - 1].preview);
      const QRect name(origin.x() - 2, origin.y() + kPreviewSize + 1, kCellWidth, 16);
      painter.drawText(name, Qt::AlignHCenter | Qt::AlignTop,
                       QString::fromUtf8(cells[k - 1].material->name.c_str()));
      if (k == browser_.selected()) {
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(origin.x() - 1, origin.y() - 1, kPreviewSize + 1, kPreviewSize + 1);
      }
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (const int k = browser_.CellAt(event->position().toPoint())) browser_.Click(k);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (const int k = browser_.CellAt(event->position().toPoint())) browser_.Click(k, true);
  }
  void resizeEvent(QResizeEvent*) override { update(); }

 private:
  MaterialBrowser& browser_;
};

MaterialBrowser::MaterialBrowser(Document& document, MaterialPreview& preview,
                                 std::vector<std::string>& paths, std::string path_list_file,
                                 QWidget* parent)
    : ToolWindow(QStringLiteral("Material-Browser"), parent),
      document_(document),
      preview_(preview),
      paths_(paths),
      path_list_file_(std::move(path_list_file)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  auto add = [this](QMenu* menu, int id, const char* text) {
    QAction* act = menu->addAction(tr(text));
    act->setObjectName(QStringLiteral("material_%1").arg(id));
    connect(act, &QAction::triggered, this, [this, id] { Run(id); });
    return act;
  };
  QMenu* file = bar->addMenu(tr("File"));
  add(file, kCmdNewMaterial, "New Material");
  add(file, kCmdMergeMaterial, "Merge...");
  add(file, kCmdSaveMaterial, "Save As...");
  add(file, kCmdCloseBrowser, "Close");
  QMenu* edit = bar->addMenu(tr("Edit"));
  add(edit, kCmdCutMaterial, "Cut");
  add(edit, kCmdCopyMaterial, "Copy");
  add(edit, kCmdPasteMaterial, "Paste");
  add(edit, kCmdDeleteMaterial, "Delete");
  QMenu* material = bar->addMenu(tr("Material"));
  add(material, kCmdCalculate, "Calculate");
  add(material, kCmdCalculateAll, "Calculate All");
  add(material, kCmdAssign, "Assign");
  add(material, kCmdRenameMaterial, "Rename...");
  add(material, kCmdEditMaterial, "Edit...");
  QMenu* texture = bar->addMenu(tr("Texture"))->addMenu(tr("New Texture"));
  add(texture, kCmdImageTexture, "Image");
  add(texture, kCmdProceduralTexture, "Procedure");

  grid_ = new MaterialGrid(*this);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(grid_);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout->addWidget(scroll_);
  resize(4 * kCellWidth + 20, 3 * kCellHeight + 40);
  connect(&document_, &Document::sceneChanged, this, &MaterialBrowser::Sync);
  connect(&document_, &Document::currentMaterialChanged, this, [this] {
    if (const int k = CellOf(document_.currentMaterial())) Select(k);
  });
}

MaterialBrowser::~MaterialBrowser() = default;

QWidget* MaterialBrowser::grid() const {
  return grid_;
}

int MaterialBrowser::Columns() const {
  return std::max(1, grid_->width() / kCellWidth);
}

QPoint MaterialBrowser::CellOrigin(int k) const {
  const int columns = Columns();
  return {((k - 1) % columns) * kCellWidth + 2, ((k - 1) / columns) * kCellHeight + 2};
}

int MaterialBrowser::CellAt(QPoint point) const {
  if (point.x() < 0 || point.y() < 0) return 0;
  const int column = point.x() / kCellWidth;
  if (column >= Columns()) return 0;
  const int k = (point.y() / kCellHeight) * Columns() + column + 1;
  return k <= static_cast<int>(cells_.size()) ? k : 0;
}

void MaterialBrowser::Select(int k) {
  selected_ = k;
  grid_->Relayout(grid_->width());
}

void MaterialBrowser::Click(int k, bool double_click) {
  if (k < 1 || k > static_cast<int>(cells_.size())) return;
  Select(k);
  document_.SetCurrentMaterial(cells_[k - 1].material);
  if (double_click) Edit(true);
}

int MaterialBrowser::CellOf(const Material* material) const {
  for (std::size_t i = 0; i < cells_.size(); ++i)
    if (cells_[i].material == material) return static_cast<int>(i) + 1;
  return 0;
}

void MaterialBrowser::Sync() {
  // Cells follow the material list: a material that left the scene takes its cell along.
  Material* selected = selected_ ? cells_[selected_ - 1].material : nullptr;
  std::erase_if(
      cells_, [this](const Cell& c) { return !Contains(document_.scene().materials, c.material); });
  selected_ = CellOf(selected);
  grid_->Relayout(grid_->width());
}

void MaterialBrowser::Run(int id) {
  switch (id) {
    case kCmdNewMaterial:
      return NewMaterial();
    case kCmdMergeMaterial:
      return Merge();
    case kCmdSaveMaterial:
      return SaveAs();
    case kCmdCloseBrowser:
      hide();
      return;
    case kCmdCutMaterial:
      return CutMaterial();
    case kCmdCopyMaterial:
      return CopyMaterial();
    case kCmdPasteMaterial:
      return PasteMaterial();
    case kCmdDeleteMaterial:
      return DeleteMaterial();
    case kCmdCalculate:
      if (Material* m = CurrentOrSay()) Calculate(m);
      return;
    case kCmdCalculateAll:
      return CalculateAll();
    case kCmdAssign:
      return Assign();
    case kCmdRenameMaterial:
      return Rename();
    case kCmdEditMaterial:
      return Edit(false);
    case kCmdImageTexture:
      return LoadTexture();
    case kCmdProceduralTexture:
      if (auto dialog = MakeProceduralTextureDialog(document_, this)) dialog->exec();
      return;
    default:
      return;
  }
}

Material* MaterialBrowser::CurrentOrSay() {
  Material* material = document_.currentMaterial();
  if (!material)
    document_.prompter().Message("Attention", kNoMaterial, MessageButtons::kOk,
                                 MessageIcon::kError);
  return material;
}

std::optional<std::string> MaterialBrowser::AskMaterialName(const std::string& proposal) {
  std::string name = proposal;
  for (;;) {
    std::optional<std::string> answer = document_.prompter().AskName(name);
    if (!answer) return std::nullopt;
    name = FileSafeName(String(answer->c_str()), "material").c_str();
    if (!MaterialNameTaken(document_.scene(), name)) return name;
    document_.prompter().Message("Error", kMaterialTaken);
  }
}

bool MaterialBrowser::Calculate(Material* material) {
  if (CellOf(material)) return false;  // a material keeps the cell it has
  cells_.push_back({material, preview_.Trace(*material).ToImage()});
  Select(static_cast<int>(cells_.size()));
  return true;
}

void MaterialBrowser::Retrace(Material* material) {
  const int k = CellOf(material);
  if (!k) {
    Calculate(material);
    return;
  }
  cells_[k - 1].preview = preview_.Trace(*material).ToImage();
  Select(k);
}

void MaterialBrowser::CalculateAll() {
  Material* current = document_.currentMaterial();
  if (LIST* list = document_.scene().materials) {
    for (ListNode* n = list->head; n; n = n->next)
      if (n->item && n->item->GetType() == kItemMaterial)
        Calculate(static_cast<Material*>(n->item));
  }
  // Afterwards the current material and its cell are selected again.
  document_.SetCurrentMaterial(current);
  Select(CellOf(current));
}

void MaterialBrowser::NewMaterial() {
  const std::string proposal = "neu" + std::to_string(running_number_++);
  std::optional<std::string> name = AskMaterialName(proposal);
  if (!name) return;
  auto* created = new Material;
  created->name = name->c_str();
  if (!document_.AppendStep(document_.scene().materials, created,
                            tr("New material %1").arg(name->c_str()))) {
    document_.prompter().Message("Error", "Can't add a new material.");
    return;
  }
  document_.SetCurrentMaterial(created);
  Calculate(created);
}

void MaterialBrowser::Merge() {
  std::optional<std::string> path = document_.prompter().OpenFile(kMaterialFilter);
  if (!path || path->empty()) return;
  document_.MergeFile(*path);
}

void MaterialBrowser::SaveAs() {
  Material* material = CurrentOrSay();
  if (!material) return;
  std::optional<std::string> path = document_.prompter().SaveFile(kMaterialFilter);
  if (!path || path->empty()) return;
  std::string target = *path;
  if (LowerExtension(target) != ".ovm") target += ".ovm";
  if (!SaveMaterial(document_.scene(), material, target.c_str()))
    document_.prompter().Message("Error", kMaterialWriteFailed);
}

void MaterialBrowser::CopyMaterial() {
  if (Material* material = CurrentOrSay()) clipboard_ = std::make_unique<Material>(*material);
}

void MaterialBrowser::CutMaterial() {
  Material* material = CurrentOrSay();
  if (!material) return;
  clipboard_ = std::make_unique<Material>(*material);
  document_.DeleteMaterial(material);
}

void MaterialBrowser::DeleteMaterial() {
  if (Material* material = CurrentOrSay()) document_.DeleteMaterial(material);
}

void MaterialBrowser::PasteMaterial() {
  if (!clipboard_) return;
  std::optional<std::string> name = AskMaterialName(clipboard_->name.c_str());
  if (!name) return;
  auto* pasted = new Material(*clipboard_);
  pasted->name = name->c_str();
  if (document_.AppendStep(document_.scene().materials, pasted,
                           tr("Paste %1").arg(name->c_str()))) {
    document_.SetCurrentMaterial(pasted);
    Calculate(pasted);
  }
}

void MaterialBrowser::Assign() {
  Material* material = CurrentOrSay();
  if (!material) return;
  SceneObject* object = document_.currentObject();
  if (!object) {
    document_.prompter().Message("Attention", kNoObject, MessageButtons::kOk, MessageIcon::kError);
    return;
  }
  bool members = false;
  if (object->GetType() == kItemGroup) {
    members = document_.prompter().Message("Question", kAssignAllQuestion, MessageButtons::kYesNo,
                                           MessageIcon::kQuestion) == Answer::kYes;
  }
  document_.AssignMaterial(material, object, members);
}

void MaterialBrowser::Rename() {
  Material* material = CurrentOrSay();
  if (!material) return;
  std::optional<std::string> name = AskMaterialName(material->name.c_str());
  if (!name) return;
  Material renamed(*material);
  renamed.name = name->c_str();
  document_.ChangeMaterial(material, renamed, tr("Rename %1").arg(name->c_str()));
  grid_->update();
}

void MaterialBrowser::Edit(bool from_cell) {
  Material* material = CurrentOrSay();
  if (!material) return;
  MaterialEditor editor(document_, preview_, *material, this);
  if (editor.exec() != QDialog::Accepted) return;
  document_.ChangeMaterial(material, editor.working(), tr("Edit %1").arg(material->name.c_str()));
  if (from_cell || CellOf(material)) Retrace(material);
}

void MaterialBrowser::LoadTexture() {
  Prompter& prompter = document_.prompter();
  std::optional<std::string> path = prompter.OpenFile(kTextureFilter);
  if (!path || path->empty()) return;
  const std::string extension = LowerExtension(*path);
  auto texture = std::make_unique<Texture>(kTextureImage);
  if ((extension != ".iff" && extension != ".jpg" && extension != ".bmp") ||
      !texture->LoadImage(path->c_str(), nullptr)) {
    prompter.Message("Error", kImageFailed);
    return;
  }
  const QFileInfo info(QString::fromLocal8Bit(path->c_str()));
  std::string name =
      FileSafeName(String(info.completeBaseName().toUtf8().constData()), "texture").c_str();
  for (;;) {
    std::optional<std::string> answer = prompter.AskName(name);
    if (!answer) return;  // Cancel discards the texture
    name = FileSafeName(String(answer->c_str()), "texture").c_str();
    if (!FindTexture(document_.scene().images, String(name.c_str()))) break;
    prompter.Message("Error", kTextureTaken);
  }
  texture->name = name.c_str();
  texture->fileName = info.fileName().toLocal8Bit().constData();
  // The folder goes into the search paths when the user wants it there.
  const std::string folder = info.absolutePath().toLocal8Bit().constData();
  const auto known = [&folder](const std::string& p) {
    return p == folder || p == folder + "/" || p + "/" == folder;
  };
  if (!folder.empty() && std::none_of(paths_.begin(), paths_.end(), known) &&
      prompter.Message("Question", kAddPathQuestion, MessageButtons::kYesNo,
                       MessageIcon::kQuestion) == Answer::kYes) {
    paths_.push_back(folder);
    WritePathList(path_list_file_, paths_);
    emit pathsChanged();
  }
  document_.AppendStep(document_.scene().images, texture.release(),
                       tr("New texture %1").arg(name.c_str()));
}

// ---- Procedural textures --------------------------------------------------------------------

namespace {

// The textures whose 8-bit pictures can lend a fractal their colours.
std::vector<Texture*> PaletteTextures(Scene& scene) {
  std::vector<Texture*> found;
  for (ListNode* n = scene.images ? scene.images->head : nullptr; n; n = n->next) {
    if (!n->item || n->item->GetType() != kItemTexture) continue;
    auto* texture = static_cast<Texture*>(n->item);
    const Picture* picture = texture->picture();
    if (picture && picture->paletteCount > 0) found.push_back(texture);
  }
  return found;
}

// "proc_tex" while it is free, else counted on ("proc_tex1", ...).
std::string ProceduralName(Scene& scene) {
  std::string name = kProceduralBaseName;
  for (int n = 1; FindTexture(scene.images, String(name.c_str())); ++n)
    name = kProceduralBaseName + std::to_string(n);
  return name;
}

bool NewProceduralTexture(Document& doc, const ConstructionDialog& d) {
  Scene& scene = doc.scene();
  const String name = FileSafeName(String(d.Text("Name").toUtf8().constData()), "proc_tex");
  if (FindTexture(scene.images, name)) {
    doc.prompter().Message("Error", kMaterialTaken);
    return false;
  }
  const int kinds[] = {kTextureFractal, kTextureChess, kTextureFade};
  const int type = std::clamp(d.Choice("Type"), 0, 2);
  auto texture = std::make_unique<Texture>(kinds[type]);
  texture->name = name;
  if (type == 0) {
    Fractal& f = texture->fractal;
    f.xMin = d.Number("Xmin");
    f.yMin = d.Number("Ymin");
    f.xMax = d.Number("Xmax");
    f.yMax = d.Number("Ymax");
    f.iterations = static_cast<int16_t>(std::clamp(d.Count("Iterationen"), 1, 32767));
    const std::vector<Texture*> palettes = PaletteTextures(scene);
    const int chosen = d.Choice("Palette");
    if (chosen >= 0 && chosen < static_cast<int>(palettes.size())) {
      f.SetPalette(palettes[chosen]->picture());
      texture->paletteName = palettes[chosen]->name;
    }
  } else {
    auto c = [&d](const char* label) { return static_cast<int16_t>(d.Count(label)); };
    texture->twoColours.SetColour1(c("R1"), c("G1"), c("B1"));
    texture->twoColours.SetColour2(c("R2"), c("G2"), c("B2"));
  }
  const bool added = doc.AppendStep(scene.images, texture.release(),
                                    QObject::tr("New texture %1").arg(name.c_str()));
  if (!added) doc.prompter().Message(kOutOfMemoryTitle, kOutOfMemoryText);
  return added;
}

}  // namespace

std::unique_ptr<ConstructionDialog> MakeProceduralTextureDialog(Document& document,
                                                                QWidget* parent) {
  Scene& scene = document.scene();
  std::vector<QString> palettes;
  for (Texture* t : PaletteTextures(scene)) palettes.push_back(QString::fromUtf8(t->name.c_str()));
  if (palettes.empty())
    document.prompter().Message("Warning", kNoPaletteWarning, MessageButtons::kOk,
                                MessageIcon::kWarning);
  std::vector<ConstructionDialog::Field> fields{
      TextField("Name", QString::fromStdString(ProceduralName(scene))),
      RadioField("Type", {"Mandelbrot", "Chess", "Fade"}),
      ChoiceField("Palette", std::move(palettes)),
      TextField("Xmin", "-2.7"),
      TextField("Ymin", "-1"),
      TextField("Xmax", "0.5"),
      TextField("Ymax", "1"),
      TextField("Iterationen", "20")};
  for (const char* label : {"R1", "G1", "B1"}) fields.push_back(SliderField(label, 255, 255));
  for (const char* label : {"R2", "G2", "B2"}) fields.push_back(SliderField(label, 0, 255));
  auto update = [](ConstructionDialog& d) {
    const bool fractal = d.Choice("Type") == 0;
    for (const char* label : {"Palette", "Xmin", "Ymin", "Xmax", "Ymax", "Iterationen"})
      d.SetFieldEnabled(label, fractal);
    for (const char* label : {"R1", "G1", "B1", "R2", "G2", "B2"})
      d.SetFieldEnabled(label, !fractal);
  };
  return std::make_unique<ConstructionDialog>(
      document, "Procedural Texture", std::move(fields),
      [&document](ConstructionDialog& d) { return NewProceduralTexture(document, d); }, update,
      parent);
}

}  // namespace orvane::editor
