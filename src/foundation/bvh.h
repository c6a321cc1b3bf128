#pragma once
// Bvh: a bounding volume hierarchy over items that have boxes, built by the surface area
// heuristic and stored flat: node 0 is the root, an inner node's first child follows it, its
// second child is at `index`. A leaf lists `count` items from `index` in Items().
//
// The boxes of the nodes are widened a little beyond the items' boxes (by about a millionth
// of their size and position), so that a ray that meets an item's box by any rounding meets
// every node above it: the tree only ever saves tests, it never hides an item.
//
// The tree knows nothing of what the items are; its users test the items of the leaves that
// a ray reaches (Traverse) and keep the nearest hit themselves.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/vec3.h"

namespace orvane {

struct BvhBox {
  Vec3 lo;
  Vec3 hi;
};

struct BvhNode {
  float lo[3];
  uint32_t index;  // inner: the second child; leaf: the first of its items in Items()
  float hi[3];
  uint32_t count;  // leaf: the number of its items (at least 1); inner: 0
};

// A ray prepared for box tests: direction components below kParallel count as parallel, and
// the ray then meets a box only when its origin lies between that slab's planes.
struct BvhRay {
  static constexpr double kParallel = 0.000001;
  double origin[3];
  double inverse[3];
  bool parallel[3];
  bool any_parallel;
  bool negative[3];  // the ray runs towards lower values: it meets `hi` first

  BvhRay(const Vec3& o, const Vec3& d) {
    const double dir[3] = {d.x, d.y, d.z};
    origin[0] = o.x;
    origin[1] = o.y;
    origin[2] = o.z;
    any_parallel = false;
    for (int a = 0; a < 3; ++a) {
      parallel[a] = !(std::fabs(dir[a]) >= kParallel);  // also NaN
      any_parallel = any_parallel || parallel[a];
      inverse[a] = parallel[a] ? 0.0 : 1.0 / dir[a];
      negative[a] = inverse[a] < 0.0;
    }
  }
};

class Bvh {
 public:
  // The deepest a tree is built; a node at this depth is a leaf whatever its size.
  static constexpr int kMaxDepth = 48;

  // Builds the tree over the items 0 .. boxes.size() - 1 (each box finite, lo ≤ hi), with at
  // most `leaf_size` items per leaf where the items can be told apart. False when the memory
  // cannot be had; the tree is then empty.
  bool Build(const std::vector<BvhBox>& boxes, uint32_t leaf_size);
  void Clear();
  bool Empty() const { return nodes_.empty(); }

  const std::vector<BvhNode>& Nodes() const { return nodes_; }
  // Item numbers in leaf order.
  const std::vector<uint32_t>& Items() const { return items_; }

  // The parameter at which `ray` enters the box of `node`, when it meets it at a parameter
  // not beyond `limit` and not behind the origin (an origin inside gives 0); else false.
  static bool Enters(const BvhRay& ray, const BvhNode& node, double limit, double* enter);

  // Enters for the two children of an inner node at once: bit 0 for `first`, bit 1 for
  // `second`, with the same answers as two calls of Enters.
  static int EntersBoth(const BvhRay& ray, const BvhNode& first, const BvhNode& second,
                        double limit, double enter[2]);

  // Visits the leaves that the ray reaches, nearer ones first, skipping every node that the
  // ray enters beyond *limit. `leaf(first, count)` gets a leaf's range in Items() and may
  // lower *limit; when it returns true the walk ends at once.
  template <class Leaf>
  void Traverse(const BvhRay& ray, const double* limit, Leaf&& leaf) const;

 private:
  struct Builder;

