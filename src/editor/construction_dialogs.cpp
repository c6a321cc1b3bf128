#include "editor/construction_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

#include "editor/document.h"
#include "material/texture.h"
#include "modelling/copies.h"
#include "modelling/extrusion.h"
#include "modelling/height_field.h"
#include "modelling/lathe.h"
#include "modelling/paths.h"
#include "modelling/polygons.h"
#include "modelling/primitives.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane::editor {

// ---- The dialog ----------------------------------------------------------------------------

struct ConstructionDialog::Control {
  Field::Kind kind = Field::kText;
  QString label;
  QWidget* widget = nullptr;  // what is enabled and disabled
  QLineEdit* edit = nullptr;  // text fields and the field beside a slider
  QCheckBox* check = nullptr;
  QComboBox* combo = nullptr;
  QButtonGroup* radios = nullptr;
  QSlider* slider = nullptr;
  QPushButton* button = nullptr;
  QString hidden;  // hidden fields keep their value here
  std::function<void(ConstructionDialog&)> pressed;
};

ConstructionDialog::ConstructionDialog(Document& document, const QString& title,
                                       std::vector<Field> fields, Build build, Update update,
                                       QWidget* parent)
    : QDialog(parent), document_(document), build_(std::move(build)), update_(std::move(update)) {
  setWindowTitle(title);
  setObjectName(title);
  auto* form = new QFormLayout;
  for (Field& field : fields) {
    auto control = std::make_unique<Control>();
    control->kind = field.kind;
    control->label = field.label;
    const QString name = field.label;
    switch (field.kind) {
      case Field::kText:
        control->edit = new QLineEdit(field.value, this);
        control->widget = control->edit;
        form->addRow(field.label, control->edit);
        connect(control->edit, &QLineEdit::textChanged, this, [this] { Refresh(); });
        break;
      case Field::kHidden:
        control->hidden = field.value;
        break;
      case Field::kCheck:
        control->check = new QCheckBox(field.label, this);
        control->check->setChecked(field.checked);
        control->widget = control->check;
        form->addRow(control->check);
        connect(control->check, &QCheckBox::toggled, this, [this] { Refresh(); });
        break;
      case Field::kChoice:
        control->combo = new QComboBox(this);
        for (const QString& item : field.items) control->combo->addItem(item);
        control->combo->setCurrentIndex(field.items.empty() ? -1 : field.selected);
        control->widget = control->combo;
        form->addRow(field.label, control->combo);
        connect(control->combo, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
        break;
      case Field::kRadio: {
        auto* box = new QGroupBox(field.label, this);
        auto* column = new QVBoxLayout(box);
        control->radios = new QButtonGroup(box);
        for (int i = 0; i < static_cast<int>(field.items.size()); ++i) {
          auto* radio = new QRadioButton(field.items[i], box);
          radio->setObjectName(field.items[i]);
          control->radios->addButton(radio, i);
          column->addWidget(radio);
          radio->setChecked(i == field.selected);
        }
        control->widget = box;
        form->addRow(box);
        connect(control->radios, &QButtonGroup::idToggled, this, [this] { Refresh(); });
        break;
      }
      case Field::kSlider: {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        control->slider = new QSlider(Qt::Horizontal, row);
        control->slider->setRange(field.minimum, field.maximum);
        control->edit = new QLineEdit(field.value, row);
        control->edit->setMaximumWidth(60);
        control->slider->setValue(std::atoi(field.value.toLocal8Bit().constData()));
        line->addWidget(control->slider);
        line->addWidget(control->edit);
        control->widget = row;
        form->addRow(field.label, row);
        QLineEdit* edit = control->edit;
        QSlider* slider = control->slider;
        connect(slider, &QSlider::sliderMoved, edit,
                [edit](int value) { edit->setText(QString::number(value)); });
        connect(edit, &QLineEdit::textEdited, slider, [edit, slider] {
          slider->setValue(std::atoi(edit->text().toLocal8Bit().constData()));
        });
        break;
      }
      case Field::kButton:
        control->button = new QPushButton(field.label, this);
        control->button->setAutoDefault(false);
        control->widget = control->button;
        control->pressed = field.pressed;
        form->addRow(control->button);
        connect(control->button, &QPushButton::clicked, this, [this, name] { Press(name); });
        break;
    }
    if (control->widget) control->widget->setObjectName(name);
    controls_.push_back(std::move(control));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { Confirm(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  Refresh();
}

ConstructionDialog::~ConstructionDialog() = default;

ConstructionDialog::Control* ConstructionDialog::Find(const QString& label) const {
  for (const auto& control : controls_) {
    if (control->label == label) return control.get();
  }
  return nullptr;
}

QString ConstructionDialog::Text(const QString& label) const {
  const Control* c = Find(label);
  if (!c) return QString();
  if (c->edit) return c->edit->text();
  if (c->combo) return c->combo->currentText();
  return c->hidden;
}

double ConstructionDialog::Number(const QString& label) const {
  return std::atof(Text(label).toLocal8Bit().constData());
}

int ConstructionDialog::Count(const QString& label) const {
  return std::atoi(Text(label).toLocal8Bit().constData());
}

bool ConstructionDialog::Checked(const QString& label) const {
  const Control* c = Find(label);
  return c && c->check && c->check->isChecked();
}

int ConstructionDialog::Choice(const QString& label) const {
  const Control* c = Find(label);
  if (c && c->combo) return c->combo->currentIndex();
  if (c && c->radios) return c->radios->checkedId();
  return -1;
}

bool ConstructionDialog::FieldEnabled(const QString& label) const {
  const Control* c = Find(label);
  return c && c->widget && c->widget->isEnabled();
}

void ConstructionDialog::SetText(const QString& label, const QString& text) {
  Control* c = Find(label);
  if (!c) return;
  if (c->edit) {
    c->edit->setText(text);
    if (c->slider) c->slider->setValue(std::atoi(text.toLocal8Bit().constData()));
  } else if (c->combo) {
    c->combo->setCurrentIndex(c->combo->findText(text));
  } else {
    c->hidden = text;
  }
}

void ConstructionDialog::SetChecked(const QString& label, bool checked) {
  if (Control* c = Find(label); c && c->check) c->check->setChecked(checked);
}

void ConstructionDialog::SetChoice(const QString& label, int index) {
  Control* c = Find(label);
  if (c && c->combo) c->combo->setCurrentIndex(index);
  if (c && c->radios) {
    if (QAbstractButton* radio = c->radios->button(index)) radio->setChecked(true);
  }
}

void ConstructionDialog::SetFieldEnabled(const QString& label, bool enabled) {
  if (Control* c = Find(label); c && c->widget) c->widget->setEnabled(enabled);
}

void ConstructionDialog::Press(const QString& label) {
  Control* c = Find(label);
  if (c && c->pressed) c->pressed(*this);
}

void ConstructionDialog::Refresh() {
  if (update_) update_(*this);
}

bool ConstructionDialog::Confirm() {
  result_ = CommandResult();
  if (!build_(*this)) return false;
  accept();
  return true;
}

// ---- Fields --------------------------------------------------------------------------------

namespace {

ConstructionDialog::Field Make(ConstructionDialog::Field::Kind kind, const char* label) {
  ConstructionDialog::Field field;
  field.kind = kind;
  field.label = QString::fromUtf8(label);
  return field;
}

}  // namespace

ConstructionDialog::Field TextField(const char* label, const QString& value) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kText, label);
  field.value = value;
  return field;
}
ConstructionDialog::Field HiddenField(const char* label, const char* value) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kHidden, label);
  field.value = QString::fromUtf8(value);
  return field;
}
ConstructionDialog::Field CheckField(const char* label, bool on) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kCheck, label);
  field.checked = on;
  return field;
}
ConstructionDialog::Field ChoiceField(const char* label, std::vector<QString> items, int selected) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kChoice, label);
  field.items = std::move(items);
  field.selected = selected;
  return field;
}
ConstructionDialog::Field RadioField(const char* label, std::vector<QString> items, int selected) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kRadio, label);
  field.items = std::move(items);
  field.selected = selected;
  return field;
}
ConstructionDialog::Field SliderField(const char* label, int value, int maximum) {
  ConstructionDialog::Field field = Make(ConstructionDialog::Field::kSlider, label);
  field.value = QString::number(value);
  field.maximum = maximum;
  return field;
}
ConstructionDialog::Field ButtonField(const char* label) {
  return Make(ConstructionDialog::Field::kButton, label);
}

