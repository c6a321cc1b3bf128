#pragma once
// Placement: where a scene item sits and how it is turned.
//
// `position` is the item's reference point in world coordinates (meshes rotate and scale
// about it); `axis_X`, `axis_Y` and `axis_Z` are the item's own frame as unit vectors in
// world coordinates; `axis_deg` holds the accumulated rotation angles about X, Y and Z in
// degrees. World axes: +X right, +Y up, +Z into the picture; +Y is the up vector of every
// look-at construction.
//
// The frame operations never touch `position` or `axis_deg`: moving and rotating the
// position, and bookkeeping of the angles, belong to the items that own the placement.

#include <array>
#include <type_traits>

#include "foundation/ov_string.h"
#include "foundation/vec3.h"

namespace orvane {

struct Placement {
  Vec3 position{0.0f, 0.0f, 0.0f};
  Vec3 axis_X{1.0f, 0.0f, 0.0f};
  Vec3 axis_Y{0.0f, 1.0f, 0.0f};
  Vec3 axis_Z{0.0f, 0.0f, 1.0f};
  Vec3 axis_deg{0.0f, 0.0f, 0.0f};

  bool operator==(const Placement&) const = default;

  // Back to the default: origin, identity frame, no angles.
  void Reset();

  // Applies the Euler sequence (degrees, order code; see Vec3::RotateEuler) to the three axes.
  void RotateAxesEuler(const Vec3& degrees, int order);
  // Rotates the three axes by `degrees` about `axis` (through the origin). The axis is read
  // once, so it may be one of this frame's own axes.
  void RotateAxesAboutAxis(double degrees, const Vec3& axis);

  // Turns the frame so that `axis_Z` looks along `direction`, `axis_X` stays horizontal and
  // `axis_Y` points upwards. Straight up or down the frame becomes Z = (0,±1,0),
  // X = (1,0,0), Y = (0,0,±1). A direction shorter than kEps changes nothing.
  void PointAlong(const Vec3& direction);
  // PointAlong(point - position).
  void LookAt(const Vec3& point);

  // The five scene-language lines, without line feeds, in this order:
  // "position <x,y,z>", "axis_deg <...>", "axis_X <...>", "axis_Y <...>", "axis_Z <...>",
  // the numbers in "%g".
  std::array<String, 5> TextLines() const;
};

static_assert(sizeof(Placement) == 15 * sizeof(float), "Placement is 15 packed floats");
static_assert(std::is_standard_layout_v<Placement>);

}  // namespace orvane