  std::vector<BvhNode> nodes_;
  std::vector<uint32_t> items_;
};

inline bool Bvh::Enters(const BvhRay& ray, const BvhNode& node, double limit, double* enter) {
  double t_in = 0.0;
  double t_out = limit;
  if (ray.any_parallel) {
    for (int a = 0; a < 3; ++a) {
      if (ray.parallel[a] && !(ray.origin[a] >= node.lo[a] && ray.origin[a] <= node.hi[a]))
        return false;
    }
  }
  for (int a = 0; a < 3; ++a) {
    if (ray.parallel[a]) continue;
    const double near = ray.negative[a] ? node.hi[a] : node.lo[a];
    const double far = ray.negative[a] ? node.lo[a] : node.hi[a];
    const double t1 = (near - ray.origin[a]) * ray.inverse[a];
    const double t2 = (far - ray.origin[a]) * ray.inverse[a];
    if (t1 > t_in) t_in = t1;
    if (t2 < t_out) t_out = t2;
  }
  if (!(t_in <= t_out)) return false;
  *enter = t_in;
  return true;
}

inline int Bvh::EntersBoth(const BvhRay& ray, const BvhNode& first, const BvhNode& second,
                           double limit, double enter[2]) {
#if defined(__SSE2__)
  if (!ray.any_parallel) {
    // Two lanes of the same arithmetic as Enters; max and min keep the running bound when a
    // parameter is NaN, as Enters' comparisons do.
    __m128d t_in = _mm_setzero_pd();
    __m128d t_out = _mm_set1_pd(limit);
    for (int a = 0; a < 3; ++a) {
      const bool neg = ray.negative[a];
      const __m128d near = _mm_set_pd(neg ? second.hi[a] : second.lo[a],
                                      neg ? first.hi[a] : first.lo[a]);
      const __m128d far = _mm_set_pd(neg ? second.lo[a] : second.hi[a],
                                     neg ? first.lo[a] : first.hi[a]);
      const __m128d origin = _mm_set1_pd(ray.origin[a]);
      const __m128d inverse = _mm_set1_pd(ray.inverse[a]);
      t_in = _mm_max_pd(_mm_mul_pd(_mm_sub_pd(near, origin), inverse), t_in);
      t_out = _mm_min_pd(_mm_mul_pd(_mm_sub_pd(far, origin), inverse), t_out);
    }
    _mm_storeu_pd(enter, t_in);
    return _mm_movemask_pd(_mm_cmple_pd(t_in, t_out));
  }
#endif
  int mask = 0;
  if (Enters(ray, first, limit, &enter[0])) mask |= 1;
  if (Enters(ray, second, limit, &enter[1])) mask |= 2;
  return mask;
}

template <class Leaf>
void Bvh::Traverse(const BvhRay& ray, const double* limit, Leaf&& leaf) const {
  if (nodes_.empty()) return;
  // The build keeps the depth below kMaxDepth, so the stack never overflows.
  struct Entry {
    uint32_t node;
    double enter;
  };
  Entry stack[kMaxDepth * 2 + 2];
  int top = 0;
  double enter = 0.0;
  if (!Enters(ray, nodes_[0], *limit, &enter)) return;
  stack[top++] = Entry{0, enter};
  while (top > 0) {
    const Entry e = stack[--top];
    if (e.enter > *limit) continue;
    const BvhNode& node = nodes_[e.node];
    if (node.count > 0) {
      if (leaf(node.index, node.count)) return;
      continue;
    }
    const uint32_t near_child = e.node + 1;
    const uint32_t far_child = node.index;
    double enter2[2] = {0.0, 0.0};
    const int hits = EntersBoth(ray, nodes_[near_child], nodes_[far_child], *limit, enter2);
    const bool hit_near = (hits & 1) != 0;
    const bool hit_far = (hits & 2) != 0;
    const double enter_near = enter2[0];
    const double enter_far = enter2[1];
    if (hit_near && hit_far) {
      // The nearer child is visited first: pushed last.
      if (enter_far < enter_near) {
        stack[top++] = Entry{near_child, enter_near};
        stack[top++] = Entry{far_child, enter_far};
      } else {
        stack[top++] = Entry{far_child, enter_far};
        stack[top++] = Entry{near_child, enter_near};
      }
    } else if (hit_near) {
      stack[top++] = Entry{near_child, enter_near};
    } else if (hit_far) {
      stack[top++] = Entry{far_child, enter_far};
    }
  }
}

}  // namespace orvane
