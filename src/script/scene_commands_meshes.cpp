// Point lists, triangle meshes and constructions.

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

// Most points one points block allocates; more are refused as memory that cannot be had.
constexpr int64_t kMaxBlockPoints = int64_t{1} << 24;

// Where the next bare value of a points or trimesh block goes.
struct Cursor {
  bool initialized = false;
  int64_t index = 0;
};

constexpr const char* kNoPointMemory = "): can not allocate memory for the points.\n";
constexpr const char* kNoTriangleMemory = "): can not allocate memory for the triangles.\n";

// Gives `mesh` `count` fresh points; false when that many cannot be had.
bool AllocatePoints(MeshObject& mesh, int64_t count) {
  return count >= 0 && count <= kMaxBlockPoints && FitsInMemory(uint64_t(count) * sizeof(Vec3)) &&
         mesh.SetPointCount(static_cast<uint32_t>(count)) == 0;
}

bool AllocateTriangles(MeshObject& mesh, int64_t count) {
  return count >= 0 && count <= int64_t{kMaxMeshTriangles} &&
         FitsInMemory(uint64_t(count) * sizeof(Triangle)) &&
         mesh.SetTriangleCount(static_cast<uint32_t>(count)) == 0;
}

bool CopyPoints(const MeshObject& from, MeshObject& to) {
  if (!AllocatePoints(to, from.point_count)) return false;
  std::copy(from.points, from.points + from.point_count, to.points);
  return true;
}

// Points and triangles (with their derived data) of `from`.
bool CopyGeometry(const MeshObject& from, MeshObject& to) {
  if (!CopyPoints(from, to) || !AllocateTriangles(to, from.triangle_count)) return false;
  std::copy(from.triangles, from.triangles + from.triangle_count, to.triangles);
  return true;
}

// --- points ---

// number <n>
Param PointsNumber(BlockReader& b, MeshObject& points, Cursor& cursor) {
  if (!b.Value()) return Param::kDone;
  const int n = b.Int(1);
  if (n < 1) {
    b.Warning("): the number of points must be at least 1.\n");
    return Param::kDone;
  }
  if (!AllocatePoints(points, n)) {
    b.Warning(kNoPointMemory);
    return Param::kFailed;
  }
  cursor = Cursor{true, 0};
  return Param::kDone;
}

// <x,y,z>
Param PointsValue(BlockReader& b, MeshObject& points, Cursor& cursor) {
  if (!cursor.initialized) {
    b.Warning("): the points are not initialized yet.\n");
  } else if (cursor.index < 0 || cursor.index >= points.point_count) {
    b.Warning("): the index of the point is too high. \n");
  } else {
    points.SetPoint(static_cast<uint32_t>(cursor.index), b.Vector());
    ++cursor.index;
  }
  return Param::kDone;
}

// number <n> | set <i> | <x,y,z>
Param PointsParameter(BlockReader& b, MeshObject& points, Cursor& cursor, const String& token) {
  if (b.Is(TokenReader::kValue)) return PointsValue(b, points, cursor);
  if (token == "number") return PointsNumber(b, points, cursor);
  if (token == "set") {
    if (!b.Value()) return Param::kDone;
    if (cursor.initialized) {
      cursor.index = b.Int(1);
    } else {
      b.Warning("): there are no points initialized.\n");
    }
    return Param::kDone;
  }
  return Param::kUnknown;
}

// --- trimesh ---

// <a,b,c>: corners that are not points of the mesh are reported and not stored.
Param TrimeshValue(BlockReader& b, MeshObject& mesh, Cursor& cursor) {
  if (!cursor.initialized) {
    b.Warning("): the triangles are not initialized yet.\n");
    return Param::kDone;
  }
  if (cursor.index < 0 || cursor.index >= mesh.triangle_count) {
    b.Warning("): the index of the triangle is too high. \n");
    return Param::kDone;
  }
  const int corner_a = b.Int(1);
  const int corner_b = b.Int(2);
  const int corner_c = b.Int(3);
  if (corner_a < 0 || corner_b < 0 || corner_c < 0 ||
      mesh.SetTriangle(static_cast<uint32_t>(cursor.index), corner_a, corner_b, corner_c) != 0) {
    b.Warning("): the index of the point is too high. \n");
  }
  ++cursor.index;
  return Param::kDone;
}