// ---- The table of dialogs ------------------------------------------------------------------

namespace {

using Field = ConstructionDialog::Field;

QString Q(const String& s) {
  return QString::fromUtf8(s.c_str());
}

// The dialog's "Name" field as the name of the new item.
String NameOf(const ConstructionDialog& dialog) {
  return FileSafeName(String(dialog.Text("Name").toUtf8().constData()), "object");
}

// The names of the scene's textures, in list order.
std::vector<QString> TextureNames(Scene& scene) {
  std::vector<QString> names;
  if (!scene.images) return names;
  for (ListNode* n = scene.images->head; n; n = n->next) {
    if (n->item && n->item->GetType() == kItemTexture)
      names.push_back(Q(static_cast<const Texture*>(n->item)->name));
  }
  return names;
}

// The top-level paths of the object list, and the index of `current` among them (-1: not one).
std::vector<QString> PathNames(Scene& scene, const SceneObject* current, int* current_index) {
  std::vector<QString> names;
  *current_index = -1;
  if (!scene.objects) return names;
  for (ListNode* n = scene.objects->head; n; n = n->next) {
    auto* mesh = dynamic_cast<MeshObject*>(n->item);
    if (!mesh || !mesh->IsPath()) continue;
    if (mesh == current) *current_index = static_cast<int>(names.size());
    names.push_back(Q(mesh->name));
  }
  return names;
}

// "OK" of a construction: the command as one undo step.
ConstructionDialog::Build Builds(const char* title,
                                 std::function<CommandResult(const ConstructionDialog&)> command) {
  return [title, command](ConstructionDialog& dialog) {
    const CommandResult result = dialog.document().Construct(
        QObject::tr("New %1").arg(QString::fromUtf8(title)), [&] { return command(dialog); });
    dialog.SetResult(result);
    return result.ok();
  };
}

// A check box that makes fields equal disables them while it is checked.
ConstructionDialog::Update Disables(const char* check, std::vector<const char*> fields) {
  return [check, fields](ConstructionDialog& dialog) {
    for (const char* field : fields)
      dialog.SetFieldEnabled(QString::fromUtf8(field), !dialog.Checked(QString::fromUtf8(check)));
  };
}

bool FiniteSize(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

CommandResult NewMathSphere(Scene& scene, const ConstructionDialog& d) {
  const String name = NameOf(d);
  if (IsNameTaken(scene, name, NameKind::kObject))
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  const double radius = d.Number("Radius");
  if (!FiniteSize(radius)) return CommandResult::Refused(kErrorTitle, kBadSizeText);
  return AddToScene(scene, TryNew<MathSphere>(static_cast<float>(radius)), name);
}

// The plane's types in the dialog's order.
constexpr PlaneType kPlaneTypes[] = {kPlaneInfinite, kPlaneRectangle, kPlaneEllipse};

CommandResult NewMathPlane(Scene& scene, const ConstructionDialog& d) {
  const String name = NameOf(d);
  if (IsNameTaken(scene, name, NameKind::kObject))
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  const double width = d.Number("Width");
  const double height = d.Number("Height");
  if (!FiniteSize(width) || !FiniteSize(height))
    return CommandResult::Refused(kErrorTitle, kBadSizeText);
  auto* plane = TryNew<MathPlane>();
  if (plane) {
    const int type = d.Choice("Type");
    plane->SetPlaneType(kPlaneTypes[type >= 0 && type < 3 ? type : 0]);
    // The half extents of the outline.
    plane->SetRadiusX(static_cast<float>(width * 0.5));
    plane->SetRadiusY(static_cast<float>(height * 0.5));
  }
  return AddToScene(scene, plane, name);
}

// ---- Light sources --------------------------------------------------------------------------

LightDialogValues LightValues(const ConstructionDialog& d) {
  LightDialogValues v;
  v.decrease = d.Number("Decrease");
  v.red = d.Count("R");
  v.green = d.Count("G");
  v.blue = d.Count("B");
  v.brightness_percent = d.Count("brightness");
  v.spot = d.Choice("Type") == 1;
  v.shadow = d.Checked("Shadow");
  v.parallel = d.Checked("parallel");
  v.spot_angle_degrees = d.Number("Spotlight Angle");
  v.fall_off_degrees = d.Number("FallOff");
  return v;
}

std::vector<Field> LightFields(const QString& name, const LightDialogValues& v) {
  Field color = ButtonField("Color...");
  color.pressed = [](ConstructionDialog& d) {
    const Rgb8 current{d.Count("R"), d.Count("G"), d.Count("B")};
    if (std::optional<Rgb8> chosen = d.document().prompter().ChooseColor(current)) {
      d.SetText("R", QString::number(chosen->red));
      d.SetText("G", QString::number(chosen->green));
      d.SetText("B", QString::number(chosen->blue));
    }
  };
  return {TextField("Name", name),
          SliderField("R", v.red, 255),
          SliderField("G", v.green, 255),
          SliderField("B", v.blue, 255),
          color,
          SliderField("brightness", static_cast<int>(std::lround(v.brightness_percent)), 100),
          RadioField("Type", {"Pointlight", "Spotlight"}, v.spot ? 1 : 0),
          TextField("Spotlight Angle", QString::asprintf("%g", v.spot_angle_degrees)),
          TextField("FallOff", QString::asprintf("%g", v.fall_off_degrees)),
          CheckField("Shadow", v.shadow),
          CheckField("parallel", v.parallel),
          TextField("Decrease", QString::asprintf("%g", v.decrease))};
}

void UpdateLight(ConstructionDialog& d) {
  const bool spot = d.Choice("Type") == 1;
  d.SetFieldEnabled("Spotlight Angle", spot);
  d.SetFieldEnabled("FallOff", spot);
}

CommandResult NewLight(Scene& scene, const ConstructionDialog& d) {
  const String name = NameOf(d);
  if (IsNameTaken(scene, name, NameKind::kLight))
    return CommandResult::Refused(kLightNameTakenTitle, kLightNameTakenText);
  if (!scene.lights && !scene.EnsureLists(ErrorOutput()))
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  auto* light = TryNew<LightSource>();
  if (!light) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  light->name = name;
  ApplyLightDialog(*light, LightValues(d));
  light->preview_dirty = 1;
  if (!scene.lights->Append(light, 1)) {
    delete light;
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  }
  return CommandResult::Built(light);
}

// ---- The dialogs ---------------------------------------------------------------------------

struct DialogSpec {
  const char* title;
  std::vector<Field> fields;
  ConstructionDialog::Build build;
  ConstructionDialog::Update update;
};

// The dialog of `id`; false when the command has none (or has said why it cannot start).
bool SpecOf(int id, Document& doc, DialogSpec* spec) {
  Scene& scene = doc.scene();
  SceneObject* current = doc.currentObject();
  auto name = [&doc](const char* base) { return TextField("Name", ProposedName(doc, base)); };
  switch (id) {
    case kCmdTriangle:
      *spec = {"Triangle",
               {name("Triangle"), TextField("Width", "1"), TextField("Height", "1"),
                CheckField("equilateral")},
               Builds("Triangle",
                      [&scene](const ConstructionDialog& d) {
                        return CreateTriangle(
                            scene, {NameOf(d), float(d.Number("Width")), float(d.Number("Height")),
                                    d.Checked("equilateral")});
                      }),
               Disables("equilateral", {"Height"})};
      return true;
    case kCmdQuadrangle:
      *spec = {"Quadrangle",
               {name("Quadrangle"), TextField("Width", "1"), TextField("Height", "1"),
                CheckField("equal")},
               Builds("Quadrangle",
                      [&scene](const ConstructionDialog& d) {
                        return CreateQuadrangle(
                            scene, {NameOf(d), float(d.Number("Width")), float(d.Number("Height")),
                                    d.Checked("equal")});
                      }),
               Disables("equal", {"Height"})};
      return true;
    case kCmdNAngle:
      *spec = {"N-Angle",
               {name("N-Angle"), TextField("Segments", "8"), TextField("Radius", "1"),
                CheckField("Radius as Width of Seg.")},
               Builds("N-Angle",
                      [&scene](const ConstructionDialog& d) {
                        return CreateNAngle(
                            scene, {NameOf(d), d.Count("Segments"), float(d.Number("Radius")),
                                    d.Checked("Radius as Width of Seg.")});
                      }),
               nullptr};
      return true;
    case kCmdPyramid:
      *spec = {"Pyramid",
               {name("Pyramide"), TextField("Height", "1"), TextField("Radius", "1"),
                CheckField("Radius as width of seg.")},
               Builds("Pyramid",
                      [&scene](const ConstructionDialog& d) {
                        return CreatePyramid(
                            scene, {NameOf(d), float(d.Number("Height")), float(d.Number("Radius")),
                                    d.Checked("Radius as width of seg.")});
                      }),
               nullptr};
      return true;
    case kCmdCone:
      *spec = {"Cone",
               {name("Cone"), TextField("Height", "1"), TextField("Segments", "16"),
                TextField("Radius", "1"), CheckField("Radius as Width of Seg.")},
               Builds("Cone",
                      [&scene](const ConstructionDialog& d) {
                        return CreateCone(scene, {NameOf(d), float(d.Number("Height")),
                                                  d.Count("Segments"), float(d.Number("Radius")),
                                                  d.Checked("Radius as Width of Seg.")});
                      }),
               nullptr};
      return true;
    case kCmdCube:
      *spec = {"Cube",
               {name("Cube"), TextField("Width", "1"), TextField("Depth", "1"),
                TextField("Height", "1"), CheckField("equal")},
               Builds("Cube",
                      [&scene](const ConstructionDialog& d) {
                        return CreateCube(
                            scene, {NameOf(d), float(d.Number("Width")), float(d.Number("Depth")),
                                    float(d.Number("Height")), d.Checked("equal")});
                      }),
               Disables("equal", {"Depth", "Height"})};
      return true;
    case kCmdMeshSphere:
      *spec = {"Mesh-Sphere",
               {name("Sphere"), TextField("Radius", "1"), TextField("vertical Segments", "10"),
                TextField("horizontal Segments", "10"), CheckField("equal")},
               Builds("Sphere",
                      [&scene](const ConstructionDialog& d) {
                        return CreateMeshSphere(
                            scene,
                            {NameOf(d), float(d.Number("Radius")), d.Count("vertical Segments"),
                             d.Count("horizontal Segments"), d.Checked("equal")});
                      }),
               Disables("equal", {"horizontal Segments"})};
      return true;
    case kCmdCylinder:
      *spec = {"Cylinder",
               {name("Cylinder"), TextField("Height", "2"), TextField("Radius", "1"),
                TextField("Segments", "10"), CheckField("Radius as width of seg.")},
               Builds("Cylinder",
                      [&scene](const ConstructionDialog& d) {
                        return CreateCylinder(
                            scene, {NameOf(d), float(d.Number("Height")), float(d.Number("Radius")),
                                    d.Count("Segments"), d.Checked("Radius as width of seg.")});
                      }),
               nullptr};
      return true;
    case kCmdRing:
      *spec = {"Torus",
               {name("Torus"), TextField("Ring-Radius", "3"), TextField("Ring-Segments", "16"),
                TextField("Tube-Radius", "1"), TextField("Tube-Segments", "8")},
               Builds("Torus",
                      [&scene](const ConstructionDialog& d) {
                        return CreateTorus(
                            scene,
                            {NameOf(d), float(d.Number("Ring-Radius")), d.Count("Ring-Segments"),
                             float(d.Number("Tube-Radius")), d.Count("Tube-Segments")});
                      }),
               nullptr};
      return true;
    case kCmdHeightField:
      *spec = {"Height Field",
               {name("Height Field"), ChoiceField("Texture", TextureNames(scene)),
                TextField("Size X", "8.0"), TextField("Size Y", "6.0"),
                TextField("Subdivisions X", "40"), TextField("Subdivisions Y", "30"),
                TextField("Height maximum", "20.0"), TextField("water level", "0.0"),
                CheckField("Sphere")},
               Builds("Height Field",
                      [&scene](const ConstructionDialog& d) {
                        HeightFieldInput in;
                        in.name = NameOf(d);
                        if (d.Choice("Texture") >= 0)
                          in.texture = d.Text("Texture").toUtf8().constData();
                        in.size_x = float(d.Number("Size X"));
                        in.size_z = float(d.Number("Size Y"));
                        in.subdivisions_x = d.Count("Subdivisions X");
                        in.subdivisions_z = d.Count("Subdivisions Y");
                        in.height = float(d.Number("Height maximum"));
                        in.water_level = float(d.Number("water level"));
                        in.sphere = d.Checked("Sphere");
                        return CreateHeightField(scene, in);
                      }),
               nullptr};
      return true;
    case kCmdScanImage:
      *spec = {"Scan Image",
               {name("Scan"), ChoiceField("Texture", TextureNames(scene)), TextField("Size X", "8"),
                TextField("Size Y", "6"), TextField("Subdivisions X", "40"),
                TextField("Subdivisions Y", "30"), TextField("threshold value", "0.5")},
               Builds("Scan",
                      [&scene](const ConstructionDialog& d) {
                        ImageScanInput in;
                        in.name = NameOf(d);
                        if (d.Choice("Texture") >= 0)
                          in.texture = d.Text("Texture").toUtf8().constData();
                        in.size_x = float(d.Number("Size X"));
                        in.size_y = float(d.Number("Size Y"));
                        in.subdivisions_x = d.Count("Subdivisions X");
                        in.subdivisions_y = d.Count("Subdivisions Y");
                        in.threshold = float(d.Number("threshold value"));
                        return ScanImage(scene, in);
                      }),
               nullptr};
      return true;
    case kCmdMathSphere:
      *spec = {"mathematical Sphere",
               {name("Sphere"), TextField("Radius", "1")},
               Builds("Sphere",
                      [&scene](const ConstructionDialog& d) { return NewMathSphere(scene, d); }),
               nullptr};
      return true;
    case kCmdMathPlane:
      *spec = {
          "Plane",
          {name("Plane"), TextField("Width", "10"), TextField("Height", "10"),
           RadioField("Type", {"infinite", "rectangle", "elliptic"})},
          Builds("Plane", [&scene](const ConstructionDialog& d) { return NewMathPlane(scene, d); }),
          [](ConstructionDialog& d) {
            const bool outline = d.Choice("Type") > 0;
            d.SetFieldEnabled("Width", outline);
            d.SetFieldEnabled("Height", outline);
          }};
      return true;
    case kCmdNewPath:
      *spec = {"New Path",
               {name("Path"), TextField("Points", "5"),
                ChoiceField("Basic look", {"linear-X", "linear-Z", "circle-XY", "circle-XZ",
                                           "screw-XZ", "spiral-XZ"}),
                TextField("Width", "1.0"), TextField("Angle", "360.0")},
               Builds("Path",
                      [&scene](const ConstructionDialog& d) {
                        return NewPath(scene, NameOf(d), d.Count("Points"),
                                       float(d.Number("Width")), float(d.Number("Angle")),
                                       static_cast<PathShape>(d.Choice("Basic look")));
                      }),
               [](ConstructionDialog& d) {
                 const int look = d.Choice("Basic look");
                 d.SetFieldEnabled("Angle", look == static_cast<int>(PathShape::kScrewXZ) ||
                                                look == static_cast<int>(PathShape::kSpiralXZ));
               }};
      return true;
    case kCmdLightSource:
      *spec = {"Lightsource", LightFields(ProposedName(doc, "Licht", true), LightDialogValues()),
               Builds("Lightsource",
                      [&scene](const ConstructionDialog& d) { return NewLight(scene, d); }),
               &UpdateLight};
      return true;
    case kCmdLathe: {
      int preselected = -1;
      std::vector<QString> paths = PathNames(scene, current, &preselected);
      *spec = {"Lathe",
               {name("Rotations_Obj"), ChoiceField("Outline", std::move(paths), preselected),
                CheckField("close"), TextField("Segments", "7"), TextField("Angle", "360.0"),
                CheckField("close last segment"), CheckField("close end"),
                TextField("Y-Translation", "0")},
               Builds("Lathe",
                      [&scene](const ConstructionDialog& d) {
                        LatheInput in;
                        in.name = NameOf(d);
                        if (d.Choice("Outline") >= 0)
                          in.outline = d.Text("Outline").toUtf8().constData();
                        in.close = d.Checked("close");
                        in.segments = d.Count("Segments");
                        in.angle = float(d.Number("Angle"));
                        in.close_last_segment = d.Checked("close last segment");
                        in.close_end = d.Checked("close end");
                        in.y_translation = float(d.Number("Y-Translation"));
                        return CreateLathe(scene, in);
                      }),
               nullptr};
      return true;
    }
    case kCmdZExtrusion:
      *spec = {"Extrusion in Z-direction",
               {name("Extrusion_Obj"), TextField("Depth in Z-direction", "1.0"),
                CheckField("close Outline"), HiddenField("Segmente", "1"),
                HiddenField("Kantenabschrägung", "0.0")},
               Builds("Extrusion",
                      [&scene, current](const ConstructionDialog& d) {
                        ZExtrusionInput in;
                        in.name = NameOf(d);
                        in.depth = float(d.Number("Depth in Z-direction"));
                        in.close_outline = d.Checked("close Outline");
                        in.segments = d.Count("Segmente");
                        in.bevel = float(d.Number("Kantenabschrägung"));
                        return CreateZExtrusion(scene, in, current);
                      }),
               nullptr};
      return true;
    case kCmdPathExtrusion: {
      int preselected = -1;
      std::vector<QString> paths = PathNames(scene, current, &preselected);
      *spec = {"Extrusion along path",
               {name("Extrusion_Obj"), ChoiceField("Outline", paths, preselected),
                ChoiceField("Path", paths, -1), CheckField("close"), CheckField("close end")},
               Builds("Extrusion",
                      [&scene, current](const ConstructionDialog& d) {
                        PathExtrusionInput in;
                        in.name = NameOf(d);
                        if (d.Choice("Outline") >= 0)
                          in.outline = d.Text("Outline").toUtf8().constData();
                        if (d.Choice("Path") >= 0) in.path = d.Text("Path").toUtf8().constData();
                        in.close = d.Checked("close");
                        in.close_end = d.Checked("close end");
                        return CreatePathExtrusion(scene, in, current);
                      }),
               nullptr};
      return true;
    }
    case kCmdCopyNumber:
    case kCmdCopyToMesh: {
      const bool number = id == kCmdCopyNumber;
      if (!number && !dynamic_cast<MeshObject*>(current)) {
        doc.prompter().Message(kNeedsMeshTitle, kNeedsMeshText);
        return false;
      }
      if (!doc.clipboard()) {
        doc.prompter().Message(kNoClipboardTitle, kNoClipboardText);
        return false;
      }
      const char* group = number ? "copy in Group-Object" : "copy to Group-Object";
      std::vector<Field> fields{name("Gruppe")};
      if (number) fields.push_back(TextField("Number", "1"));
      fields.push_back(CheckField(group));
      const bool top = !doc.pasteIntoGroup();
      *spec = {number ? "Copy Number" : "Copy To 3D-Mesh-Points", std::move(fields),
               Builds("Copies",
                      [&scene, &doc, current, number, group, top](const ConstructionDialog& d) {
                        const bool in_group = d.Checked(group);
                        if (number)
                          return CopyNumber(scene, doc.clipboard(), d.Count("Number"), in_group,
                                            NameOf(d), current, top);
                        return CopyToMeshPoints(scene, doc.clipboard(), in_group, NameOf(d),
                                                current, top);
                      }),
               [group](ConstructionDialog& d) { d.SetFieldEnabled("Name", d.Checked(group)); }};
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

QString ProposedName(Document& document, const char* base, bool light) {
  const NameKind kind = light ? NameKind::kLight : NameKind::kObject;
  const String name(base);
  if (!IsNameTaken(document.scene(), name, kind)) return QString::fromUtf8(base);
  return Q(MakeUniqueName(document.scene(), name, kind));
}

std::unique_ptr<ConstructionDialog> MakeConstructionDialog(int id, Document& document,
                                                           QWidget* parent) {
  DialogSpec spec;
  if (!SpecOf(id, document, &spec)) return nullptr;
  return std::make_unique<ConstructionDialog>(document, QString::fromUtf8(spec.title),
                                              std::move(spec.fields), std::move(spec.build),
                                              std::move(spec.update), parent);
}

std::unique_ptr<ConstructionDialog> MakeLightEditDialog(LightSource* light, Document& document,
                                                        QWidget* parent) {
  auto build = [light](ConstructionDialog& d) {
    Document& doc = d.document();
    const String name = NameOf(d);
    if (name != light->name && IsNameTaken(doc.scene(), name, NameKind::kLight)) {
      doc.prompter().Message(kLightNameTakenTitle, kLightNameTakenText);
      return false;
    }
    const LightDialogValues values = LightValues(d);
    SceneObject* edited = nullptr;
    doc.EditItem(light, QObject::tr("Edit %1").arg(Q(light->name)), [&](SceneObject& item) {
      auto& changed = static_cast<LightSource&>(item);
      changed.name = name;
      ApplyLightDialog(changed, values);
      changed.preview_dirty = 1;
      edited = &item;
      return true;
    });
    d.SetResult(CommandResult::Built(edited));
    return edited != nullptr;
  };
  return std::make_unique<ConstructionDialog>(
      document, "Lightsource", LightFields(Q(light->name), LightDialogValuesOf(*light)), build,
      &UpdateLight, parent);
}

bool RunConstruction(int id, Document& document, QWidget* parent) {
  Scene& scene = document.scene();
  SceneObject* current = document.currentObject();
  switch (id) {
    case kCmdPathFromMesh:
      return document
          .Construct(QObject::tr("New path"), [&] { return PathFromMesh(scene, current); })
          .ok();
    case kCmdPolygonFromPolygons:
      return document
          .Construct(
              QObject::tr("New polygon"),
              [&] { return PolygonFromTwoPolygons(scene, current, document.referenceObject()); })
          .ok();
    case kCmdPolygonFromPath: {
      auto* path = dynamic_cast<MeshObject*>(current);
      if (!path || !path->IsPath()) {
        // The command says what it needs before any name is asked for.
        return document
            .Construct(QObject::tr("New polygon"),
                       [&] { return PolygonFromPath(scene, current, String()); })
            .ok();
      }
      std::string name = ProposedPolygonName(scene).c_str();
      for (;;) {
        std::optional<std::string> answer = document.prompter().AskName(name);
        if (!answer) return false;
        name = *answer;
        const String safe = FileSafeName(String(name.c_str()), "Polygon");
        const CommandResult built = document.Construct(
            QObject::tr("New polygon"), [&] { return PolygonFromPath(scene, current, safe); });
        if (built.ok()) return true;
        if (built.text != kNameTakenText) return false;
      }
    }
    default: {
      std::unique_ptr<ConstructionDialog> dialog = MakeConstructionDialog(id, document, parent);
      return dialog && dialog->exec() == QDialog::Accepted;
    }
  }
}

}  // namespace orvane::editor
