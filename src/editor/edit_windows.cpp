#include "editor/edit_windows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <span>

#include "editor/document.h"
#include "editor/item_edits.h"
#include "editor/tool_window.h"
#include "modelling/object_edits.h"
#include "scene/camera.h"
#include "scene/mesh_object.h"

namespace orvane::editor {

namespace {

constexpr const char* kNoObjectTitle = "Hinweis";
constexpr const char* kNoObjectText =
    "Es ist kein Objekt ausgewählt auf das diese Funktion wirken könnte.";

QPushButton* Button(const char* text, QWidget* parent, bool checkable) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromUtf8(text));
  button->setCheckable(checkable);
  button->setAutoDefault(false);
  return button;
}

QString Format(double value) {
  return QString::asprintf("%g", value);
}

// The text of a field read like C's atof: what does not start with a number counts as 0.
double AtoF(const QLineEdit* field) {
  return std::atof(field->text().toLocal8Bit().constData());
}

// Shows a refusal of an object edit.
void ShowRefusal(Document& document, const CommandResult& result) {
  if (!result.HasMessage()) return;
  document.prompter().Message(result.title.c_str(), result.text.c_str(), MessageButtons::kOk,
                              MessageIcon::kNone);
}

// Runs an object edit on the current object as one undo step; refusals are shown and change
// nothing. Without a current object the command itself says what it needs.
void RunEdit(Document& document, const QString& text,
             const std::function<CommandResult(SceneObject*)>& command) {
  SceneObject* current = document.currentObject();
  if (!current) {
    ShowRefusal(document, command(nullptr));
    return;
  }
  CommandResult result;
  document.EditItem(current, text.arg(current->name.c_str()), [&](SceneObject& edited) {
    result = command(&edited);
    return result.ok() && !result.HasMessage();
  });
  ShowRefusal(document, result);
  document.NotifyEditState();
}

// ---- Navigation ------------------------------------------------------------------------------

class NavigationWindow : public ToolWindow {
 public:
  NavigationWindow(Document& document, QWidget* parent)
      : ToolWindow(QStringLiteral("Navigation"), parent), document_(document) {
    auto* layout = new QGridLayout(this);
    const char* operations[] = {"move", "rotate", "scal"};
    const char* frames[] = {"Object", "World", "Camera"};
    const char* axes[] = {"X", "Y", "Z"};
    auto* operation_group = new QButtonGroup(this);
    auto* frame_group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
      operation_[i] = Button(operations[i], this, true);
      frame_[i] = Button(frames[i], this, true);
      axis_[i] = Button(axes[i], this, true);
      operation_group->addButton(operation_[i], i + 1);
      frame_group->addButton(frame_[i], i);
      layout->addWidget(operation_[i], 0, i);
      layout->addWidget(frame_[i], 1, i);
      layout->addWidget(axis_[i], 2, i);
      connect(axis_[i], &QPushButton::toggled, this, [this, i](bool on) {
        document_.navigation().axis[i] = on;
        document_.NotifyEditState();
      });
    }
    connect(operation_group, &QButtonGroup::idClicked, this, [this](int id) {
      document_.navigation().operation = static_cast<Operation>(id);
      document_.NotifyEditState();
    });
    connect(frame_group, &QButtonGroup::idClicked, this, [this](int id) {
      document_.navigation().frame = static_cast<Frame>(id);
      document_.NotifyEditState();
    });
    for (auto signal :
         {&Document::viewModeChanged, &Document::currentChanged, &Document::editStateChanged})
      connect(&document_, signal, this, &NavigationWindow::Refresh);
    Refresh();
  }

 private:
  void Refresh() {
    const NavigationState& nav = document_.navigation();
    for (int i = 0; i < 3; ++i) {
      const QSignalBlocker block(axis_[i]);
      operation_[i]->setChecked(static_cast<int>(nav.operation) == i + 1);
      frame_[i]->setChecked(static_cast<int>(nav.frame) == i);
      axis_[i]->setChecked(nav.axis[i]);
    }
    const bool rotate = nav.operation == Operation::kRotate;
    frame_[0]->setEnabled(!rotate);
    frame_[1]->setEnabled(!rotate);
    frame_[2]->setEnabled(
        !rotate && !(nav.operation == Operation::kScale && document_.viewMode() == kViewCamera));
  }

  Document& document_;
  QPushButton* operation_[3];
  QPushButton* frame_[3];
  QPushButton* axis_[3];
};