// triangles <n>
Param TrimeshTriangles(BlockReader& b, MeshObject& mesh, Cursor& cursor) {
  if (!b.Value()) return Param::kDone;
  const int n = std::max(b.Int(1), 0);
  if (!AllocateTriangles(mesh, n)) {
    b.Warning(kNoTriangleMemory);
    return Param::kFailed;
  }
  cursor = Cursor{true, 0};
  return Param::kDone;
}

// points name
Param TrimeshPoints(BlockReader& b, MeshObject& mesh) {
  String name;
  if (!b.Word(&name)) return Param::kDone;
  const MeshObject* points = FindPointList(b.scene, name);
  if (!points) {
    b.Warning("): points not found.\n");
    return Param::kDone;
  }
  if (!CopyPoints(*points, mesh)) {
    b.Warning(kNoPointMemory);
    return Param::kFailed;
  }
  return Param::kDone;
}

// The first mesh (not a path) of `list`, looking into groups depth first.
const MeshObject* FirstMesh(const LIST* list, int depth) {
  for (const ListNode* node = list ? list->head : nullptr; node; node = node->next) {
    if (const auto* mesh = dynamic_cast<const MeshObject*>(node->item)) {
      if (!mesh->IsPath()) return mesh;
    } else if (const auto* group = dynamic_cast<const GroupObject*>(node->item)) {
      if (depth >= SceneCommands::kMaxNesting) continue;
      if (const MeshObject* inner = FirstMesh(&group->members, depth + 1)) return inner;
    }
  }
  return nullptr;
}

// Runs the object file in a scene of its own (one nesting level deeper, with the same texture
// search paths and out of the same budget of loads) and takes the geometry, placement and
// flags of its first mesh.
bool LoadMesh(BlockReader& b, const String& file, MeshObject& mesh) {
  if (b.state.nesting >= SceneCommands::kMaxNesting) return false;
  std::shared_ptr<int> loads_left = b.state.loads_left;
  if (!loads_left) loads_left = std::make_shared<int>(SceneCommands::kMaxNestedLoads);
  if (*loads_left <= 0) return false;
  --*loads_left;
  std::unique_ptr<Scene> scene(TryNew<Scene>());
  std::unique_ptr<SceneCommands> commands(TryNew<SceneCommands>());
  if (!scene || !commands) return false;
  std::unique_ptr<ScriptInterpreter> in(TryNew<ScriptInterpreter>(*scene, b.in.out(), b.in.err()));
  if (!in) return false;
  commands->state().nesting = b.state.nesting + 1;
  commands->state().loads_left = loads_left;
  for (const ListNode* n = b.state.texture_paths.head; n; n = n->next) {
    const auto* path = dynamic_cast<const String*>(n->item);
    String* copy = path ? TryNew<String>(*path) : nullptr;
    if (copy && !commands->TexturePaths().Append(copy, 1)) delete copy;
  }
  in->SetItemStatements(commands.get());
  if (in->Run(file.c_str()) != 0) return false;
  RemoveMappingLeftovers(*scene);
  const MeshObject* found = FirstMesh(scene->objects, 0);
  if (!found || !CopyGeometry(*found, mesh)) return false;
  mesh.placement = found->placement;
  mesh.flags = found->flags;
  return true;
}

// load "file"
Param TrimeshLoad(BlockReader& b, MeshObject& mesh) {
  String file;
  if (!b.Text(&file)) {
    b.Warning("): no correct filename given.\n");
    return Param::kDone;
  }
  if (!LoadMesh(b, file, mesh)) b.Warning("): could not load the object.\n");
  return Param::kDone;
}

// The object called `name` in `list` or its groups, the latest definition first.
SceneObject* LatestNamed(const LIST& list, const String& name, int depth) {
  for (const ListNode* node = list.tail; node; node = node->prev) {
    auto* item = dynamic_cast<SceneObject*>(node->item);
    if (!item) continue;
    if (item->name == name) return item;
    auto* group = dynamic_cast<GroupObject*>(item);
    if (!group || depth >= SceneCommands::kMaxNesting) continue;
    if (SceneObject* inner = LatestNamed(group->members, name, depth + 1)) return inner;
  }
  return nullptr;
}

