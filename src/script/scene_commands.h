#pragma once
// SceneCommands: the scene language's item statements — the blocks that create groups, point
// lists, meshes, constructions, spheres, planes, lights, materials, textures and cameras, the
// `raytrace` block with the render settings, and the member statements `name.keyword` that
// change an existing item.
//
// Every item statement has the form
//   keyword [name | name[n]] { parameters }
// A parameter is a keyword word followed by its value: a value `<...>` whose comma fields are
// expressions, a word naming another item or a choice, or a string (a file name). Unknown
// words are reported and skipped; a value of the wrong token type is read and ignored (a brace
// is never taken as a value: it stays for the block). New objects go into the group whose block
// is being run, else into the scene's object list; the other items into their own lists. The
// lists own what they hold.
//
// Failures the language defines are warnings or syntax errors, after which the item keeps what
// was set so far and the block goes on. Beyond those, the run stops (Item answers -1) when:
//   - an `object` has no `{` (no diagnostic);
//   - the input ends inside a block ("reached end of file and missed '}'"; the item is kept);
//   - the points or triangles of a block cannot be had (too many for the memory, or a failed
//     allocation): the block's warning is written and the item is dropped, so the scene keeps
//     what it had;
//   - `object` blocks are nested deeper than kMaxNesting (an ERROR diagnostic). Every level
//     is a nested interpreter run on the stack; the bound keeps any script from exhausting it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "foundation/error_output.h"
#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "foundation/vec3.h"
#include "script/interpreter.h"

namespace orvane {

class Camera;
class ConstructionObject;
class GroupObject;
class LightSource;
class MathPlane;
class MathSphere;
class Material;
class MeshObject;
class SceneObject;
class Texture;

// What the scene commands keep between statements.
struct CommandState {
  CommandState() = default;
  CommandState(const CommandState&) = delete;
  CommandState& operator=(const CommandState&) = delete;
  ~CommandState() { texture_paths.RemoveAll(); }

  // Folders in which texture files are looked for when a name does not load as given: owned
  // Strings, tried in order.
  LIST texture_paths;
  // Object blocks (and object files loaded by trimesh blocks) open around the statement.
  int nesting = 0;
  // The groups whose blocks are being read, outermost first (not owned: they are inserted
  // into the scene when their blocks end).
  std::vector<GroupObject*> open_groups;
  // While an object file loaded by a trimesh block runs: how many more files the files it
  // loads may load, shared by all of them (null outside loaded files). Bounds the work of files
  // that load each other over and over.
  std::shared_ptr<int> loads_left;
};

// Reads the tokens of one block: the interpreter, its reader and the scene, the group that
// receives new objects (null at the top level) and the commands' state.
class BlockReader {
 public:
  // What a parameter handler made of one token.
  enum class Param { kDone, kUnknown, kFailed };
  // How a block ended.
  enum class End { kClosed, kTruncated, kFailed };

  BlockReader(ScriptInterpreter& interpreter, GroupObject* parent_group, CommandState& state);

  // The next token; its type is reader.tokenType. The answer is the reader's `token`, which
  // the next read replaces.
  const String& Next();
  // The input has ended (no token).
  bool AtEnd() const;
  bool Is(TokenReader::TokenType type) const { return reader.tokenType == type; }

  // Read the value of a parameter. False when the next token is of another type: it is
  // dropped, except for a brace or the end of input, which stay for the block.
  bool Value();
  bool Word(String* word);
  bool Text(String* text);  // a string token, without its quotes

  // Fields of the current value token (from 1), each evaluated as an expression. A missing
  // field is reported by the reader ("value missed.") and counts as 0.
  float Float(int field);
  // Truncated toward zero; NaN counts as 0 and the result is limited to the int range.
  int Int(int field);
  Vec3 Vector();  // fields 1 to 3
  bool Flag();    // field 1 is not 0

  void Warning(const char* message);
  void Warning(const String& message) { Warning(message.c_str()); }
  void SyntaxError(const char* message);
  void Error(const char* message);
  // "): unrecognized token: " + word + "\n" as a warning.
  void Unrecognized(const String& word);

