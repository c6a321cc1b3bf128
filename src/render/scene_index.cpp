#include "render/scene_index.h"

#include <cmath>
#include <limits>
#include <new>
#include <typeinfo>

#include "foundation/list.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/math_sphere.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

// The next float above `d` as a double: a limit that lets an equal float distance through.
double JustAbove(float d) {
  return static_cast<double>(std::nextafter(d, std::numeric_limits<float>::infinity()));
}

bool MayLetLightThrough(const SceneObject& object) {
  const Material* m = object.GetMaterial();
  // Without a material the tracer's fallback material applies, which is opaque.
  return m != nullptr && m->value(kTransparent, 1) > 0.0f;
}

}  // namespace

void SceneIndex::Clear() {
  items_.clear();
  item_of_.clear();
  unbounded_.clear();
  linear_.clear();
  bvh_.Clear();
  tree_items_.clear();
  transparent_casters_ = false;
}

void SceneIndex::Collect(SceneObject* object, const SceneObject* top, bool casts_shadow) {
  if (auto* group = dynamic_cast<GroupObject*>(object)) {
    for (const ListNode* n = group->members.head; n; n = n->next) {
      auto* member = dynamic_cast<SceneObject*>(n->item);
      if (member && member->HasFlag(kIsVisible)) Collect(member, top, casts_shadow);
    }
    return;
  }
  const auto order = static_cast<uint32_t>(items_.size());
  Item item{object, top, order, casts_shadow, false, 0.0f, Vec3{}};
  if (typeid(*object) == typeid(MathSphere)) {
    const auto* sphere = static_cast<const MathSphere*>(object);
    item.sphere = true;
    item.radius_squared = sphere->radius_squared();
    item.centre = sphere->placement.position;
  }
  items_.push_back(item);
  item_of_.emplace(object, order);
  if (casts_shadow && MayLetLightThrough(*object)) transparent_casters_ = true;
}

void SceneIndex::Build(const LIST* objects, bool tree) {
  Clear();
  if (!objects) return;
  try {
    for (const ListNode* n = objects->head; n; n = n->next) {
      auto* object = dynamic_cast<SceneObject*>(n->item);
      if (!object || !object->HasFlag(kIsVisible)) continue;
      Collect(object, object, object->HasFlag(kHasShadow));
    }
    std::vector<BvhBox> boxes;
    std::vector<uint32_t> bounded;
    for (uint32_t i = 0; i < items_.size(); ++i) {
      Vec3 lo;
      Vec3 hi;
      switch (items_[i].object->TraceBounds(&lo, &hi)) {
        case TraceExtent::kNone:
          break;
        case TraceExtent::kUnbounded:
          unbounded_.push_back(i);
          break;
        case TraceExtent::kBounded:
          if (!tree) {
            linear_.push_back(i);
            break;
          }
          boxes.push_back(BvhBox{lo, hi});
          bounded.push_back(i);
          break;
      }
    }
    if (tree && !bvh_.Build(boxes, 2)) {
      // Without the memory for a tree the bounded items are walked in order.
      linear_ = bounded;
    } else if (tree) {
      tree_items_.reserve(bounded.size());
      for (uint32_t k : bvh_.Items()) tree_items_.push_back(items_[bounded[k]]);
    }
  } catch (const std::bad_alloc&) {
    // Searches then see only what was collected; the scene itself is untouched.
  }
}

bool SceneIndex::Consider(const Item& item, const Ray& ray, const SceneObject* excluded,
                          double before, RayHit* best, uint32_t* best_order, bool* found) const {
  if (item.object == excluded || item.top == excluded) return false;
  // An earlier item may still win on an equal distance, a later one only on a smaller one.
  float limit = before < HUGE_VAL ? static_cast<float>(JustAbove(static_cast<float>(before)))
                                  : -1.0f;
  if (*found) {
    limit = item.order < *best_order ? static_cast<float>(JustAbove(best->distance))
                                     : best->distance;
  }
  RayHit h;
  if (item.sphere) {
    if (!SphereHitDistances(item.centre, item.radius_squared, ray, &h.distance, &h.far_distance))
      return false;
    h.object = item.object;
  } else if (!item.object->TraceNearest(ray, limit, &h)) {
    return false;
  }
  if (!std::isfinite(h.distance) || h.object == excluded) return false;
  if (!(static_cast<double>(h.distance) < before)) return false;
  if (*found && !(h.distance < best->distance ||
                  (h.distance == best->distance && item.order < *best_order)))
    return false;
  *best = h;
  *best_order = item.order;
  *found = true;
  return true;
}

