#pragma once
// Texture sampling of material channels at texture coordinates (u, v).
//
// Scene objects compute their own (u, v) while intersecting (spheres, planes) or through their
// mapping object (meshes), call these functions with them and keep the last colour sample
// themselves; the functions read the material and its textures and write nothing.
//
// Tiling: su = tileX × u and sv = tileY × v of the channel, each reduced to its fractional
// part x - floor(x), so textures repeat (a non-finite product counts as 0).
//
// Image lookup: x = truncate(width × su), fx = width × su - x, then x is clamped to width - 1
// (su can round up to 1.0); y likewise. With A = C = texel (x, y), B = texel (x + 1, y) and
// D = texel (x, y + 1), the neighbours wrapping to column or row 0, the filtered value is
// 0.5 × [(1 - fx) A + fx B + (1 - fy) C + fy D]: the mean of a horizontal and a vertical linear
// interpolation. Fractal, chess and fade textures are evaluated at (su, sv) unfiltered.
//
// A channel has a usable texture when its has-texture flag is 1, its texture pointer is set,
// and the texture is an image with pixels or a fractal, chess or fade pattern; palette
// textures (kind 3) give no texel.

#include "foundation/vec3.h"
#include "material/material.h"
#include "material/texture.h"

namespace orvane {

// The channel colour (0..255 per component) plus, when the channel has a usable texture and
// u >= 0, the texture's colour at (u, v). Not clamped: a white channel and a white texel give
// 510. Channels outside 0..6 answer black. A negative u is the "no texture coordinates" mark.
ColourF SampleColour(const Material& material, int channel, double u, double v);

// The texture's brightness 0..255 at (u, v): 0.3 R + 0.59 G + 0.11 B of the filtered lookup
// (8-bit pictures through their palette brightness, whole numbers per texel), the palette
// brightness of a fractal's index, or the brightness of the chess or fade colour. 255 for a
// channel outside 0..6 (channel 7 included) or without a usable texture. A negative u is
// tiled like any other.
float SampleBrightness(const Material& material, int channel, double u, double v);

// The bump perturbation that spheres and planes add to their normal at (u, v): zero unless the
// bump channel's value(kBump, 0) > 0 and it has a usable image texture. Otherwise, with
// x = truncate(width × su), y = truncate(height × sv) and b0, bx, by the brightness of the
// texels (x, y), (x + 1, y), (x, y + 1) (wrapping):
//   (b0 - bx) / 255 × value × T1 + (b0 - by) / 255 × value × T2,
// T1 = unit(axis_Y × normal), T2 = unit(axis_X × normal). On a plane (normal = axis_Z, u growing
// along axis_X, v growing along -axis_Y) T1 points toward growing u and T2 toward growing v, so
// bright texels stand out as raised. A tangent whose cross product is shorter than kEps (normal
// along that axis) contributes nothing.
Vec3 BumpPerturbation(const Material& material, float u, float v, const Vec3& normal,
                      const Vec3& axis_X, const Vec3& axis_Y);

}  // namespace orvane