  // Reads parameters up to the `}` that closes a block whose `{` has been read, handing each
  // token (a word, a value or a string) to `parameter`. kUnknown answers are reported with
  // Unrecognized; kFailed ends the block at once. The end of input is reported as the missing
  // `}`.
  template <class Handler>
  End ReadParameters(Handler parameter) {
    String token;  // each parameter's token, in one buffer for the whole block
    for (;;) {
      const String& read = Next();
      token.SetBytes(read.c_str(), read.Length());
      if (Is(TokenReader::kCloseBrace)) return End::kClosed;
      if (AtEnd()) {
        Error("): reached end of file and missed '}'.\n");
        return End::kTruncated;
      }
      if (Is(TokenReader::kNoToken)) continue;  // a broken token: the reader has reported it
      switch (parameter(token)) {
        case Param::kDone:
          break;
        case Param::kUnknown:
          Unrecognized(token);
          break;
        case Param::kFailed:
          return End::kFailed;
      }
    }
  }

  ScriptInterpreter& in;
  TokenReader& reader;
  Scene& scene;
  GroupObject* parent;
  CommandState& state;
};

// The header of an item statement: `keyword [name | name[n]] {`.
struct BlockHeader {
  String name;
  int count = 1;      // copies asked for by name[n]
  bool open = false;  // the `{` was found
};

// A placement parameter, read first and applied afterwards (construct blocks apply theirs to
// the mesh the construction builds, after the block).
struct PlacementStep {
  enum class Kind {
    kNone,  // nothing to apply: a missing value, is_visible
    kPosition,
    kAxisDeg,
    kAxis,  // axis_X, axis_Y, axis_Z: `axis` says which
    kHasShadow,
    kGetsShadow,
    kUsePhong,
    kNormal,
    kLookAt,
    kView,
    kMove,
    kRotateWorld,   // -degrees about the world axis `axis`
    kRotateObject,  // -degrees about the item's own axis `axis`
    kRotateAround,  // +degrees about the world axis `axis` through the point `vector`
  };
  Kind kind = Kind::kNone;
  int axis = 0;  // 0 X, 1 Y, 2 Z
  Vec3 vector;
  float degrees = 0.0f;
  bool flag = false;
};

class SceneCommands : public ItemStatements {
 public:
  // Deepest nesting of `object` blocks; an object file loaded by a trimesh block counts one
  // level more. Deeper blocks stop the run with an error.
  static constexpr int kMaxNesting = 256;
  // Most object files that one trimesh "load" may run, counting the files those load in turn.
  static constexpr int kMaxNestedLoads = 256;

  SceneCommands() = default;
  SceneCommands(const SceneCommands&) = delete;
  SceneCommands& operator=(const SceneCommands&) = delete;

  int Item(ScriptInterpreter& in, const String& keyword, GroupObject* parent) override;
  int Member(ScriptInterpreter& in, const String& word) override;

  // The texture search path list (owned Strings).
  LIST& TexturePaths() { return state_.texture_paths; }
  CommandState& state() { return state_; }

