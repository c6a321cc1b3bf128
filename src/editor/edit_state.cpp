#include "editor/edit_state.h"

#include <algorithm>

namespace orvane::editor {

bool PointSelection::Contains(uint32_t point) const {
  return std::find(points_.begin(), points_.end(), point) != points_.end();
}

bool PointSelection::Add(uint32_t point, float weight) {
  if (Contains(point)) return false;
  if (points_.size() == capacity_) capacity_ *= 2;
  points_.push_back(point);
  weights_.push_back(weight);
  return true;
}

void PointSelection::Reset() {
  points_.clear();
  weights_.clear();
  points_.shrink_to_fit();
  weights_.shrink_to_fit();
  capacity_ = kInitialCapacity;
  rotation = Vec3{0.0f, 0.0f, 0.0f};
  scale = Vec3{1.0f, 1.0f, 1.0f};
}

}  // namespace orvane::editor