// ---- Edit-Control ----------------------------------------------------------------------------

class EditControl : public ToolWindow {
 public:
  EditControl(Document& document, QWidget* parent)
      : ToolWindow(QStringLiteral("Edit-Control"), parent), document_(document) {
    auto* layout = new QVBoxLayout(this);
    auto* modes = new QGridLayout;
    auto* mode_group = new QButtonGroup(this);
    const char* names[] = {"Object", "Axis", "Points", "Texture"};
    for (int i = 0; i < 4; ++i) {
      mode_[i] = Button(names[i], this, true);
      mode_group->addButton(mode_[i], i + 1);
      modes->addWidget(mode_[i], i / 2, i % 2);
    }
    layout->addLayout(modes);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);
    connect(mode_group, &QButtonGroup::idClicked, this, &EditControl::SetMode);

    QWidget* object = AddPage();
    Connect(Button("look at", object, false), [this] { LookAt(); });
    Connect(Button("equalize", object, false), [this] {
      RunEdit(document_, tr("Equalize %1"), [this](SceneObject* item) {
        return EqualizeToReference(item, document_.referenceObject());
      });
    });
    QWidget* axis = AddPage();
    Connect(Button("center", axis, false), [this] {
      RunEdit(document_, tr("Center the axis of %1"),
              [](SceneObject* item) { return item ? CenterAxis(item) : CommandResult(); });
    });
    Connect(Button("look at", axis, false), [] {});  // a pivot is not turned
    QWidget* points = AddPage();
    const char* tools[] = {"select", "add", "sel. border"};
    for (int i = 0; i < 3; ++i) {
      tool_[i] = Button(tools[i], points, true);
      Connect(tool_[i], [this, i] { SetTool(i); });
    }
    subdivide_ = Button("subdivide", points, false);
    Connect(subdivide_, [this] { Subdivide(); });
    drag_ = Button("drag", points, false);
    Connect(drag_, [this] {
      RunEdit(document_, tr("Drag points of %1"), [this](SceneObject* item) {
        return DragPoints(item, std::span<uint32_t>(document_.selection().points()));
      });
    });
    QWidget* texture = AddPage();
    sphere_ = Button("Sphere", texture, true);
    plane_ = Button("Plane", texture, true);
    Connect(sphere_, [this] { Mapping(MappingKind::kSphere); });
    Connect(plane_, [this] { Mapping(MappingKind::kPlane); });
    Connect(Button("equalize", texture, false), [this] {
      RunEdit(document_, tr("Fit the mapping of %1"),
              [](SceneObject* item) { return EqualizeMapping(item); });
    });
    auto* cylinder = Button("Zyl.", texture, false);
    cylinder->setEnabled(false);
    Connect(cylinder, [this] {
      if (!document_.currentObject())
        document_.prompter().Message(kNoObjectTitle, kNoObjectText, MessageButtons::kOk,
                                     MessageIcon::kNone);
    });