// The groups whose blocks are being read hold objects not yet in the scene: they come first.
SceneObject* FindMappingSource(BlockReader& b, const String& name) {
  const std::vector<GroupObject*>& open = b.state.open_groups;
  for (auto group = open.rbegin(); group != open.rend(); ++group) {
    if (SceneObject* item = LatestNamed((*group)->members, name, 0)) return item;
  }
  return b.scene.objects ? LatestNamed(*b.scene.objects, name, 0) : nullptr;
}

// material_object name
Param TrimeshMappingObject(BlockReader& b, MeshObject& mesh) {
  String name;
  if (!b.Word(&name)) return Param::kDone;
  const SceneObject* source = FindMappingSource(b, name);
  if (!source) {
    b.Warning("): object not found.\n");
    return Param::kDone;
  }
  if (SceneObject* copy = source->Clone()) mesh.SetMappingObject(copy);
  return Param::kDone;
}

Param TrimeshMaterial(BlockReader& b, MeshObject& mesh) {
  return ObjectMaterial(b, mesh);
}

const Keyword<MeshObject> kTrimeshKeywords[] = {
    {"points", TrimeshPoints},                  // points name
    {"load", TrimeshLoad},                      // load "file"
    {"material", TrimeshMaterial},              // material name
    {"material_object", TrimeshMappingObject},  // material_object name
};

// triangles <n> | set <i> | <a,b,c> | the keywords above | placement
Param TrimeshParameter(BlockReader& b, MeshObject& mesh, Cursor& cursor, const String& token) {
  if (b.Is(TokenReader::kValue)) return TrimeshValue(b, mesh, cursor);
  if (token == "triangles") return TrimeshTriangles(b, mesh, cursor);
  if (token == "set") {
    if (!b.Value()) return Param::kDone;
    if (cursor.initialized) {
      cursor.index = b.Int(1);
    } else {
      b.Warning("): there are no triangles initialized.\n");
    }
    return Param::kDone;
  }
  Param result = RunKeyword(kTrimeshKeywords, b, mesh, token);
  if (result == Param::kUnknown && PlacementParameter(b, mesh, token)) result = Param::kDone;
  return result;
}

void Finish(MeshObject& mesh) {
  mesh.Refresh();
  mesh.preview_dirty = 1;
}

// --- construct ---

// type polygon | lathe
Param ConstructType(BlockReader& b, ConstructionObject& c) {
  String word;
  if (!b.Word(&word)) return Param::kDone;
  if (word == "polygon") {
    c.construction = kConstructTriangulate;
  } else if (word == "lathe") {
    c.construction = kConstructLathe;
  } else {
    b.SyntaxError("): wrong construct-type assignment.\n");
  }
  return Param::kDone;
}

// points name: the outline, which stays in the point list
Param ConstructPoints(BlockReader& b, ConstructionObject& c) {
  String name;
  if (!b.Word(&name)) return Param::kDone;
  MeshObject* points = FindPointList(b.scene, name);
  if (points) {
    c.outline = points;
  } else {
    b.Warning("): points not found.\n");
  }
  return Param::kDone;
}

Param ConstructSegments(BlockReader& b, ConstructionObject& c) {
  if (!b.Value()) return Param::kDone;
  const int n = b.Int(1);
  if (n < 2) {
    b.Warning("): the number of segments must be at least 2.\n");
  } else {
    c.segments = n;
  }
  return Param::kDone;
}

Param ConstructDegree(BlockReader& b, ConstructionObject& c) {
  if (b.Value()) c.step_angle = b.Float(1);
  return Param::kDone;
}

Param ConstructPathClose(BlockReader& b, ConstructionObject& c) {
  if (b.Value()) c.close_turn = b.Flag() ? 1 : 0;
  return Param::kDone;
}

