#pragma once
// The editing state the views, the tool windows and the object browser share: what the mouse
// does (Navigation), what it edits (Edit-Control, Coordinate-Control) and the selected points
// of the current mesh.

#include <cstdint>
#include <vector>

#include "foundation/vec3.h"
#include "modelling/object_edits.h"

namespace orvane::editor {

// The Navigation window: the operation a drag performs, the frame it works in and the axes
// it may change.
enum class Operation : int { kMove = 1, kRotate = 2, kScale = 3 };
enum class Frame : int { kObject = 0, kWorld = 1, kCamera = 2 };

struct NavigationState {
  Operation operation = Operation::kMove;
  Frame frame = Frame::kObject;
  bool axis[3] = {true, true, true};  // X, Y, Z enabled
};

// The point tools of Points mode; at most one is on.
enum class PointTool : int { kNone = 0, kSelect, kAdd, kBorder };

// How the magnet's weight falls off with the distance (setting 12 of ov_gui.ovi).
enum class Falloff : int { kLinear = 1, kQuadratic = 2, kRoot = 3, kConstant = 4 };

struct EditState {
  EditMode mode = EditMode::kObject;
  PointTool tool = PointTool::kNone;
  bool magnet = false;
  float magnet_radius = 1.0f;
  Falloff falloff = Falloff::kLinear;
  bool raster = false;
  float raster_size = 1.0f;
  // What the raster has held back of the steps of a drag, per axis.
  float raster_sum[3] = {0.0f, 0.0f, 0.0f};
};

// The selected points of the current mesh: point indices with their weights (0..1), an
// accumulated rotation of the selection (degrees, reset 0) and an accumulated scale (reset 1).
// The capacity starts at 100 and doubles whenever an entry does not fit.
class PointSelection {
 public:
  static constexpr uint32_t kInitialCapacity = 100;

  uint32_t count() const { return static_cast<uint32_t>(points_.size()); }
  uint32_t capacity() const { return capacity_; }
  bool empty() const { return points_.empty(); }
  uint32_t point(uint32_t i) const { return points_[i]; }
  float weight(uint32_t i) const { return weights_[i]; }
  const std::vector<uint32_t>& points() const { return points_; }
  std::vector<uint32_t>& points() { return points_; }
  bool Contains(uint32_t point) const;
  // Adds `point` with `weight` unless it is selected already; false then.
  bool Add(uint32_t point, float weight);
  // Empties the selection: count 0, capacity 100, rotation 0, scale 1.
  void Reset();

  Vec3 rotation{0.0f, 0.0f, 0.0f};
  Vec3 scale{1.0f, 1.0f, 1.0f};

 private:
  std::vector<uint32_t> points_;
  std::vector<float> weights_;
  uint32_t capacity_ = kInitialCapacity;
};

}  // namespace orvane::editor
