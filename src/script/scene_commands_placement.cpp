// Placement parameters: where an item sits, how it is turned and its shadow flags. Accepted in
// group, sphere, plane, trimesh, construct, light and camera blocks and as member statements.

#include "script/scene_commands.h"

#include "scene/group_object.h"
#include "scene/ray.h"
#include "scene/scene_object.h"

namespace orvane::scene_commands {

namespace {

using Kind = PlacementStep::Kind;

// How a placement keyword's value is read.
enum class Form {
  kVector,        // keyword <x,y,z>
  kFlag,          // keyword <b>
  kVisible,       // is_visible <b>: read, no effect, a warning
  kPhong,         // use_phong <b>, then always a warning
  kRotate,        // rotate_A [OBJ|WORLD] <deg>
  kRotateAround,  // rotate_A_around <x,y,z> <deg>
};

struct PlacementWord {
  const char* word;
  Kind kind;
  int axis;
  Form form;
};

const PlacementWord kPlacementWords[] = {
    {"position", Kind::kPosition, 0, Form::kVector},  // position <x,y,z>
    {"axis_deg", Kind::kAxisDeg, 0, Form::kVector},   // axis_deg <x,y,z>
    {"axis_X", Kind::kAxis, 0, Form::kVector},        // axis_X <x,y,z>
    {"axis_Y", Kind::kAxis, 1, Form::kVector},
    {"axis_Z", Kind::kAxis, 2, Form::kVector},
    {"has_shadow", Kind::kHasShadow, 0, Form::kFlag},    // has_shadow <b>
    {"gets_shadow", Kind::kGetsShadow, 0, Form::kFlag},  // gets_shadow <b>
    {"is_visible", Kind::kNone, 0, Form::kVisible},      // is_visible <b>
    {"use_phong", Kind::kUsePhong, 0, Form::kPhong},     // use_phong <b>
    {"normal", Kind::kNormal, 0, Form::kVector},         // normal <x,y,z>
    {"look_at", Kind::kLookAt, 0, Form::kVector},        // look_at <x,y,z>
    {"view", Kind::kView, 0, Form::kVector},             // view <x,y,z>
    {"move", Kind::kMove, 0, Form::kVector},             // move <dx,dy,dz>
    {"rotate_X", Kind::kRotateWorld, 0, Form::kRotate},  // rotate_X [OBJ|WORLD] <deg>
    {"rotate_Y", Kind::kRotateWorld, 1, Form::kRotate},
    {"rotate_Z", Kind::kRotateWorld, 2, Form::kRotate},
    {"rotate_X_around", Kind::kRotateAround, 0, Form::kRotateAround},  // ... <x,y,z> <deg>
    {"rotate_Y_around", Kind::kRotateAround, 1, Form::kRotateAround},
    {"rotate_Z_around", Kind::kRotateAround, 2, Form::kRotateAround},
};

// Euler order codes that turn about one world axis alone.
constexpr int kSingleAxisOrder[3] = {MakeEulerOrder(1, 0, 0), MakeEulerOrder(0, 1, 0),
                                     MakeEulerOrder(0, 0, 1)};

Vec3 OnAxis(int axis, float degrees) {
  Vec3 v;
  (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = degrees;
  return v;
}

Vec3& AxisOf(Placement& p, int axis) {
  return axis == 0 ? p.axis_X : axis == 1 ? p.axis_Y : p.axis_Z;
}

// [OBJ|WORLD] <deg>
void ReadRotation(BlockReader& b, PlacementStep* step) {
  String token = b.Next();
  if (b.Is(TokenReader::kWord)) {
    if (token == "OBJ") {
      step->kind = Kind::kRotateObject;
    } else if (token != "WORLD") {
      b.Warning("): unknown parameter.\n");
    }
    if (!b.Value()) {
      step->kind = Kind::kNone;
      return;
    }
  } else if (!b.Is(TokenReader::kValue)) {
    if (b.Is(TokenReader::kOpenBrace) || b.Is(TokenReader::kCloseBrace)) b.reader.PushBack(token);
    step->kind = Kind::kNone;
    return;
  }
  step->degrees = b.Float(1);
}

// <x,y,z> <deg>
void ReadRotationAround(BlockReader& b, PlacementStep* step) {
  if (!b.Value()) {
    step->kind = Kind::kNone;
    return;
  }
  step->vector = b.Vector();
  if (!b.Value()) {
    b.Warning("): degree-definiton expected. \n");
    step->kind = Kind::kNone;
    return;
  }
  step->degrees = b.Float(1);
}

}  // namespace

bool ReadPlacement(BlockReader& b, const String& word, PlacementStep* step) {
  const PlacementWord* entry = nullptr;
  for (const PlacementWord& candidate : kPlacementWords) {
    if (word == candidate.word) entry = &candidate;
  }
  if (!entry) return false;
  *step = PlacementStep{};
  step->kind = entry->kind;
  step->axis = entry->axis;
  // The rotations read their own values; for the other keywords a missing value changes
  // nothing.
  const bool has_value =
      entry->form == Form::kRotate || entry->form == Form::kRotateAround || b.Value();
  if (!has_value) step->kind = Kind::kNone;
  switch (entry->form) {
    case Form::kVector:
      if (has_value) step->vector = b.Vector();
      break;
    case Form::kFlag:
      if (has_value) step->flag = b.Flag();
      break;
    case Form::kVisible:
      step->kind = Kind::kNone;
      b.Warning("): is_visible has no effect. (in this version)\n");
      break;
    case Form::kPhong:
      if (has_value) step->flag = b.Flag();
      b.Warning("): use_phong\n");
      break;
    case Form::kRotate:
      ReadRotation(b, step);
      break;
    case Form::kRotateAround:
      ReadRotationAround(b, step);
      break;
  }
  return true;
}

void ApplyPlacement(const PlacementStep& step, SceneObject& item) {
  Placement& p = item.placement;
  switch (step.kind) {
    case Kind::kNone:
      break;
    case Kind::kPosition:
      p.position = step.vector;
      break;
    case Kind::kAxisDeg:
      p.axis_deg = step.vector;
      break;
    case Kind::kAxis:
      AxisOf(p, step.axis) = step.vector;
      break;
    case Kind::kHasShadow:
      item.SetFlag(kHasShadow, step.flag);
      break;
    case Kind::kGetsShadow:
      item.SetFlag(kGetsShadow, step.flag);
      break;
    case Kind::kUsePhong:
      item.SetFlag(kUsePhong, step.flag);
      break;
    case Kind::kNormal: {
      Vec3 direction = step.vector;
      item.PointAlong(direction.Normalize());
      break;
    }
    case Kind::kLookAt:
      item.LookAt(step.vector);
      break;
    case Kind::kView:
      item.PointAlong(step.vector);
      break;
    case Kind::kMove: {
      Ray move;
      move.length = 1.0f;
      move.direction = step.vector;
      item.Move(move);
      break;
    }
    case Kind::kRotateWorld:
      item.RotateAxesEuler(OnAxis(step.axis, -step.degrees), kSingleAxisOrder[step.axis]);
      break;
    case Kind::kRotateObject: {
      const Vec3 axis = AxisOf(p, step.axis);  // a copy: the turn changes the axes
      item.RotateAxesAboutAxis(-step.degrees, axis);
      break;
    }
    case Kind::kRotateAround:
      item.RotateEuler(OnAxis(step.axis, step.degrees), step.vector, kSingleAxisOrder[step.axis]);
      break;
  }
  item.preview_dirty = 1;
}

bool PlacementParameter(BlockReader& b, SceneObject& item, const String& word) {
  PlacementStep step;
  if (!ReadPlacement(b, word, &step)) return false;
  ApplyPlacement(step, item);
  return true;
}

Param GroupParameter(BlockReader& b, GroupObject& group, const String& word) {
  return PlacementParameter(b, group, word) ? Param::kDone : Param::kUnknown;
}

}  // namespace orvane::scene_commands