Param ConstructSegmentClose(BlockReader& b, ConstructionObject& c) {
  if (b.Value()) c.caps = b.Int(1);
  return Param::kDone;
}

Param ConstructBaseClose(BlockReader& b, ConstructionObject& c) {
  if (b.Value()) c.close_profile = b.Flag() ? 1 : 0;
  return Param::kDone;
}

const Keyword<ConstructionObject> kConstructKeywords[] = {
    {"type", ConstructType},                   // type polygon | lathe
    {"points", ConstructPoints},               // points name
    {"segments", ConstructSegments},           // segments <n>
    {"degree", ConstructDegree},               // degree <f>
    {"path_close", ConstructPathClose},        // path_close <b>
    {"segment_close", ConstructSegmentClose},  // segment_close <n>
    {"base_close", ConstructBaseClose},        // base_close <b>
};

// Runs the construction; the new mesh (owned by the caller), or null when it failed.
MeshObject* Build(ConstructionObject& construction) {
  if (!construction.outline) return nullptr;
  construction.result = nullptr;
  const int built = construction.Construct();
  std::unique_ptr<MeshObject> result(construction.result);
  construction.result = nullptr;
  return built == 0 ? result.release() : nullptr;
}

}  // namespace

// points [name] { number <n> set <i> <x,y,z> ... }
int PointsBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<MeshObject> points(TryNew<MeshObject>());
  if (!points) {
    ErrorOutput() << "ERROR: Could not allocate the points.\n";
    return -1;
  }
  points->name = h.name;
  Cursor cursor;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters(
        [&](const String& token) { return PointsParameter(b, *points, cursor, token); });
  }
  if (end == End::kFailed) return -1;  // the block's points are dropped
  if (!b.scene.points->Append(points.get(), 1)) {
    ErrorOutput() << "ERROR: Could not insert the points.\n";
    return -1;
  }
  points.release();
  return end == End::kClosed ? 0 : -1;
}

// trimesh [name] { points p triangles <n> set <i> <a,b,c> load "file" material m
//                  material_object o placement }
int TrimeshBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<MeshObject> mesh(TryNew<MeshObject>());
  if (!mesh) {
    ErrorOutput() << "ERROR: Could not allocate the mesh.\n";
    return -1;
  }
  mesh->name = h.name;
  Cursor cursor;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters(
        [&](const String& token) { return TrimeshParameter(b, *mesh, cursor, token); });
  }
  if (end == End::kFailed) return -1;  // the mesh is dropped
  if (mesh->point_count == 0) b.Warning("): there are no points initialized in the trimesh.\n");
  Finish(*mesh);
  if (!InsertObject(b, mesh.release(), h.count)) return -1;
  return end == End::kClosed ? 0 : -1;
}

// construct [name] { type polygon|lathe points p segments <n> degree <f> path_close <b>
//                    segment_close <n> base_close <b> placement }
int ConstructBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<ConstructionObject> construction(TryNew<ConstructionObject>());
  if (!construction) {
    ErrorOutput() << "ERROR: Could not allocate the construction.\n";
    return -1;
  }
  std::vector<PlacementStep> steps;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters([&](const String& token) {
      Param result = RunKeyword(kConstructKeywords, b, *construction, token);
      PlacementStep step;
      if (result == Param::kUnknown && ReadPlacement(b, token, &step)) {
        steps.push_back(step);
        result = Param::kDone;
      }
      return result;
    });
  }
  MeshObject* mesh = Build(*construction);
  if (!mesh) {
    b.Warning("): construct failed.\n");
    return end == End::kClosed ? 0 : -1;
  }
  mesh->name = h.name;
  for (const PlacementStep& step : steps) ApplyPlacement(step, *mesh);
  Finish(*mesh);
  if (!InsertObject(b, mesh, h.count)) return -1;
  return end == End::kClosed ? 0 : -1;
}

// A member statement on a mesh: the trimesh keywords, without a current triangle.
Param MeshParameter(BlockReader& b, MeshObject& mesh, const String& word) {
  Cursor cursor;
  const Param result = TrimeshParameter(b, mesh, cursor, word);
  Finish(mesh);
  return result;
}

}  // namespace orvane::scene_commands