    for (auto signal : {&Document::viewModeChanged, &Document::currentChanged,
                        &Document::editStateChanged, &Document::itemChanged})
      connect(&document_, signal, this, &EditControl::Refresh);
    Refresh();
  }

 private:
  QWidget* AddPage() {
    auto* page = new QWidget(pages_);
    new QVBoxLayout(page);
    pages_->addWidget(page);
    return page;
  }
  void Connect(QPushButton* button, const std::function<void()>& action) {
    button->parentWidget()->layout()->addWidget(button);
    connect(button, &QPushButton::clicked, this, action);
  }

  void SetMode(int mode) {
    EditState& edit = document_.edit();
    edit.mode = static_cast<EditMode>(mode);
    if (edit.mode == EditMode::kPoints)
      edit.tool = document_.selection().empty() ? PointTool::kSelect : PointTool::kNone;
    document_.NotifyEditState();
  }

  // The point tools exclude each other; clicking the one that is on turns it off.
  void SetTool(int index) {
    EditState& edit = document_.edit();
    const auto tool = static_cast<PointTool>(index + 1);
    edit.tool = edit.tool == tool ? PointTool::kNone : tool;
    document_.NotifyEditState();
  }

  void LookAt() {
    const EditMode mode = document_.edit().mode;
    if (mode == EditMode::kAxis) return;
    RunEdit(document_, tr("Turn %1 to the reference"), [this, mode](SceneObject* item) {
      return LookAtReference(item, document_.referenceObject(), mode);
    });
  }

  void Subdivide() {
    std::vector<uint32_t> added;
    const std::vector<uint32_t> selected = document_.selection().points();
    RunEdit(document_, tr("Subdivide %1"),
            [&](SceneObject* item) { return SubdividePoints(item, selected, &added); });
    for (uint32_t point : added) document_.selection().Add(point, 1.0f);
    document_.NotifyEditState();
  }

  void Mapping(MappingKind kind) {
    RunEdit(document_, tr("Mapping of %1"), [this, kind](SceneObject* item) {
      return ChooseMapping(item, kind, document_.sink());
    });
    Refresh();
  }

  void Refresh() {
    const EditState& edit = document_.edit();
    const int mode = static_cast<int>(edit.mode);
    for (int i = 0; i < 4; ++i) mode_[i]->setChecked(mode == i + 1);
    pages_->setCurrentIndex(mode - 1);
    MeshObject* mesh = AsMesh(document_.currentObject());
    for (int i = 0; i < 3; ++i) tool_[i]->setChecked(static_cast<int>(edit.tool) == i + 1);
    tool_[0]->setEnabled(mesh);
    tool_[1]->setEnabled(mesh && mesh->IsPath());
    tool_[2]->setEnabled(mesh && document_.viewMode() != kViewCamera);
    subdivide_->setEnabled(mesh);
    drag_->setEnabled(mesh);
    const MappingKind mapping = mesh ? CurrentMapping(*mesh) : MappingKind::kNone;
    sphere_->setChecked(mapping == MappingKind::kSphere);
    plane_->setChecked(mapping == MappingKind::kPlane);
  }

  Document& document_;
  QPushButton* mode_[4];
  QStackedWidget* pages_;
  QPushButton* tool_[3];
  QPushButton* subdivide_;
  QPushButton* drag_;
  QPushButton* sphere_;
  QPushButton* plane_;
};

// ---- Coordinate-Control ----------------------------------------------------------------------

