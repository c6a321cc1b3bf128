#pragma once
// Number conversions shared by the text importers.

#include <cfloat>
#include <cmath>
#include <limits>

namespace orvane {

// `value` as a float; values beyond the float range become infinities of their sign.
inline float ToFloat(double value) {
  if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

}  // namespace orvane
