// SceneCommands: the block reader, the header of item statements and their dispatch, member
// statements, insertion with copies and the look-ups by name.

#include "script/scene_commands.h"

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <ostream>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane {

// --- BlockReader --------------------------------------------------------------------------

BlockReader::BlockReader(ScriptInterpreter& interpreter, GroupObject* parent_group,
                         CommandState& command_state)
    : in(interpreter),
      reader(interpreter.reader()),
      scene(interpreter.scene()),
      parent(parent_group),
      state(command_state) {}

const String& BlockReader::Next() {
  return reader.NextToken();
}

bool BlockReader::AtEnd() const {
  return reader.tokenType == TokenReader::kNoToken &&
         (reader.status == TokenReader::kEndOfInput || reader.status == TokenReader::kNoInput);
}

namespace {

// A token of the wrong type for a parameter is dropped; braces and the end stay for the block.
void KeepBlockToken(BlockReader& b, const String& token) {
  if (b.Is(TokenReader::kOpenBrace) || b.Is(TokenReader::kCloseBrace)) b.reader.PushBack(token);
}

}  // namespace

bool BlockReader::Value() {
  const String& token = Next();
  if (Is(TokenReader::kValue)) return true;
  KeepBlockToken(*this, token);
  return false;
}

bool BlockReader::Word(String* word) {
  const String& token = Next();
  if (Is(TokenReader::kWord)) {
    *word = token;
    return true;
  }
  KeepBlockToken(*this, token);
  return false;
}

bool BlockReader::Text(String* text) {
  const String& token = Next();
  if (Is(TokenReader::kString)) {
    *text = token.Length() >= 2 ? token.Mid(2, token.Length() - 2) : String();
    return true;
  }
  KeepBlockToken(*this, token);
  return false;
}

float BlockReader::Float(int field) {
  // GetValue answers the field of the current token, which must still be the value.
  return in.Evaluate(reader.GetValue(field));
}

int BlockReader::Int(int field) {
  const float f = Float(field);
  if (f != f) return 0;
  if (f >= 2147483647.0f) return 2147483647;
  if (f <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(f);
}

Vec3 BlockReader::Vector() {
  float x = Float(1);
  float y = Float(2);
  float z = Float(3);
  return Vec3{x, y, z};
}

bool BlockReader::Flag() {
  return Float(1) != 0.0f;
}

void BlockReader::Warning(const char* message) {
  in.Report(DiagnosticKind::kWarning, message);
}

void BlockReader::SyntaxError(const char* message) {
  in.Report(DiagnosticKind::kSyntaxError, message);
}

void BlockReader::Error(const char* message) {
  in.Report(DiagnosticKind::kError, message);
}

void BlockReader::Unrecognized(const String& word) {
  Warning(String("): unrecognized token: ") + word + "\n");
}

// --- Item statements ------------------------------------------------------------------------

namespace {

using scene_commands::Param;

struct ItemEntry {
  const char* keyword;
  int (*run)(BlockReader& b, const BlockHeader& h);
};

// ORDER: the item keywords of the statement loop, then "raytrace".
const ItemEntry kItems[] = {
    {"object", scene_commands::ObjectBlock},        // object [name] { placement | statements }
    {"points", scene_commands::PointsBlock},        // points [name] { number <n> set <i> <x,y,z> }
    {"trimesh", scene_commands::TrimeshBlock},      // trimesh [name] { points p triangles <n> ... }
    {"construct", scene_commands::ConstructBlock},  // construct [name] { type lathe points p ... }
    {"sphere", scene_commands::SphereBlock},        // sphere [name] { radius <r> material m }
    {"plane", scene_commands::PlaneBlock},          // plane [name] { radius_X <r> type circle }
    {"light", scene_commands::LightBlock},          // light [name] { type spot color <r,g,b> }
    {"material", scene_commands::MaterialBlock},    // material [name] { diffus <f> ... }
    {"image", scene_commands::ImageBlock},          // image [name] { load "file" bar <...> }
    {"palette", scene_commands::PaletteBlock},      // palette [name] { RGB <i,r,g,b> range <i,j> }
    {"fractal", scene_commands::FractalBlock},      // fractal [name] { limits <...> palette p }
    {"chess", scene_commands::ChessBlock},          // chess [name] { color1 <r,g,b> color2 <...> }
    {"fade", scene_commands::FadeBlock},            // fade [name] { color1 <r,g,b> color2 <...> }
    {"camera", scene_commands::CameraBlock},        // camera [name] { zoom <f> placement }
    {"raytrace", scene_commands::RaytraceBlock},    // raytrace { camera c fog <f> ... }
};

// keyword [name | name[n]] {
BlockHeader ReadHeader(BlockReader& b) {
  BlockHeader h;
  String token = b.Next();
  if (b.Is(TokenReader::kWord)) {
    h.name = b.reader.GetName();
    if (!b.reader.valueText.IsEmpty() && b.reader.index > 1) h.count = b.reader.index;
    token = b.Next();
  }
  if (b.Is(TokenReader::kOpenBrace)) {
    h.open = true;
  } else if (!b.AtEnd()) {
    b.reader.PushBack(token);
  }
  b.scene.headerName = h.name;
  b.scene.headerCount = h.count;
  return h;
}

}  // namespace

int SceneCommands::Item(ScriptInterpreter& in, const String& keyword, GroupObject* parent) {
  Scene& scene = in.scene();
  if (!scene.EnsureLists(in.err())) return -1;
  BlockReader b(in, parent, state_);
  for (const ItemEntry& entry : kItems) {
    if (keyword == entry.keyword) return entry.run(b, ReadHeader(b));
  }
  b.Unrecognized(keyword);
  return 0;
}

// --- Member statements ----------------------------------------------------------------------

namespace {

template <class T>
T* FirstNamed(const LIST* list, const String& name) {
  if (!list) return nullptr;
  for (const ListNode* node = list->head; node; node = node->next) {
    auto* item = dynamic_cast<T*>(node->item);
    if (item && item->name == name) return item;
  }
  return nullptr;
}

// The item called `name` among the objects, lights, materials, textures and cameras.
ListItem* FindMemberTarget(const Scene& scene, const String& name) {
  if (ListItem* item = FirstNamed<SceneObject>(scene.objects, name)) return item;
  if (ListItem* item = FirstNamed<LightSource>(scene.lights, name)) return item;
  if (ListItem* item = FirstNamed<Material>(scene.materials, name)) return item;
  if (ListItem* item = FirstNamed<Texture>(scene.images, name)) return item;
  return FirstNamed<Camera>(scene.cameras, name);
}

// Splits `word` at its dots: the names of the path, then the keyword (the last part).
std::vector<String> SplitAtDots(const String& word) {
  std::vector<String> parts;
  int start = 1;
  for (int dot = word.Find('.'), n = 1; dot > 0; dot = word.Find('.', ++n)) {
    parts.push_back(word.Mid(start, dot - start));
    start = dot + 1;
  }
  parts.push_back(word.Mid(start, word.Length() - start + 1));
  return parts;
}

// Follows name.member.member...: each further name is looked up among the members of the group
// found before it.
ListItem* FollowPath(const Scene& scene, const std::vector<String>& names) {
  ListItem* item = FindMemberTarget(scene, names[0]);
  for (size_t i = 1; item && i < names.size(); ++i) {
    auto* group = dynamic_cast<GroupObject*>(item);
    item = group ? FirstNamed<SceneObject>(&group->members, names[i]) : nullptr;
  }
  return item;
}

Param ApplyToItem(BlockReader& b, ListItem& item, const String& keyword) {
  using namespace scene_commands;
  switch (item.GetType()) {
    case kItemGroup:
      return GroupParameter(b, static_cast<GroupObject&>(item), keyword);
    case kItemSphere:
      return SphereParameter(b, static_cast<MathSphere&>(item), keyword);
    case kItemPlane:
      return PlaneParameter(b, static_cast<MathPlane&>(item), keyword);
    case kItemMesh:
      return MeshParameter(b, static_cast<MeshObject&>(item), keyword);
    case kItemLight:
      return LightParameter(b, static_cast<LightSource&>(item), keyword);
    case kItemCamera:
      return CameraParameter(b, static_cast<Camera&>(item), keyword);
    case kItemMaterial:
      return MaterialParameter(b, static_cast<Material&>(item), keyword);
    case kItemTexture:
      return TextureMemberParameter(b, static_cast<Texture&>(item), keyword);
    default:
      return Param::kUnknown;
  }
}

}  // namespace

// name.keyword value | group.member....keyword value
int SceneCommands::Member(ScriptInterpreter& in, const String& word) {
  Scene& scene = in.scene();
  if (!scene.EnsureLists(in.err())) return -1;
  BlockReader b(in, nullptr, state_);
  std::vector<String> parts = SplitAtDots(word);
  const String keyword = parts.back();
  parts.pop_back();
  ListItem* item = FollowPath(scene, parts);
  if (!item || keyword.IsEmpty()) {
    b.Unrecognized(word);
    return 0;
  }
  scene.memberTarget = item;
  Param result = ApplyToItem(b, *item, keyword);
  if (result == Param::kUnknown) b.Unrecognized(keyword);
  return result == Param::kFailed ? -1 : 0;
}

// --- Insertion and copies -------------------------------------------------------------------

namespace scene_commands {

namespace {

// About how many bytes a copy of `item` takes.
uint64_t ApproximateBytes(const SceneObject& item) {
  uint64_t bytes = 512;
  if (item.GetType() == kItemMesh) {
    const auto& mesh = static_cast<const MeshObject&>(item);
    bytes += uint64_t{mesh.point_capacity} * sizeof(Vec3) +
             uint64_t{mesh.triangle_count} * sizeof(Triangle);
  } else if (item.GetType() == kItemGroup) {
    // Group nesting is bounded by SceneCommands::kMaxNesting, so this recursion is too.
    for (const ListNode* n = static_cast<const GroupObject&>(item).members.head; n; n = n->next) {
      if (const auto* member = dynamic_cast<const SceneObject*>(n->item)) {
        bytes += ApproximateBytes(*member);
      }
    }
  }
  return bytes;
}

bool InsertOne(BlockReader& b, SceneObject* item) {
  if (b.parent ? b.parent->AddMember(item) : b.scene.objects->Append(item, 1) != 0) return true;
  ErrorOutput() << "ERROR: Could not insert the object.\n";
  delete item;
  return false;
}

}  // namespace

bool FitsInMemory(uint64_t bytes) {
  uint64_t limit = uint64_t{1} << 31;
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages > 0 && page_size > 0) limit = uint64_t(pages) * uint64_t(page_size) / 2;
#endif
  return bytes <= limit;
}

int LimitCopies(BlockReader& b, int count, uint64_t bytes_each) {
  if (count <= 1) return 1;
  int allowed = count > kMaxCopies ? kMaxCopies : count;
  while (allowed > 1 && !FitsInMemory(uint64_t(allowed) * bytes_each)) allowed /= 2;
  if (allowed < count) {
    String number;
    number.Str(allowed);
    b.Warning(String("): too many copies; ") + number + " are made.\n");
  }
  return allowed;
}

bool InsertObject(BlockReader& b, SceneObject* item, int count) {
  if (!item) return true;
  if (!InsertOne(b, item)) return false;
  const int copies = count > 1 ? LimitCopies(b, count, ApproximateBytes(*item)) : 1;
  for (int i = 1; i < copies; ++i) {
    SceneObject* copy = item->Clone();
    if (!copy || !InsertOne(b, copy)) break;  // Clone has reported a failure
  }
  return true;
}

}  // namespace scene_commands

// --- Look-ups and the loading step ------------------------------------------------------------

Material* FindMaterial(const Scene& scene, const String& name) {
  return FirstNamed<Material>(scene.materials, name);
}

Camera* FindCamera(const Scene& scene, const String& name) {
  return FirstNamed<Camera>(scene.cameras, name);
}

MeshObject* FindPointList(const Scene& scene, const String& name) {
  if (!scene.points) return nullptr;
  for (const ListNode* node = scene.points->tail; node; node = node->prev) {
    auto* points = dynamic_cast<MeshObject*>(node->item);
    if (points && points->name == name) return points;
  }
  return nullptr;
}

namespace {

bool IsMappingLeftover(const SceneObject& item) {
  static constexpr char kSuffix[] = "_mat_object";
  constexpr int kSuffixLength = sizeof kSuffix - 1;
  const String& name = item.name;
  return name.Length() >= kSuffixLength &&
         std::strcmp(name.c_str() + name.Length() - kSuffixLength, kSuffix) == 0;
}

}  // namespace

void RemoveMappingLeftovers(Scene& scene) {
  // The last member statement may have addressed one of the removed objects.
  scene.memberTarget = nullptr;
  if (!scene.objects) return;
  LIST& objects = *scene.objects;
  ListNode* node = objects.head;
  while (node) {
    ListNode* next = node->next;
    auto* item = dynamic_cast<SceneObject*>(node->item);
    if (item && IsMappingLeftover(*item)) {
      objects.current = node;
      objects.Remove();
    } else if (auto* group = dynamic_cast<GroupObject*>(item)) {
      group->RemoveMappingLeftovers();
    }
    node = next;
  }
}

}  // namespace orvane
