#pragma once
// SceneObject: the base of every scene item — meshes and paths, mathematical spheres and
// planes, groups, light sources, cameras and construction objects.
//
// The editor, the interpreter and the ray tracer work on items only through the virtual
// operations below; each class overrides those that concern it. Angles are in degrees
// unless a name says otherwise; all coordinates are world coordinates.
//
// Ownership: an item owns its name, its cached `text` lines and its class data; it never owns
// its `material`, its `scale_center` or its `parent`. A LIST node that owns an item destroys
// it through the virtual destructor.
//
// Ray state: the per-object hit state of the tracing protocol (ResetRayState, Intersect,
// NearDistance, HitObject, texture coordinates) is kept by the items behind these operations.

#include <cstdint>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "foundation/placement.h"
#include "foundation/vec3.h"
#include "scene/preview_sink.h"
#include "scene/ray.h"
#include "scene/ray_hit.h"

namespace orvane {

class GroupObject;
class Material;

// Bits of SceneObject::flags.
enum SceneFlags : uint32_t {
  kHasShadow = 1u << 0,   // casts shadows
  kGetsShadow = 1u << 1,  // receives shadows
  kIsVisible = 1u << 2,
  kUsePhong = 1u << 3,  // smooth normals (meshes)
  kDefaultFlags = kHasShadow | kGetsShadow | kIsVisible,
};

class SceneObject : public ListItem {
 public:
  SceneObject();
  ~SceneObject() override;
  SceneObject& operator=(const SceneObject&) = delete;

  int Match(int) override { return 0; }

