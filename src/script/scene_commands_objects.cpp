// Group, sphere and plane blocks.

#include <memory>
#include <ostream>

#include "foundation/error_output.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

// While a group's block is read: one nesting level more, and the group is open.
class OpenGroup {
 public:
  OpenGroup(CommandState& state, GroupObject& group) : state_(state) {
    ++state_.nesting;
    state_.open_groups.push_back(&group);
  }
  ~OpenGroup() {
    state_.open_groups.pop_back();
    --state_.nesting;
  }
  OpenGroup(const OpenGroup&) = delete;
  OpenGroup& operator=(const OpenGroup&) = delete;

 private:
  CommandState& state_;
};

// The statements of a group's block: placement parameters are applied to the group; any other
// token starts a nested run of statements whose new objects go into the group, which returns
// after each item block (or at the group's `}`), so parameters may follow again.
int ObjectBody(BlockReader& b, GroupObject& group) {
  OpenGroup open(b.state, group);
  const int16_t outer_mode = b.scene.paramMode;
  int result = 0;
  for (;;) {
    b.scene.paramMode = 1;
    String token = b.Next();
    if (b.Is(TokenReader::kCloseBrace)) break;
    if (b.AtEnd()) {
      b.Error("): reached end of file and missed '}'.\n");
      result = -1;
      break;
    }
    if (b.Is(TokenReader::kNoToken)) continue;  // a broken token: the reader has reported it
    if (b.Is(TokenReader::kWord) && PlacementParameter(b, group, token)) continue;
    b.scene.paramMode = 0;
    b.reader.PushBack(token);
    if (b.in.Run(nullptr, &group) < 0) {
      result = -1;
      break;
    }
  }
  b.scene.paramMode = outer_mode;
  return result;
}

// Creates a T named by the header, reads its block with `parameter` and inserts it.
template <class T>
int ObjectItem(BlockReader& b, const BlockHeader& h,
               Param (*parameter)(BlockReader& b, T& item, const String& word)) {
  std::unique_ptr<T> item(TryNew<T>());
  if (!item) {
    ErrorOutput() << "ERROR: Could not allocate the object.\n";
    return -1;
  }
  item->name = h.name;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters([&](const String& token) { return parameter(b, *item, token); });
  }
  if (!InsertObject(b, item.release(), h.count)) return -1;
  return end == End::kClosed ? 0 : -1;
}

// radius <r>
Param SphereRadius(BlockReader& b, MathSphere& sphere) {
  if (b.Value()) sphere.SetRadius(b.Float(1));
  return Param::kDone;
}

Param SphereMaterial(BlockReader& b, MathSphere& sphere) {
  return ObjectMaterial(b, sphere);
}

const Keyword<MathSphere> kSphereKeywords[] = {
    {"radius", SphereRadius},      // radius <r>
    {"material", SphereMaterial},  // material name
};

// radius_X <r> | radius_Y <r>: the other half extent follows a 0 one, making a circle.
void SetPlaneRadius(MathPlane& plane, int axis, float r) {
  bool (MathPlane::*set_this)(float) = axis == 0 ? &MathPlane::SetRadiusX : &MathPlane::SetRadiusY;
  bool (MathPlane::*set_other)(float) = axis == 0 ? &MathPlane::SetRadiusY : &MathPlane::SetRadiusX;
  if (!(plane.*set_this)(r)) return;
  const float other = axis == 0 ? plane.radius_Y() : plane.radius_X();
  if (other == 0.0f) {
    (plane.*set_other)(r);
    plane.SetPlaneType(kPlaneCircle);
  } else {
    plane.SetPlaneType(kPlaneEllipse);
  }
}

Param PlaneRadiusX(BlockReader& b, MathPlane& plane) {
  if (b.Value()) SetPlaneRadius(plane, 0, b.Float(1));
  return Param::kDone;
}

Param PlaneRadiusY(BlockReader& b, MathPlane& plane) {
  if (b.Value()) SetPlaneRadius(plane, 1, b.Float(1));
  return Param::kDone;
}

