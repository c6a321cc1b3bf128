#include "foundation/bvh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace orvane {

namespace {

constexpr int kBins = 16;
// Relative and absolute widening of the node boxes.
constexpr double kWidenRelative = 1e-6;
constexpr double kWidenAbsolute = 1e-30;
// The cost of visiting a node against that of testing one item.
constexpr double kTraversalCost = 1.0;
constexpr double kItemCost = 1.0;

double Axis(const Vec3& v, int a) {
  return a == 0 ? v.x : (a == 1 ? v.y : v.z);
}

struct Bounds {
  double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};

  void Grow(const Bounds& b) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], b.lo[a]);
      hi[a] = std::max(hi[a], b.hi[a]);
    }
  }
  void GrowPoint(const double p[3]) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], p[a]);
      hi[a] = std::max(hi[a], p[a]);
    }
  }
  bool Valid() const { return lo[0] <= hi[0]; }
  double HalfArea() const {
    if (!Valid()) return 0.0;
    const double x = hi[0] - lo[0];
    const double y = hi[1] - lo[1];
    const double z = hi[2] - lo[2];
    return x * y + y * z + z * x;
  }
};

// The float at or below v (at or above, for Up); beyond the float range, an infinity.
float Down(double v) {
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::max();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  float f = static_cast<float>(v);
  if (static_cast<double>(f) > v) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
  return f;
}

float Up(double v) {
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::max();
  float f = static_cast<float>(v);
  if (static_cast<double>(f) < v) f = std::nextafter(f, std::numeric_limits<float>::infinity());
  return f;
}

}  // namespace



struct Bvh::Builder {
  const std::vector<BvhBox>& boxes;
  uint32_t leaf_size;
  std::vector<Bounds> item_bounds;
  std::vector<double> centre;  // 3 per item
  std::vector<uint32_t>& items;
  std::vector<BvhNode>& nodes;

  void StoreBox(BvhNode& node, const Bounds& b) const {
    for (int a = 0; a < 3; ++a) {
      const double widen =
          (std::fabs(b.lo[a]) + std::fabs(b.hi[a]) + (b.hi[a] - b.lo[a])) * kWidenRelative +
          kWidenAbsolute;
      node.lo[a] = Down(b.lo[a] - widen);
      node.hi[a] = Up(b.hi[a] + widen);
    }
  }

  // Builds the node for items[first .. first + count) at nodes[at].
  void Build(uint32_t at, uint32_t first, uint32_t count, int depth) {
    Bounds box;
    Bounds centres;
    for (uint32_t k = first; k < first + count; ++k) {
      box.Grow(item_bounds[items[k]]);
      centres.GrowPoint(&centre[std::size_t(items[k]) * 3]);
    }
    StoreBox(nodes[at], box);
    uint32_t split = 0;
    if (count > leaf_size && depth < kMaxDepth) split = Split(first, count, box, centres);
    if (split == 0) {
      nodes[at].index = first;
      nodes[at].count = count;
      return;
    }
    nodes[at].count = 0;
    const uint32_t left = static_cast<uint32_t>(nodes.size());
    nodes.emplace_back();
    Build(left, first, split, depth + 1);
    nodes[at].index = static_cast<uint32_t>(nodes.size());
    nodes.emplace_back();
    Build(nodes[at].index, first + split, count - split, depth + 1);
  }

  // Sorts the range into two parts by the best binned SAH split and answers the size of the
  // first, or 0 when one leaf is cheaper. Items whose centres cannot be told apart are halved
  // by count, so that no leaf grows beyond reason.
  uint32_t Split(uint32_t first, uint32_t count, const Bounds& box, const Bounds& centres) {
    int axis = 0;
    double extent = -1.0;
    for (int a = 0; a < 3; ++a) {
      const double e = centres.hi[a] - centres.lo[a];
      if (e > extent) {
        extent = e;
        axis = a;
      }
    }
    uint32_t* begin = items.data() + first;
    uint32_t* end = begin + count;
    if (!(extent > 0.0)) {
      if (count <= leaf_size * 4) return 0;
      return count / 2;
    }
    const double lo = centres.lo[axis];
    const double scale = kBins / extent;
    auto bin_of = [&](uint32_t item) {
      const int b = static_cast<int>((centre[std::size_t(item) * 3 + axis] - lo) * scale);
      return std::clamp(b, 0, kBins - 1);
    };
    Bounds bin_box[kBins];
    uint32_t bin_count[kBins] = {};
    for (uint32_t* p = begin; p != end; ++p) {
      const int b = bin_of(*p);
      bin_box[b].Grow(item_bounds[*p]);
      ++bin_count[b];
    }
    // Costs of splitting after bin i: sweep from the left, then from the right.
    double left_area[kBins - 1];
    uint32_t left_count[kBins - 1];
    Bounds acc;
    uint32_t n = 0;
    for (int i = 0; i < kBins - 1; ++i) {
      acc.Grow(bin_box[i]);
      n += bin_count[i];
      left_area[i] = acc.HalfArea();
      left_count[i] = n;
    }
    double best_cost = HUGE_VAL;
    int best = -1;
    acc = Bounds{};
    n = 0;
    for (int i = kBins - 1; i > 0; --i) {
      acc.Grow(bin_box[i]);
      n += bin_count[i];
      const uint32_t left_n = left_count[i - 1];
      if (left_n == 0 || n == 0) continue;
      const double cost = left_area[i - 1] * left_n + acc.HalfArea() * n;
      if (cost < best_cost) {
        best_cost = cost;
        best = i - 1;
      }
    }
    const double parent_area = box.HalfArea();
    const double leaf_cost = kItemCost * count;
    const double split_cost =
        kTraversalCost + (parent_area > 0.0 ? kItemCost * best_cost / parent_area : leaf_cost);
    if (best < 0 || (split_cost >= leaf_cost && count <= leaf_size * 4)) {
      if (best < 0) return count <= leaf_size * 4 ? 0 : count / 2;
      return 0;
    }
    uint32_t* middle =
        std::stable_partition(begin, end, [&](uint32_t item) { return bin_of(item) <= best; });
    const uint32_t left_n = static_cast<uint32_t>(middle - begin);
    if (left_n == 0 || left_n == count) return count / 2;
    return left_n;
  }
};

bool Bvh::Build(const std::vector<BvhBox>& boxes, uint32_t leaf_size) {
  Clear();
  if (boxes.empty()) return true;
  if (leaf_size == 0) leaf_size = 1;
  try {
    Builder b{boxes, leaf_size, {}, {}, items_, nodes_};
    const std::size_t n = boxes.size();
    b.item_bounds.resize(n);
    b.centre.resize(n * 3);
    items_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      Bounds& ib = b.item_bounds[i];
      for (int a = 0; a < 3; ++a) {
        ib.lo[a] = Axis(boxes[i].lo, a);
        ib.hi[a] = Axis(boxes[i].hi, a);
        b.centre[i * 3 + a] = 0.5 * ib.lo[a] + 0.5 * ib.hi[a];
      }
      items_[i] = static_cast<uint32_t>(i);
    }
    nodes_.reserve(2 * (n / leaf_size + 1));
    nodes_.emplace_back();
    b.Build(0, 0, static_cast<uint32_t>(n), 0);
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }
  return true;
}

void Bvh::Clear() {
  nodes_.clear();
  nodes_.shrink_to_fit();
  items_.clear();
  items_.shrink_to_fit();
}

}  // namespace orvane
