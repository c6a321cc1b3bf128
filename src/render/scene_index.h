#pragma once
// SceneIndex: the traced set of a prepared scene and the ray searches over it.
//
// Build collects the items that rays can hit — every visible top-level object, and in place
// of a group its visible members, depth first — numbered in that order (the list order the
// nearest-hit rule refers to), and builds a bounding volume hierarchy over the bounded ones;
// unbounded items (planes) are tested for every ray. A group's members cast shadows when the
// group does.
//
// The searches keep no state in the index or in the items (they use the items' stateless
// protocol, SceneObject::TraceNearest and friends), so any number of threads may search at
// once while nobody changes the scene.
//
// Nearest-hit rule: the hit nearest along the ray (as a float distance) wins; among equal
// distances the item first in list order; non-finite distances never count. The result is
// the one a walk over the list in order would give, whatever the tree's shape.

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "foundation/bvh.h"
#include "foundation/vec3.h"
#include "scene/ray.h"
#include "scene/ray_hit.h"

namespace orvane {

class LIST;
class SceneObject;

class SceneIndex {
 public:
  // Collects the traced set of `objects` (may be null); with `tree` false no hierarchy is
  // built and every search walks the items in order (the same answers, slower).
  void Build(const LIST* objects, bool tree = true);
  void Clear();
  std::size_t ItemCount() const { return items_.size(); }

  // The nearest hit of `ray` (shadowOnly: among items that cast shadows), `excluded` never
  // answering (neither as the element hit nor as a top-level object); false when nothing is
  // hit before `before` (the nearest hit, as a float distance, must be below it; a shadow
  // ray need not look beyond its light).
  bool Nearest(const Ray& ray, const SceneObject* excluded, bool shadowOnly, RayHit* hit,
               double before = HUGE_VAL) const;

  // For a shadow ray when no caster lets light through (HasTransparentCasters false): whether
  // the nearest caster hit lies nearer than `limit` and is not `self`. That is what the
  // shadow walk decides with its first search; this one stops at the first blocker found.
  bool Blocked(const Ray& ray, double limit, const SceneObject* self) const;

  // Whether any shadow caster's material may let light through.
  bool HasTransparentCasters() const { return transparent_casters_; }

 private:
  struct Item {
    SceneObject* object;     // the element that is hit
    const SceneObject* top;  // the top-level object it belongs to
    uint32_t order;
    bool casts_shadow;
    // Spheres are tested here, from a copy of their centre and squared radius, without a
    // call through the item (the same arithmetic as MathSphere::TraceNearest).
    bool sphere;
    float radius_squared;
    Vec3 centre;
  };

  void Collect(SceneObject* object, const SceneObject* top, bool casts_shadow);
  // The item's hit within `limit` by the nearest-hit rule against *best; true when it is
  // the new best.
  bool Consider(const Item& item, const Ray& ray, const SceneObject* excluded, double before,
                RayHit* best, uint32_t* best_order, bool* found) const;
  // The item's blocking hit for Blocked.
  bool Blocks(const Item& item, const Ray& ray, double limit, double self_distance,
              uint32_t self_order) const;

  std::vector<Item> items_;
  std::unordered_map<const SceneObject*, uint32_t> item_of_;  // element -> its item
  std::vector<uint32_t> unbounded_;  // items tested for every ray
  std::vector<uint32_t> linear_;     // without a tree: every bounded item, in order
  Bvh bvh_;
  std::vector<Item> tree_items_;  // the bounded items in the tree's leaf order
  bool transparent_casters_ = false;
};

}  // namespace orvane
