#include "editor/view_editor.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

#include "editor/document.h"
#include "editor/item_edits.h"
#include "render/tracer.h"
#include "scene/camera.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane::editor {

namespace {

constexpr float kTiny = 1e-6f;
constexpr float kPickDistance = 10000.0f;

bool IsOrthographic(int mode) {
  return mode == kViewFront || mode == kViewTop || mode == kViewSide || mode == kViewFrontPlain;
}

// The two view-plane coordinates of `p` in an orthographic view (Front x, y; Top x, z; Side
// z, y).
void PlaneCoordinates(int mode, const Vec3& p, float* a, float* b) {
  switch (mode) {
    case kViewTop:
      *a = p.x;
      *b = p.z;
      break;
    case kViewSide:
      *a = p.z;
      *b = p.y;
      break;
    default:
      *a = p.x;
      *b = p.y;
      break;
  }
}

double PlaneDistance(int mode, const Vec3& p, const Vec3& q) {
  float pa, pb, qa, qb;
  PlaneCoordinates(mode, p, &pa, &pb);
  PlaneCoordinates(mode, q, &qa, &qb);
  return std::hypot(double(pa) - qa, double(pb) - qb);
}

// The mapping object a Texture-mode edit works on, or null.
SceneObject* MappingOf(SceneObject& item) {
  MeshObject* mesh = AsMesh(&item);
  return mesh ? mesh->mapping_object : nullptr;
}

// What a move, turn or scale changes in `mode` (not Points): the item, or in Texture mode its
// mapping object (null without one).
SceneObject* EditTarget(SceneObject& item, EditMode mode) {
  return mode == EditMode::kTexture ? MappingOf(item) : &item;
}

void PrepareObjects(const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (auto* object = dynamic_cast<SceneObject*>(n->item)) object->PrepareRender();
  }
}

// The undo step's text for a drag.
QString StepText(Operation operation, EditMode mode, const SceneObject& item) {
  const QString name = QString::fromUtf8(item.name.c_str());
  if (mode == EditMode::kPoints)
    return QCoreApplication::translate("ViewEditor", "Edit points of %1").arg(name);
  switch (operation) {
    case Operation::kRotate:
      return QCoreApplication::translate("ViewEditor", "Rotate %1").arg(name);
    case Operation::kScale:
      return QCoreApplication::translate("ViewEditor", "Scale %1").arg(name);
    case Operation::kMove:
      break;
  }
  return QCoreApplication::translate("ViewEditor", "Move %1").arg(name);
}

}  // namespace

Vec3 ScreenToWorld(const ViewGeometry& view, int mode, float x, float y, const Vec3& depth) {
  const double W = std::max(1, view.width);
  const double H = std::max(1, view.height);
  const double w = view.front_width;
  const double h = H * w / W;
  const double ws = view.side_width;
  const double hs = H * ws / W;
  Vec3 p = depth;
  switch (mode) {
    case kViewTop:
      p.x = static_cast<float>(view.centre[0] - w / 2 + x * w / W);
      p.z = static_cast<float>(view.centre[2] - h / 2 + h - y * h / H);
      break;
    case kViewSide:
      p.z = static_cast<float>(view.centre[2] - ws / 2 + x * ws / W);
      p.y = static_cast<float>(view.centre[1] - hs / 2 + hs - y * hs / H);
      break;
    default:
      p.x = static_cast<float>(view.centre[0] - w / 2 + x * w / W);
      p.y = static_cast<float>(view.centre[1] - h / 2 + h - y * h / H);
      break;
  }
  return p;
}

