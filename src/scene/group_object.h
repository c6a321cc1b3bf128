#pragma once
// GroupObject: a scene item ("Group-Object", type 1) that owns an ordered list of members
// (meshes, spheres, planes, other groups) and makes them act as one.
//
// Forwarding: every movement, rotation and scale operation first acts on the group's own
// placement, then on each member in list order, setting current_member to the member being
// visited. Rotations of the group carry its members about the same line or centre and turn
// their frames with them.
//
// Ray tracing: the group is one traceable object. Preparation and the per-ray reset go to every
// member; the first Intersect of a search asks every visible member and keeps the nearest hit
// (the first one in list order among equal distances) in current_member, and answers false
// until the next reset. HitObject, GetMaterial, NormalAt, BumpAt and the texture queries then
// answer for that member.
//
// Ownership: the group owns its members (each node of `members` owns its item) and destroys
// them with itself. Members' `parent` is the group: set by AddMember and again by
// AssignParents before each picture.

#include "foundation/list.h"
#include "scene/scene_object.h"

namespace orvane {

class GroupObject : public SceneObject {
 public:
  GroupObject() = default;
  ~GroupObject() override;

  int GetType() const override { return kItemGroup; }
  const char* TypeName() const override { return "Group-Object"; }

  // Appends `item` (owned) and makes the group its parent. False when the list node cannot be
  // allocated; the caller then keeps the item.
  bool AddMember(SceneObject* item);

  // The group draws nothing itself: marks every direct member's preview dirty (member groups
  // pass the mark on when they are drawn) and clears its own flag.
  void BuildPreview(PreviewSink& sink, int variant) override;
  // Deletes the four display lists of every member, recursively, and sets them to 0. A name
  // that an item keeps in two slots is deleted once.
  void DeleteMemberDisplayLists(PreviewSink& sink);
  // Whether any member, recursively, has `m` as its material.
  bool UsesMaterial(const Material* m) const;
  // Sets the material of every member that is not a group, recursively.
  void AssignMaterial(Material* m);
  // Sets every member's parent to its group, recursively.
  void AssignParents();
  // Removes and destroys every member whose name ends in "_mat_object", recursively.
  void RemoveMappingLeftovers();

  void SetScaleCenter(Vec3* center) override;
  void SetScale(float sx, float sy, float sz) override;
  void ApplyScale() override;
  void Move(const Ray& step) override;
  void RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point) override;
  void RotateEuler(const Vec3& degrees, const Vec3& center, int order) override;
  void RotateAxesAboutAxis(float degrees, const Vec3& axis) override;
  void RotateAxesEuler(const Vec3& degrees, int order) override;
  void TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point) override;
  void TurnEuler(const Vec3& degrees, const Vec3& center, int order) override;
  void PointAlong(const Vec3& direction) override;
  void TurnTowards(const Vec3& point, Vec3* anglesOut) override;
  void LookAt(const Vec3& point) override;

  void PrepareRender() override;
  void ResetRayState() override;
  bool Intersect(const Ray& ray, float maxDistance) override;
  bool TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const override;
  float NearDistance() const override { return near_distance; }
  float FarDistance() const override { return far_distance; }
  // Stores the distance and passes it to the hit member.
  void SetDistance(float distance) override;
  void ComputeTextureUV() override;
  float TextureU() const override;
  float TextureV() const override;
  void SetTextureUV(float u, float v) override;
  // The hit member's material; the group's own when no member is current.
  Material* GetMaterial() const override;
  // The hit member's hit element; the group itself when no member is current.
  SceneObject* HitObject() override;
  // The hit member's normal; (0,0,0) when no member is current.
  void NormalAt(Vec3* out, const Vec3& point) override;
  void BumpAt(Vec3* out) override;

  // A new group with the same settings and clones of the members (same names, same order).
  // Null, with an "ERROR:" line, when any part cannot be allocated.
  SceneObject* Clone() const override;

  // The member visited last by a forwarding walk; after an intersection, the member hit (null
  // when the search found nothing).
  SceneObject* current_member = nullptr;
  // The group's ray-tracer answers: the hit member's distances, and the texture coordinates
  // answered while no member is current.
  float near_distance = 0.0f;
  float far_distance = 0.0f;
  float texture_u = 0.0f;
  float texture_v = 0.0f;
  LIST members;

 protected:
  // The scene-language text: "object NAME{", the placement, the native text of every member in
  // order, "}".
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  GroupObject(const GroupObject& other);

  // Calls `visit` for every member in list order, setting current_member as it goes.
  template <class Visit>
  void ForEachMember(Visit visit);

  int hit_done_ = 0;
};

}  // namespace orvane