bool SceneIndex::Nearest(const Ray& ray, const SceneObject* excluded, bool shadowOnly,
                         RayHit* hit, double before) const {
  RayHit best;
  uint32_t best_order = 0;
  bool found = false;
  for (uint32_t i : unbounded_) {
    const Item& item = items_[i];
    if (!shadowOnly || item.casts_shadow) Consider(item, ray, excluded, before, &best, &best_order, &found);
  }
  for (uint32_t i : linear_) {
    const Item& item = items_[i];
    if (!shadowOnly || item.casts_shadow) Consider(item, ray, excluded, before, &best, &best_order, &found);
  }
  if (!bvh_.Empty()) {
    const BvhRay box_ray(ray.origin, ray.direction);
    double limit = found ? static_cast<double>(best.distance) : before;
    bvh_.Traverse(box_ray, &limit, [&](uint32_t first, uint32_t count) {
      for (uint32_t k = first; k < first + count; ++k) {
        const Item& item = tree_items_[k];
        if (shadowOnly && !item.casts_shadow) continue;
        if (Consider(item, ray, excluded, before, &best, &best_order, &found))
          limit = static_cast<double>(best.distance);
      }
      return false;
    });
  }
  if (found) *hit = best;
  return found;
}

bool SceneIndex::Blocks(const Item& item, const Ray& ray, double limit, double self_distance,
                        uint32_t self_order) const {
  if (!item.casts_shadow) return false;
  double bound = limit;
  if (self_distance >= 0.0) {
    const double self_bound =
        item.order < self_order ? JustAbove(static_cast<float>(self_distance)) : self_distance;
    bound = std::min(bound, self_bound);
  }
  RayHit h;
  if (item.sphere) {
    return SphereHitDistances(item.centre, item.radius_squared, ray, &h.distance,
                              &h.far_distance) &&
           std::isfinite(h.distance) && static_cast<double>(h.distance) < bound;
  }
  return item.object->TraceAnyBelow(ray, bound, &h);
}

bool SceneIndex::Blocked(const Ray& ray, double limit, const SceneObject* self) const {
  // The lit object itself (unless it is a mesh) ends the walk unblocked where it is the
  // nearest: blockers count only in front of it, or level with it and earlier in the list.
  double self_distance = -1.0;
  uint32_t self_order = 0;
  if (self && self->GetType() == kItemMesh) self = nullptr;  // a mesh may shadow itself
  if (self) {
    const auto found = item_of_.find(self);
    if (found != item_of_.end() && items_[found->second].casts_shadow) {
      RayHit h;
      if (self->TraceNearest(ray, -1.0f, &h) && std::isfinite(h.distance)) {
        self_distance = h.distance;
        self_order = found->second;
      }
    }
  }
  const auto blocks = [&](const Item& item) {
    return item.object != self && Blocks(item, ray, limit, self_distance, self_order);
  };
  for (uint32_t i : unbounded_)
    if (blocks(items_[i])) return true;
  for (uint32_t i : linear_)
    if (blocks(items_[i])) return true;
  if (bvh_.Empty()) return false;
  double walk_limit = limit;
  if (self_distance >= 0.0)
    walk_limit = std::min(walk_limit, JustAbove(static_cast<float>(self_distance)));
  bool blocked = false;
  const BvhRay box_ray(ray.origin, ray.direction);
  bvh_.Traverse(box_ray, &walk_limit, [&](uint32_t first, uint32_t count) {
    for (uint32_t k = first; k < first + count; ++k) {
      if (blocks(tree_items_[k])) return blocked = true;
    }
    return false;
  });
  return blocked;
}

}  // namespace orvane