Ray PickRay(const Document& document, const ViewGeometry& view, float x, float y) {
  Ray ray;
  ray.length = std::numeric_limits<float>::max();
  ray.normalized = 1;
  const int mode = document.viewMode();
  if (IsOrthographic(mode)) {
    const Vec3 p = ScreenToWorld(view, mode, x, y, Vec3{0.0f, 0.0f, 0.0f});
    if (mode == kViewTop) {
      ray.origin = Vec3{p.x, kPickDistance, p.z};
      ray.direction = Vec3{0.0f, -1.0f, 0.0f};
    } else if (mode == kViewSide) {
      ray.origin = Vec3{kPickDistance, p.y, p.z};
      ray.direction = Vec3{-1.0f, 0.0f, 0.0f};
    } else {
      ray.origin = Vec3{p.x, p.y, -kPickDistance};
      ray.direction = Vec3{0.0f, 0.0f, 1.0f};
    }
    return ray;
  }
  // The inverse of the Camera view's projection: the pixel's direction in the eye space of
  // the perspective (field of view, aspect W / H), turned back by the camera's angles in the
  // reverse order, and z negated back into the world.
  const Camera& camera = *document.viewCamera();
  const double W = std::max(1, view.width);
  const double H = std::max(1, view.height);
  const double t = std::tan(camera.ViewAngle() * M_PI / 360.0);
  Vec3 d{static_cast<float>((2.0 * x / W - 1.0) * t * W / H),
         static_cast<float>((1.0 - 2.0 * y / H) * t), -1.0f};
  const Vec3& a = camera.placement.axis_deg;
  if (std::fabs(a.z) >= kTiny) d.RotateZDeg(-a.z);
  if (std::fabs(a.y) >= kTiny) d.RotateYDeg(-a.y);
  if (std::fabs(a.x) >= kTiny) d.RotateXDeg(-a.x);
  d.z = -d.z;
  d.Normalize();
  ray.origin = camera.placement.position;
  ray.direction = d;
  return ray;
}

ViewEditor::ViewEditor(Document& document, ViewGeometry& view) : document_(document), view_(view) {}

MeshObject* ViewEditor::PointsOf(SceneObject& item) const {
  MeshObject* mesh = AsMesh(&item);
  return mesh && !document_.selection().empty() ? mesh : nullptr;
}

bool ViewEditor::Orthographic() const {
  return IsOrthographic(document_.viewMode());
}

void ViewEditor::Press(int x, int y) {
  EditState& edit = document_.edit();
  const NavigationState& nav = document_.navigation();
  press_x_ = last_x_ = x;
  press_y_ = last_y_ = y;
  std::fill(std::begin(edit.raster_sum), std::end(edit.raster_sum), 0.0f);
  button_down_ = true;
  no_movement_yet_ = true;
  changed_ = false;
  SceneObject* current = document_.currentObject();
  if (current && nav.operation == Operation::kScale) {
    SceneObject* target = EditTarget(*current, edit.mode);
    if (!target) target = current;
    scale_centre_ = target->placement.position;
    target->SetScaleCenter(&scale_centre_);
    target->SetScale(1.0f, 1.0f, 1.0f);
  }
  MeshObject* mesh = AsMesh(current);
  if (edit.mode == EditMode::kPoints && mesh && edit.tool != PointTool::kAdd &&
      edit.tool != PointTool::kBorder && !(nav.frame == Frame::kCamera && Orthographic()) &&
      (edit.tool == PointTool::kSelect || document_.selection().empty())) {
    if (PickPoints(*mesh, x, y)) document_.NotifyEditState();
  }
}

bool ViewEditor::PickPoints(MeshObject& mesh, int x, int y) {
  const EditState& edit = document_.edit();
  PointSelection& selection = document_.selection();
  const int mode = document_.viewMode();
  const bool select = edit.tool == PointTool::kSelect;
  // The picked location: where the ray meets the mesh, or the point under the cursor.
  Vec3 picked;
  RayHit hit;
  if (Orthographic()) {
    picked = ScreenToWorld(view_, mode, float(x), float(y), Vec3{0.0f, 0.0f, 0.0f});
  } else {
    mesh.PrepareRender();
    if (!mesh.TraceNearest(PickRay(document_, view_, float(x), float(y)), -1.0f, &hit))
      return false;
    const Ray ray = PickRay(document_, view_, float(x), float(y));
    picked = ray.origin + ray.direction * hit.distance;
  }
  auto distance = [&](const Vec3& p) {
    return Orthographic() ? PlaneDistance(mode, p, picked) : Distance(p, picked);
  };
  if (edit.magnet) {
    if (!select) selection.Reset();
    const float r = edit.magnet_radius;
    for (uint32_t i = 0; i < mesh.point_count; ++i) {
      const double d = distance(mesh.points[i]);
      if (d < r && !selection.Contains(i))
        selection.Add(i, MagnetWeight(static_cast<float>(d), r, edit.falloff));
    }
    return true;
  }
  // The single nearest point: of the hit triangle's corners, or of all points in the plane.
  uint32_t best = 0;
  bool found = false;
  double best_distance = 0.0;
  auto consider = [&](uint32_t i) {
    if (i >= mesh.point_count) return;
    const double d = distance(mesh.points[i]);
    if (!found || d < best_distance) {
      best = i;
      best_distance = d;
      found = true;
    }
  };
  if (Orthographic()) {
    for (uint32_t i = 0; i < mesh.point_count; ++i) consider(i);
  } else if (hit.triangle < mesh.triangle_count) {
    const Triangle& t = mesh.triangles[hit.triangle];
    for (uint32_t i : {t.a, t.b, t.c}) consider(i);
  }
  if (!found) return false;
  if (!select) {
    selection.Reset();
    selection_started_ = true;
  }
  selection.Add(best, 1.0f);
  return true;
}

