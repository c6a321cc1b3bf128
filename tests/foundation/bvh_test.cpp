#include "foundation/bvh.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace orvane {
namespace {

bool Inside(const BvhBox& box, const BvhNode& node) {
  return node.lo[0] <= box.lo.x && node.lo[1] <= box.lo.y && node.lo[2] <= box.lo.z &&
         node.hi[0] >= box.hi.x && node.hi[1] >= box.hi.y && node.hi[2] >= box.hi.z;
}

// Checks the subtree at `at`, adding the items of its leaves to `seen`; answers its depth.
int CheckNode(const Bvh& bvh, const std::vector<BvhBox>& boxes, uint32_t at, std::vector<int>* seen,
              uint32_t leaf_limit) {
  const BvhNode& node = bvh.Nodes()[at];
  if (node.count > 0) {
    EXPECT_LE(node.count, leaf_limit);
    for (uint32_t k = node.index; k < node.index + node.count; ++k) {
      const uint32_t item = bvh.Items()[k];
      ++(*seen)[item];
      EXPECT_TRUE(Inside(boxes[item], node)) << "item " << item;
    }
    return 1;
  }
  int depth = 0;
  for (uint32_t child : {at + 1, node.index}) {
    const BvhNode& c = bvh.Nodes()[child];
    for (int a = 0; a < 3; ++a) {
      EXPECT_LE(node.lo[a], c.lo[a]);
      EXPECT_GE(node.hi[a], c.hi[a]);
    }
    depth = std::max(depth, CheckNode(bvh, boxes, child, seen, leaf_limit));
  }
  return depth + 1;
}

// Every item sits in one leaf inside every box above it: for items that cannot be told apart,
// for node boxes beyond the float range (they become infinite) and for random boxes. The walk
// reaches exactly the leaves whose boxes the ray enters, and stops when asked.
TEST(Bvh, EveryItemSitsInOneLeafAndTheWalkReachesEveryLeafTheRayMeets) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-20, 20);
  std::normal_distribution<float> g;
  std::vector<BvhBox> sets[3];
  sets[0].assign(1000, BvhBox{{0, 0, 0}, {1, 1, 1}});
  for (int i = 0; i < 300; ++i) {
    const Vec3 lo{1e37f * float(i % 3), -3e38f, 1e30f * float(i)};
    sets[1].push_back(BvhBox{lo, Vec3{lo.x, 3e38f, lo.z}});
  }
  for (int i = 0; i < 800; ++i) {
    const Vec3 lo{u(rng), u(rng), u(rng)};
    sets[2].push_back(BvhBox{lo, lo + Vec3{1, 1, 1}});
  }
  Bvh bvh;
  EXPECT_TRUE(bvh.Build({}, 4));
  EXPECT_TRUE(bvh.Empty());
  for (const auto& boxes : sets) {
    SCOPED_TRACE(boxes.size());
    ASSERT_TRUE(bvh.Build(boxes, boxes.size() == 800 ? 2 : 4));
    std::vector<int> seen(boxes.size(), 0);
    EXPECT_LE(CheckNode(bvh, boxes, 0, &seen, 16), Bvh::kMaxDepth + 1);
    EXPECT_EQ(seen, std::vector<int>(boxes.size(), 1));
  }
  int reached_total = 0;
  for (int r = 0; r < 300; ++r) {
    Vec3 d{g(rng), g(rng), g(rng)};
    if (r % 5 == 0) d = Vec3{0, 0, 1};  // parallel to two axes
    d.Normalize();
    const BvhRay ray(Vec3{u(rng), u(rng), u(rng)}, d);
    std::vector<int> reached(bvh.Nodes().size(), 0);
    const double limit = HUGE_VAL;
    bvh.Traverse(ray, &limit, [&](uint32_t first, uint32_t) {
      for (uint32_t n = 0; n < bvh.Nodes().size(); ++n)
        if (bvh.Nodes()[n].count > 0 && bvh.Nodes()[n].index == first) ++reached[n];
      return false;
    });
    // Every leaf the ray meets is reached once (its parents are met too, their boxes being
    // larger); no other leaf is.
    for (uint32_t n = 0; n < bvh.Nodes().size(); ++n) {
      double enter = 0.0;
      if (bvh.Nodes()[n].count == 0) continue;
      EXPECT_EQ(reached[n], Bvh::Enters(ray, bvh.Nodes()[n], limit, &enter) ? 1 : 0) << r;
      reached_total += reached[n];
    }
    int visits = 0;  // the walk stops when the leaf answers true
    bvh.Traverse(ray, &limit, [&](uint32_t, uint32_t) { return ++visits == 1; });
    EXPECT_LE(visits, 1);
  }
  EXPECT_GT(reached_total, 150);  // most rays meet some leaves
}

}  // namespace
}  // namespace orvane
