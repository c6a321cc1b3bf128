#pragma once
// ConstructionObject ("Konstruktionsobjekt", type 5): the transient work record of the two
// outline constructions — the lathe (construction 1) and the triangulation of a closed outline
// (construction 5).
//
// A command fills the record (outline, optionally result, construction and the lathe fields),
// runs Construct once, takes `result` and destroys the record. The record is never drawn,
// written or kept in the scene.
//
// Ownership: `outline` and `result` are not owned. When `result` is null the construction
// creates the mesh and stores it there; the caller then owns it and must destroy it or hand it
// to the scene.

#include <cstdint>

#include "scene/mesh_object.h"
#include "scene/scene_object.h"

namespace orvane {

// Values of ConstructionObject::construction.
inline constexpr int32_t kConstructLathe = 1;
inline constexpr int32_t kConstructTriangulate = 5;

// Values of ConstructionObject::caps (lathe end faces).
enum LatheCaps : int32_t {
  kCapsNone = 0,
  kCapsFirst = 1,  // on the first ring
  kCapsLast = 2,   // on the last ring
  kCapsBoth = 3,
  kCapsEvery = 4,  // on every ring
};

class ConstructionObject : public SceneObject {
 public:
  ConstructionObject();
  ConstructionObject& operator=(const ConstructionObject&) = delete;

  int GetType() const override { return kItemConstruction; }
  const char* TypeName() const override { return "Konstruktionsobjekt"; }

  // Runs the construction chosen by `construction`: 1 the lathe, 5 the triangulation. Answers
  // what the construction answers (0 when it built, -1 when its preconditions failed); any
  // other value of `construction` answers -1 and changes nothing.
  int Construct();

  // Only forgets the display lists (the record is never drawn).
  void BuildPreview(PreviewSink& sink, int variant) override;

  // Copies the lathe fields, outline, result, construction and preview_mode. Null when the
  // copy cannot be allocated.
  SceneObject* Clone() const override;

  // Lathe fields (see lathe.h).
  int32_t segments = 0;        // S: the lathe makes S + 1 rings
  float step_angle = 0.0f;     // degrees between rings; 0 means 360 / (S + 1)
  float y_translation = 0.0f;  // lift along Y
  int32_t caps = kCapsNone;
  int32_t close_profile = 0;  // the outline is closed
  int32_t close_turn = 0;     // the last ring joins the first

  MeshObject* outline = nullptr;  // not owned
  MeshObject* result = nullptr;   // not owned; created by the construction when null
  int32_t construction = kConstructLathe;

 private:
  ConstructionObject(const ConstructionObject& other);
};

}  // namespace orvane