bool ViewEditor::PanOrZoom(int dx, int dy) {
  const NavigationState& nav = document_.navigation();
  if (nav.frame != Frame::kCamera || !Orthographic() || nav.operation == Operation::kRotate)
    return false;
  const int mode = document_.viewMode();
  const double W = std::max(1, view_.width);
  const double f = view_.front_width / W;
  const double s = view_.side_width / W;
  if (nav.operation == Operation::kMove) {
    if (mode == kViewSide) {
      view_.centre[2] = static_cast<float>(view_.centre[2] - dx * s);
      view_.centre[1] = static_cast<float>(view_.centre[1] + dy * s);
    } else {
      view_.centre[0] = static_cast<float>(view_.centre[0] - dx * f);
      const int second = mode == kViewTop ? 2 : 1;
      view_.centre[second] = static_cast<float>(view_.centre[second] + dy * f);
    }
  } else if (mode == kViewSide) {
    view_.side_width = static_cast<float>(std::fabs(view_.side_width - dx * s));
  } else {
    view_.front_width = static_cast<float>(std::fabs(view_.front_width - dx * f));
  }
  view_.projection_dirty = true;
  return true;
}

void ViewEditor::Move(int x, int y) {
  if (!button_down_) return;
  const int dx = x - last_x_;
  const int dy = y - last_y_;
  last_x_ = x;
  last_y_ = y;
  if (no_movement_yet_) {
    no_movement_yet_ = false;  // the first move only takes note of the position
    return;
  }
  if (PanOrZoom(dx, dy)) return;
  SceneObject* item = document_.currentObject();
  if (!item || (dx == 0 && dy == 0)) return;
  const EditState& edit = document_.edit();
  if (edit.mode == EditMode::kPoints &&
      (edit.tool == PointTool::kSelect || edit.tool == PointTool::kBorder ||
       edit.tool == PointTool::kAdd))
    return;  // the button selects or adds points; nothing moves
  // The drag's undo step begins with its first step; from then on the copy is edited.
  if (!document_.ItemEditOpen()) item = document_.BeginItemEdit(item);
  bool changed = false;
  switch (document_.navigation().operation) {
    case Operation::kMove:
      changed = MoveStep(*item, dx, dy);
      break;
    case Operation::kRotate:
      changed = RotateStep(*item, dx, dy);
      break;
    case Operation::kScale:
      changed = ScaleStep(*item, x);
      break;
  }
  if (!changed) return;
  changed_ = true;
  document_.NotifyItemChanged();
}