 private:
  CommandState state_;
};

// The step after a file has run: every object whose name ends in "_mat_object" (a mesh's
// mapping object, which the writer puts before its mesh) is taken out of the scene's object
// list and out of every group, recursively, and destroyed; the meshes keep their own copies.
void RemoveMappingLeftovers(Scene& scene);

// Look-ups by name (null when missing, also when the list does not exist). The first item of
// the name counts, except for point lists and mapping objects, where the latest counts: the
// writer puts them right before the mesh that uses them, under names that may repeat.
Material* FindMaterial(const Scene& scene, const String& name);
Camera* FindCamera(const Scene& scene, const String& name);
MeshObject* FindPointList(const Scene& scene, const String& name);

// The item blocks and parameter handlers behind SceneCommands, one family per source file.
namespace scene_commands {

using Param = BlockReader::Param;
using End = BlockReader::End;

// One keyword of a block and what it does; `apply` reads the keyword's value itself.
template <class T>
struct Keyword {
  const char* word;
  Param (*apply)(BlockReader& b, T& item);
};

// Runs the entry of `table` for `word`: kUnknown when there is none.
template <class T, size_t N>
Param RunKeyword(const Keyword<T> (&table)[N], BlockReader& b, T& item, const String& word) {
  for (const Keyword<T>& keyword : table) {
    if (word == keyword.word) return keyword.apply(b, item);
  }
  return Param::kUnknown;
}

// Item blocks: each reads its block (when the header found `{`), inserts its item and answers
// 0, or -1 to stop the run.
int ObjectBlock(BlockReader& b, const BlockHeader& h);  // scene_commands_objects.cpp
int SphereBlock(BlockReader& b, const BlockHeader& h);
int PlaneBlock(BlockReader& b, const BlockHeader& h);
int PointsBlock(BlockReader& b, const BlockHeader& h);  // scene_commands_meshes.cpp
int TrimeshBlock(BlockReader& b, const BlockHeader& h);
int ConstructBlock(BlockReader& b, const BlockHeader& h);
int LightBlock(BlockReader& b, const BlockHeader& h);  // scene_commands_lights.cpp
int CameraBlock(BlockReader& b, const BlockHeader& h);
int MaterialBlock(BlockReader& b, const BlockHeader& h);  // scene_commands_materials.cpp
int ImageBlock(BlockReader& b, const BlockHeader& h);     // scene_commands_textures.cpp
int PaletteBlock(BlockReader& b, const BlockHeader& h);
int FractalBlock(BlockReader& b, const BlockHeader& h);
int ChessBlock(BlockReader& b, const BlockHeader& h);
int FadeBlock(BlockReader& b, const BlockHeader& h);
int RaytraceBlock(BlockReader& b, const BlockHeader& h);  // scene_commands_raytrace.cpp

// Parameter handlers: apply one parameter (`word` is the current token) with its value.
// Shared by the blocks and the member statements.
Param GroupParameter(BlockReader& b, GroupObject& group, const String& word);
Param SphereParameter(BlockReader& b, MathSphere& sphere, const String& word);
Param PlaneParameter(BlockReader& b, MathPlane& plane, const String& word);
Param MeshParameter(BlockReader& b, MeshObject& mesh, const String& word);
Param LightParameter(BlockReader& b, LightSource& light, const String& word);
Param CameraParameter(BlockReader& b, Camera& camera, const String& word);
Param MaterialParameter(BlockReader& b, Material& material, const String& word);
// By the texture's kind: fractal, palette, or the image keywords for every other kind.
Param TextureMemberParameter(BlockReader& b, Texture& texture, const String& word);

// Placement parameters (scene_commands_placement.cpp). ReadPlacement answers false, reading
// nothing, when `word` is no placement keyword.
bool ReadPlacement(BlockReader& b, const String& word, PlacementStep* step);
void ApplyPlacement(const PlacementStep& step, SceneObject& item);
bool PlacementParameter(BlockReader& b, SceneObject& item, const String& word);
// "material" word of spheres, planes and meshes.
Param ObjectMaterial(BlockReader& b, SceneObject& item);

// Inserts `item` (owned; null does nothing) where the block's new objects go, then count - 1
// clones after it. Answers false when not even `item` could be inserted (it is destroyed).
bool InsertObject(BlockReader& b, SceneObject* item, int count);
// How many of `count` copies of an item of about `bytes_each` bytes are made: at most
// kMaxCopies, and no more than the memory allows; a cut is reported as a warning.
int LimitCopies(BlockReader& b, int count, uint64_t bytes_each);
// Whether `bytes` may be asked for at once: at most half of the machine's memory.
bool FitsInMemory(uint64_t bytes);

inline constexpr int kMaxCopies = 100000;

// Creates a T named by the header, reads its block with `parameter`, appends it to `list` (which
// owns it) and then count - 1 copies made with T's copy constructor (lights, materials,
// cameras). Answers 0, or -1 when the block did not close or the item could not be had.
template <class T>
int ListedItem(BlockReader& b, const BlockHeader& h, LIST* list,
               Param (*parameter)(BlockReader& b, T& item, const String& word)) {
  std::unique_ptr<T> item(TryNew<T>());
  if (!item) {
    ErrorOutput() << "ERROR: Could not allocate the item.\n";
    return -1;
  }
  item->name = h.name;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters([&](const String& token) { return parameter(b, *item, token); });
  }
  T* original = item.get();
  if (!list->Append(original, 1)) {
    ErrorOutput() << "ERROR: Could not insert the item.\n";
    return -1;
  }
  item.release();
  const int copies = LimitCopies(b, h.count, sizeof(T));
  for (int i = 1; i < copies; ++i) {
    T* copy = TryNew<T>(*original);
    if (!copy || !list->Append(copy, 1)) {
      delete copy;
      ErrorOutput() << "ERROR: Could not copy the item.\n";
      break;
    }
  }
  return end == End::kClosed ? 0 : -1;
}

}  // namespace scene_commands

}  // namespace orvane