  // (Re)builds the item's preview display lists through `sink` and clears preview_dirty.
  // The default draws nothing and only clears the flag.
  virtual void BuildPreview(PreviewSink& sink, int variant);
  virtual void SetScaleCenter(Vec3* center);
  virtual void SetScale(float sx, float sy, float sz);
  // Applies the pending scale; the default does nothing.
  virtual void ApplyScale();
  // position += step.direction × step.length, unless the length is 0.
  virtual void Move(const Ray& step);
  // Rotates `position` about the line through `point` along `axis`.
  virtual void RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point);
  // Rotates `position` about `center` by the Euler sequence.
  virtual void RotateEuler(const Vec3& degrees, const Vec3& center, int order);
  // Rotate the frame (axis_X, axis_Y, axis_Z) only.
  virtual void RotateAxesAboutAxis(float degrees, const Vec3& axis);
  virtual void RotateAxesEuler(const Vec3& degrees, int order);
  // Turns the whole item rigidly (frame, position and whatever it holds) about the line
  // through `point` along `axis`, or about `center` by the Euler sequence: what a group does
  // to its members. The default turns the frame, then the position.
  virtual void TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point);
  virtual void TurnEuler(const Vec3& degrees, const Vec3& center, int order);
  virtual void PointAlong(const Vec3& direction);
  // Turns the frame towards `point` (yaw about Y, then pitch about the new axis_X) and
  // stores (pitch, yaw, 0) in *anglesOut when it is given.
  virtual void TurnTowards(const Vec3& point, Vec3* anglesOut);
  virtual void LookAt(const Vec3& point);

  // Ray-tracer protocol. Defaults: nothing to prepare, never hit.
  virtual void PrepareRender();
  virtual void ResetRayState();
  virtual bool Intersect(const Ray& ray, float maxDistance);
  virtual float NearDistance() const;
  virtual float FarDistance() const;
  virtual void SetDistance(float distance);
  virtual void ComputeTextureUV();
  virtual float TextureU() const;
  virtual float TextureV() const;
  virtual void SetTextureUV(float u, float v);
  virtual Material* GetMaterial() const;
  // The element that was hit: the item itself (groups answer the member that was hit).
  virtual SceneObject* HitObject();

  // The same protocol without state in the item, for searches that run side by side: each
  // answers what the stateful operation above answers for one search, from and into `hit`.
  // The item must be prepared (PrepareRender) and must not change while they run.
  //
  // The nearest hit in front of the ray (a mesh: nearer than maxDistance, no limit when
  // negative): hit->object, distance, and what the other calls below need. False on a miss.
  // The default never hits.
  virtual bool TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const;
  // Completes the hit that TraceNearest found for `ray` with what only the nearest hit needs
  // (a sphere's normal and texture coordinates); call it on hit->object before the calls
  // below. The default has nothing to add.
  virtual void CompleteHit(const Ray& ray, RayHit* hit) const;
  // Whether the ray hits the item at a distance (as a float) below `limit`: any such hit, not
  // necessarily the nearest (shadow rays need no more). The default asks TraceNearest.
  virtual bool TraceAnyBelow(const Ray& ray, double limit, RayHit* hit) const;
  // The unnormalized surface normal at `point` of the hit (NormalAt).
  virtual Vec3 HitNormal(const RayHit& hit, const Vec3& point) const;
  // Completes hit->u, v for the hit at `point` (ComputeTextureUV); the default keeps them.
  virtual void HitTextureUV(RayHit* hit, const Vec3& point) const;
  // The bump perturbation at the hit's texture coordinates (BumpAt); default (0,0,0).
  virtual Vec3 HitBump(const RayHit& hit) const;
  // Where the prepared item can be hit: a box lo..hi that holds every hit point, no box at
  // all, or nowhere. The default: nowhere.
  virtual TraceExtent TraceBounds(Vec3* lo, Vec3* hi) const;

  // A new item of the same class with the same data; the copy has no cached text, no display
  // lists, no browser node. Null when it cannot be allocated.
  virtual SceneObject* Clone() const = 0;

  // The writers share one cache: each builds `text` in its format unless it is already built,
  // and returns it. Callers use the lines and call FreeText before asking for another format.
  virtual LIST* WriteNative();
  virtual LIST* WriteVrml();
  virtual LIST* WritePov();
  virtual void FreeText();

  // The class's display name ("Camera", "Lightsource", "3D-Mesh-Object", ...).
  virtual const char* TypeName() const = 0;
  // The unnormalized direction from the item's centre to `point`; meshes answer the normal
  // of the hit triangle.
  virtual void NormalAt(Vec3* out, const Vec3& point);
  // The bump perturbation at the current texture coordinates; default (0,0,0).
  virtual void BumpAt(Vec3* out);

  bool HasFlag(uint32_t flag) const { return (flags & flag) != 0; }
  void SetFlag(uint32_t flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }

  LIST* text = nullptr;
  uint32_t flags = kDefaultFlags;
  String name;
  Placement placement;
  Vec3 scale{1.0f, 1.0f, 1.0f};
  Vec3* scale_center = nullptr;
  Material* material = nullptr;
  GroupObject* parent = nullptr;
  int32_t preview_dirty = 0;
  uint32_t display_lists[4] = {0, 0, 0, 0};
  int32_t preview_mode = kPreviewLineLoop;
  intptr_t tree_item = 0;

 protected:
  // For Clone: copies the data, but not `text`, the display lists or the browser node.
  SceneObject(const SceneObject& other);

  // Fill `lines` with the item's text in each format. The defaults write nothing; the writer
  // and exporter code of each class overrides them.
  virtual void BuildNativeText(LIST& lines);
  virtual void BuildVrmlText(LIST& lines);
  virtual void BuildPovText(LIST& lines);

 private:
  LIST* CachedText(void (SceneObject::*build)(LIST&));
};

// Appends a copy of `line` to `lines` (owned by the list); reports a failed allocation.
void AppendLine(LIST& lines, const String& line);

// The turn that carries +Z onto the unit direction `d`: the yaw about Y, then the pitch about
// the turned X axis, in degrees (the angles TurnTowards reports as (pitch, yaw, 0)).
void YawPitchTowards(const Vec3& d, double* yaw, double* pitch);

}  // namespace orvane