bool ViewEditor::MoveStep(SceneObject& item, int dx, int dy) {
  const NavigationState& nav = document_.navigation();
  EditState& edit = document_.edit();
  const int mode = document_.viewMode();
  const double W = std::max(1, view_.width);
  const double H = std::max(1, view_.height);
  // The object follows the mouse: right is the view's first axis growing, up its second.
  Vec3 step{0.0f, 0.0f, 0.0f};
  if (Orthographic()) {
    const double f = (mode == kViewSide ? view_.side_width : view_.front_width) / W;
    const float across = static_cast<float>(dx * f);
    const float up = static_cast<float>(-dy * f);
    if (mode == kViewTop) {
      if (nav.axis[0]) step.x = across;
      if (nav.axis[2]) step.z = up;
    } else if (mode == kViewSide) {
      if (nav.axis[2]) step.z = across;
      if (nav.axis[1]) step.y = up;
    } else {
      if (nav.axis[0]) step.x = across;
      if (nav.axis[1]) step.y = up;
    }
  } else {
    const Camera& camera = *document_.viewCamera();
    double D = Distance(item.placement.position, camera.placement.position);
    if (D < kTiny) D = item.placement.position.Length();
    const double a = camera.ViewAngle();
    const double across = a * D * dx / W * 0.025;
    const double up = -a * D * dy / H * (1.0 / 60.0);
    const Placement& frame = nav.frame == Frame::kCamera ? camera.placement : item.placement;
    const bool world = nav.frame == Frame::kWorld;
    const Vec3 x_axis = world ? Vec3{1.0f, 0.0f, 0.0f} : frame.axis_X;
    const Vec3 y_axis = world ? Vec3{0.0f, 1.0f, 0.0f} : frame.axis_Y;
    const Vec3 z_axis = world ? Vec3{0.0f, 0.0f, 1.0f} : frame.axis_Z;
    if (nav.axis[0]) step = step + x_axis * across;
    if (nav.axis[1]) {
      step = step + y_axis * up;
    } else if (nav.axis[2]) {
      step = step + z_axis * up;
    }
  }
  if (edit.raster) {
    step.x = RasterStep(step.x, &edit.raster_sum[0], edit.raster_size);
    step.y = RasterStep(step.y, &edit.raster_sum[1], edit.raster_size);
    step.z = RasterStep(step.z, &edit.raster_sum[2], edit.raster_size);
  }
  if (step.x == 0.0f && step.y == 0.0f && step.z == 0.0f) return false;
  if (edit.mode == EditMode::kPoints) {
    MeshObject* mesh = PointsOf(item);
    if (mesh) MovePoints(*mesh, document_.selection(), step);
    return mesh != nullptr;
  }
  if (edit.mode == EditMode::kTexture && !MappingOf(item)) return false;
  MoveItem(item, edit.mode, step);
  return true;
}

bool ViewEditor::RotateStep(SceneObject& item, int dx, int dy) {
  const NavigationState& nav = document_.navigation();
  EditState& edit = document_.edit();
  float ax = dy * 0.25f;
  float ay = dx * 0.25f;
  if (edit.raster) {
    ax = RasterStep(ax, &edit.raster_sum[0], edit.raster_size);
    ay = RasterStep(ay, &edit.raster_sum[1], edit.raster_size);
  }
  Vec3 turn{0.0f, 0.0f, 0.0f};
  if (nav.axis[0]) turn.x = ax;
  if (nav.axis[1]) {
    turn.y = ay;
  } else if (nav.axis[2] && item.GetType() != kItemCamera) {
    turn.z = ay;  // a camera has no roll by the mouse
  }
  if (turn.x == 0.0f && turn.y == 0.0f && turn.z == 0.0f) return false;
  if (edit.mode == EditMode::kPoints) {
    MeshObject* mesh = PointsOf(item);
    if (mesh) TurnPoints(*mesh, document_.selection(), turn);
    return mesh != nullptr;
  }
  SceneObject* target = EditTarget(item, edit.mode);
  if (!target) return false;
  const bool frame_only = edit.mode == EditMode::kAxis || target->GetType() == kItemCamera;
  SetItemAngles(*target, target->placement.axis_deg + turn, frame_only);
  item.preview_dirty = 1;
  return true;
}

bool ViewEditor::ScaleStep(SceneObject& item, int x) {
  const NavigationState& nav = document_.navigation();
  const EditState& edit = document_.edit();
  float f = static_cast<float>(1.0 + double(x - press_x_) / std::max(1, view_.width));
  if (edit.raster && edit.raster_size > 0.0f) f = f - std::fmod(f, edit.raster_size);
  Vec3 factors{nav.axis[0] ? f : 1.0f, nav.axis[1] ? f : 1.0f, nav.axis[2] ? f : 1.0f};
  if (edit.mode == EditMode::kPoints) {
    MeshObject* mesh = PointsOf(item);
    if (mesh) ScalePoints(*mesh, document_.selection(), factors);
    return mesh != nullptr;
  }
  if (edit.mode == EditMode::kAxis) return false;  // a pivot has no size
  SceneObject* target = EditTarget(item, edit.mode);
  if (!target) return false;
  target->SetScale(factors.x, factors.y, factors.z);
  target->preview_dirty = 1;
  item.preview_dirty = 1;
  return true;
}