struct PlaneTypeWord {
  const char* word;
  int type;
};
const PlaneTypeWord kPlaneTypes[] = {
    {"infinite", kPlaneInfinite},
    {"circle", kPlaneCircle},
    {"rectangle", kPlaneRectangle},
    {"ellipse", kPlaneEllipse},
};

// type circle | rectangle | ellipse | infinite
Param PlaneType(BlockReader& b, MathPlane& plane) {
  String word;
  if (!b.Word(&word)) return Param::kDone;
  for (const PlaneTypeWord& type : kPlaneTypes) {
    if (word == type.word) {
      plane.SetPlaneType(type.type);
      return Param::kDone;
    }
  }
  b.SyntaxError("): wrong plane-type assignment.\n");
  return Param::kDone;
}

Param PlaneSingleSide(BlockReader&, MathPlane& plane) {
  plane.set_single_sided(1);
  return Param::kDone;
}

Param PlaneDoubleSide(BlockReader&, MathPlane& plane) {
  plane.set_single_sided(0);
  return Param::kDone;
}

Param PlaneMaterial(BlockReader& b, MathPlane& plane) {
  return ObjectMaterial(b, plane);
}

const Keyword<MathPlane> kPlaneKeywords[] = {
    {"radius_X", PlaneRadiusX},        // radius_X <r>
    {"radius_Y", PlaneRadiusY},        // radius_Y <r>
    {"type", PlaneType},               // type circle | rectangle | ellipse | infinite
    {"single_side", PlaneSingleSide},  // single_side
    {"double_side", PlaneDoubleSide},  // double_side
    {"material", PlaneMaterial},       // material name
};

}  // namespace

// object [name | name[n]] { placement parameters and statements }
int ObjectBlock(BlockReader& b, const BlockHeader& h) {
  if (!h.open) return -1;  // the run ends here, without a diagnostic
  if (b.state.nesting >= SceneCommands::kMaxNesting) {
    String limit;
    limit.Str(SceneCommands::kMaxNesting);
    b.Error((String("): object blocks nested deeper than ") + limit + " levels.\n").c_str());
    return -1;
  }
  std::unique_ptr<GroupObject> group(TryNew<GroupObject>());
  if (!group) {
    ErrorOutput() << "ERROR: Could not allocate the group.\n";
    return -1;
  }
  group->name = h.name;
  const int result = ObjectBody(b, *group);
  // What the block built stays, also when it ended in an error.
  if (!InsertObject(b, group.release(), h.count)) return -1;
  return result;
}

// sphere [name] { radius <r> material name placement }
int SphereBlock(BlockReader& b, const BlockHeader& h) {
  return ObjectItem(b, h, SphereParameter);
}

// plane [name] { radius_X <r> radius_Y <r> type t single_side double_side material m placement }
int PlaneBlock(BlockReader& b, const BlockHeader& h) {
  return ObjectItem(b, h, PlaneParameter);
}

Param SphereParameter(BlockReader& b, MathSphere& sphere, const String& word) {
  Param result = RunKeyword(kSphereKeywords, b, sphere, word);
  if (result == Param::kUnknown && PlacementParameter(b, sphere, word)) result = Param::kDone;
  sphere.preview_dirty = 1;
  return result;
}

Param PlaneParameter(BlockReader& b, MathPlane& plane, const String& word) {
  Param result = RunKeyword(kPlaneKeywords, b, plane, word);
  if (result == Param::kUnknown && PlacementParameter(b, plane, word)) result = Param::kDone;
  plane.preview_dirty = 1;
  return result;
}

// material name
Param ObjectMaterial(BlockReader& b, SceneObject& item) {
  String name;
  if (!b.Word(&name)) return Param::kDone;
  Material* material = FindMaterial(b.scene, name);
  if (material) {
    item.material = material;
  } else {
    b.Warning("): material not found.\n");
  }
  return Param::kDone;
}

}  // namespace orvane::scene_commands