class CoordinateControl : public ToolWindow {
 public:
  CoordinateControl(Document& document, QWidget* parent)
      : ToolWindow(QStringLiteral("Coordinate-Control"), parent), document_(document) {
    auto* layout = new QGridLayout(this);
    const char* labels[] = {"Position X", "Y", "Z", "Angle x", "y", "z"};
    const char* names[] = {"Position X", "Position Y", "Position Z",
                           "Angle x",    "Angle y",    "Angle z"};
    for (int i = 0; i < 6; ++i) {
      layout->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), i % 3, (i / 3) * 2);
      fields_[i] = Field(names[i]);
      layout->addWidget(fields_[i], i % 3, (i / 3) * 2 + 1);
    }
    raster_ = new QCheckBox(QStringLiteral("Raster"), this);
    raster_->setObjectName(QStringLiteral("Raster"));
    raster_size_ = Field("Raster size");
    magnet_ = new QCheckBox(QStringLiteral("Magnet"), this);
    magnet_->setObjectName(QStringLiteral("Magnet"));
    magnet_radius_ = Field("Magnet radius");
    camera_angle_ = Field("Camera- Angle");
    layout->addWidget(raster_, 3, 0);
    layout->addWidget(raster_size_, 3, 1);
    layout->addWidget(magnet_, 3, 2);
    layout->addWidget(magnet_radius_, 3, 3);
    layout->addWidget(new QLabel(QStringLiteral("Camera- Angle"), this), 4, 0);
    layout->addWidget(camera_angle_, 4, 1);
    connect(raster_, &QCheckBox::toggled, this, [this](bool on) {
      document_.edit().raster = on;
      document_.NotifyEditState();
    });
    connect(magnet_, &QCheckBox::toggled, this, [this](bool on) {
      document_.edit().magnet = on;
      document_.NotifyEditState();
    });
    for (auto signal : {&Document::currentChanged, &Document::itemChanged, &Document::sceneChanged})
      connect(&document_, signal, this, &CoordinateControl::Show);
    raster_size_->setText(Format(document_.edit().raster_size));
    magnet_radius_->setText(Format(document_.edit().magnet_radius));
    Show();
  }

 private:
  QLineEdit* Field(const char* name) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromUtf8(name));
    connect(field, &QLineEdit::returnPressed, this, &CoordinateControl::Apply);
    return field;
  }

  // Shows the current object's coordinates; what is nearly 0 becomes exactly 0.
  void Show() {
    SceneObject* item = document_.currentObject();
    const QSignalBlocker raster_block(raster_);
    const QSignalBlocker magnet_block(magnet_);
    raster_->setChecked(document_.edit().raster);
    magnet_->setChecked(document_.edit().magnet);
    if (!item) {
      for (QLineEdit* field : fields_) field->setText(QStringLiteral("0"));
      camera_angle_->clear();
      return;
    }
    float* values[6] = {&item->placement.position.x, &item->placement.position.y,
                        &item->placement.position.z, &item->placement.axis_deg.x,
                        &item->placement.axis_deg.y, &item->placement.axis_deg.z};
    for (int i = 0; i < 6; ++i) {
      if (std::fabs(*values[i]) < 1e-6f) *values[i] = 0.0f;
      fields_[i]->setText(Format(*values[i]));
    }
    if (item->GetType() == kItemCamera) {
      camera_angle_->setText(Format(static_cast<Camera*>(item)->ViewAngle()));
    } else {
      camera_angle_->clear();
    }
  }

  void Apply() {
    EditState& edit = document_.edit();
    edit.magnet_radius = static_cast<float>(std::fabs(AtoF(magnet_radius_)));
    edit.raster_size = static_cast<float>(std::fabs(AtoF(raster_size_)));
    magnet_radius_->setText(Format(edit.magnet_radius));
    raster_size_->setText(Format(edit.raster_size));
    SceneObject* item = document_.currentObject();
    if (!item) return;
    const Vec3 position{static_cast<float>(AtoF(fields_[0])), static_cast<float>(AtoF(fields_[1])),
                        static_cast<float>(AtoF(fields_[2]))};
    const Vec3 angles{static_cast<float>(AtoF(fields_[3])), static_cast<float>(AtoF(fields_[4])),
                      static_cast<float>(AtoF(fields_[5]))};
    const double view_angle = AtoF(camera_angle_);
    const bool camera = item->GetType() == kItemCamera;
    const bool set_view_angle = camera && !camera_angle_->text().trimmed().isEmpty() &&
                                view_angle > 0.0 && view_angle < 180.0;
    document_.EditItem(item, tr("Coordinates of %1").arg(item->name.c_str()),
                       [&](SceneObject& edited) {
                         return Place(edited, position, angles, set_view_angle, view_angle);
                       });
    Show();
  }

  bool Place(SceneObject& item, const Vec3& position, const Vec3& angles, bool set_view_angle,
             double view_angle) {
    const EditMode mode = document_.edit().mode;
    bool changed = false;
    const Vec3 step = position - item.placement.position;
    if (!(step == Vec3{0.0f, 0.0f, 0.0f})) {
      MoveItem(item, mode == EditMode::kPoints ? EditMode::kObject : mode, step);
      changed = true;
    }
    if (!(angles == item.placement.axis_deg)) {
      SetItemAngles(item, angles, mode == EditMode::kAxis || item.GetType() == kItemCamera);
      changed = true;
    }
    if (set_view_angle) {
      // The inverse of the view angle: focal = 120 / tan(angle / 2), and the zoom that gives
      // this focal length for the camera's picture width.
      auto& camera = static_cast<Camera&>(item);
      const double focal = 120.0 / std::tan(view_angle * M_PI / 360.0);
      const double zoom = focal * 320.0 / (2.0 * camera.HalfWidth());
      if (std::isfinite(zoom) && std::fabs(camera.ViewAngle() - view_angle) > 1e-4) {
        camera.SetZoom(static_cast<float>(zoom));
        changed = true;
      }
    }
    return changed;
  }

  Document& document_;
  QLineEdit* fields_[6];
  QCheckBox* raster_;
  QLineEdit* raster_size_;
  QCheckBox* magnet_;
  QLineEdit* magnet_radius_;
  QLineEdit* camera_angle_;
};

}  // namespace

ToolWindow* MakeNavigationWindow(Document& document, QWidget* parent) {
  return new NavigationWindow(document, parent);
}
ToolWindow* MakeEditControl(Document& document, QWidget* parent) {
  return new EditControl(document, parent);
}
ToolWindow* MakeCoordinateControl(Document& document, QWidget* parent) {
  return new CoordinateControl(document, parent);
}

}  // namespace orvane::editor