void ViewEditor::FinishScale(SceneObject& item) {
  const EditState& edit = document_.edit();
  if (edit.mode == EditMode::kPoints) {
    document_.selection().scale = Vec3{1.0f, 1.0f, 1.0f};
    return;
  }
  SceneObject* target = EditTarget(item, edit.mode);
  if (!target) return;
  const bool unscaled = target->scale == Vec3{1.0f, 1.0f, 1.0f};
  if (target->GetType() == kItemCamera || target != &item ||
      (edit.mode == EditMode::kObject && !unscaled)) {
    target->ApplyScale();
    target->SetScale(1.0f, 1.0f, 1.0f);
    target->preview_dirty = 1;
    item.preview_dirty = 1;
  }
}

void ViewEditor::Pick(int x, int y) {
  Scene& scene = document_.scene();
  PrepareObjects(scene.objects);
  Tracer tracer(scene);
  Ray ray = PickRay(document_, view_, float(x), float(y));
  if (SceneObject* hit = tracer.FindNearestHit(ray, nullptr, false)) document_.SetCurrent(hit);
}

void ViewEditor::AddPathPoint(MeshObject& path, int x, int y, bool ctrl) {
  if (!Orthographic() || path.point_count == 0) return;
  const uint32_t n = path.point_count;
  const Vec3 neighbour = ctrl ? path.points[0] : path.points[n - 1];
  const Vec3 p = ScreenToWorld(view_, document_.viewMode(), float(x), float(y), neighbour);
  if (!path.AppendPoint(p)) return;
  if (ctrl) {
    std::rotate(path.points, path.points + n, path.points + n + 1);
  }
  path.Refresh();
  path.preview_dirty = 1;
  changed_ = true;
}

void ViewEditor::SelectInBorder(MeshObject& mesh) {
  if (!Orthographic()) return;
  const int mode = document_.viewMode();
  const Vec3 a = ScreenToWorld(view_, mode, float(press_x_), float(press_y_), Vec3{});
  const Vec3 b = ScreenToWorld(view_, mode, float(last_x_), float(last_y_), Vec3{});
  float a0, a1, b0, b1;
  PlaneCoordinates(mode, a, &a0, &a1);
  PlaneCoordinates(mode, b, &b0, &b1);
  const float lo0 = std::min(a0, b0), hi0 = std::max(a0, b0);
  const float lo1 = std::min(a1, b1), hi1 = std::max(a1, b1);
  PointSelection& selection = document_.selection();
  for (uint32_t i = 0; i < mesh.point_count; ++i) {
    float p0, p1;
    PlaneCoordinates(mode, mesh.points[i], &p0, &p1);
    if (p0 >= lo0 && p0 <= hi0 && p1 >= lo1 && p1 <= hi1) selection.Add(i, 1.0f);
  }
  document_.NotifyEditState();
}

void ViewEditor::Release(int x, int y, bool ctrl) {
  if (!button_down_) return;
  const EditState& edit = document_.edit();
  const NavigationState& nav = document_.navigation();
  SceneObject* item = document_.currentObject();
  const bool click = no_movement_yet_;
  if (click && edit.mode != EditMode::kPoints) {
    Pick(x, y);
    item = nullptr;
  }
  if (item && nav.operation == Operation::kScale && changed_) FinishScale(*item);
  button_down_ = false;
  if (selection_started_ || edit.tool == PointTool::kAdd) {
    selection_started_ = false;
    document_.selection().Reset();
    document_.NotifyEditState();
  }
  MeshObject* mesh = AsMesh(item);
  if (edit.mode == EditMode::kPoints && mesh) {
    if (edit.tool == PointTool::kAdd && mesh->IsPath() && Orthographic()) {
      if (!document_.ItemEditOpen()) item = mesh = AsMesh(document_.BeginItemEdit(mesh));
      AddPathPoint(*mesh, x, y, ctrl);
    }
    if (edit.tool == PointTool::kBorder) SelectInBorder(*mesh);
  }
  if (item && document_.ItemEditOpen()) {
    document_.EndItemEdit(StepText(nav.operation, edit.mode, *item), changed_);
  }
  changed_ = false;
}

bool ViewEditor::BorderRectangle(int* x0, int* y0, int* x1, int* y1) const {
  if (!button_down_ || document_.edit().mode != EditMode::kPoints ||
      document_.edit().tool != PointTool::kBorder)
    return false;
  *x0 = press_x_;
  *y0 = press_y_;
  *x1 = last_x_;
  *y1 = last_y_;
  return true;
}

}  // namespace orvane::editor
