#pragma once
// Height field and image scan: two generators that read a loaded texture as a grey-value map.
//
// Brightness: the texture's brightness at texture coordinates (u, v), u and v in [0, 0.999]
// (1 is never reached), through the renderer's brightness lookup (filtered texels, tile 1; see
// render/sampling.h), scaled by 0.003921569 (1/255) to a fraction b in [0, 1]. A texture that
// gives no texels (a palette, an image without pixels) reads as white. v runs against the grid
// rows: row 0 samples v = 0.999, the bottom of the picture.
//
// Height field, Nx × Nz cells of Sx × Sz: point P(r, c) = r × (Nx + 1) + c for rows
// r = 0 … Nz and columns c = 0 … Nx, at u = (0.999 / Nx) c, v = 0.999 − (0.999 / Nz) r. With
// the water level made relative (w / H; 0 when H is 0), the elevation is e = b − w/H where
// that is not negative, else 0 (a flat floor). Flat: ((Sx / Nx) c − Sx / 2, e H,
// (Sz / Nz) r − Sz / 2). Sphere: (0, −Sx, 0) turned about Z by 180 r / Nz degrees, then about Y
// by −360 c / Nx, then scaled by (e H + Sx) / Sx, so that Sx is the radius and the elevation
// pushes outward (with Sx = 0 the point is the turned unit vector (0, −1, 0) times e H).
// Cell (r, c) gives triangles 2 (r Nx + c) = (P(r, c), P(r, c + 1), P(r + 1, c)) and
// 2 (r Nx + c) + 1 = (P(r + 1, c + 1), P(r + 1, c), P(r, c + 1)).
//
// Image scan, Nx × Ny cells of Sx × Sy in the XY plane: point P(r, c) at
// ((Sx / Nx) c − Sx / 2, (Sy / Ny) r − Sy / 2, 0) (real divisions); a cell whose brightness at
// u = (0.999 / Nx) c, v = 0.999 − (0.999 / Ny) r exceeds the threshold gives the same two
// triangles as above. Only the points that a kept triangle uses are kept, in index order, and
// the triangles are renumbered to match; a dark image gives an empty mesh.
//
// Counts: the subdivisions are whole numbers (the dialogs read counts as integers), each from
// 1 to kMaxSegments (10000), and the grid at most kMaxHeightFieldCells cells (1000 × 1000, or
// 10000 × 100: 2,000,000 triangles, kMaxBuiltTriangles). Sizes, heights and levels must be
// finite and within kMaxSize. Larger or invalid requests are refused; nothing is built.
//
// Results: the new mesh is named as asked, gets the default material, its triangle data is
// computed and it is appended to the scene's object list (command_result.h).

#include <cstdint>

#include "foundation/ov_string.h"
#include "modelling/command_result.h"

namespace orvane {

class MeshObject;
class Scene;
class Texture;

// The largest grid of either generator, in cells (two triangles each).
inline constexpr uint64_t kMaxHeightFieldCells = 1000000;

// Refusals of both generators.
inline constexpr const char* kNoTexturesTitle = "Attention";
inline constexpr const char* kNoTexturesText =
    "There are no textures loaded!\nPlease load or create a textur first!";
inline constexpr const char* kSubdivisionsText =
    "The number of subdivisions must be greater than 0.";

// What the "Height Field" dialog collects.
struct HeightFieldInput {
  String name = "Height Field";
  String texture;  // the chosen texture's name; empty when none is chosen
  float size_x = 8.0f;
  float size_z = 6.0f;
  int64_t subdivisions_x = 40;
  int64_t subdivisions_z = 30;
  float height = 20.0f;      // H, the height of full brightness
  float water_level = 0.0f;  // w, in the units of H
  bool sphere = false;
};

// What the "Scan Image" dialog collects.
struct ImageScanInput {
  String name = "Scan";
  String texture;
  float size_x = 8.0f;
  float size_y = 6.0f;
  int64_t subdivisions_x = 40;
  int64_t subdivisions_y = 30;
  float threshold = 0.5f;  // brightness fraction, 0 to 1
};

// The texture's brightness fraction at (u, v), as both generators sample it (u and v are not
// clamped here; the generators stay within [0, 0.999]).
double BrightnessAt(const Texture& texture, double u, double v);

// The meshes alone (no name, no material), for valid inputs as the commands check them; null
// when memory cannot be had or the counts are out of range.
MeshObject* BuildHeightField(const Texture& texture, const HeightFieldInput& in);
MeshObject* BuildImageScan(const Texture& texture, const ImageScanInput& in);

// "3D-Mesh-Objects > Height Field...". Checks, in this order: a texture is loaded
// (kNoTexturesText, "Attention"); the chosen texture exists ("You must select a texture.",
// "Error"); the name (kNameTakenText, "Error"); subdivisions at least 1 (kSubdivisionsText,
// "Error") and within the bounds (kTooManySegmentsText, kTooManyTrianglesText); the sizes
// (kBadSizeText). Then the height field is built and added.
CommandResult CreateHeightField(Scene& scene, const HeightFieldInput& in);

// "Polygon > from Image...". The same checks, with "You must select a texture first."
// ("Fehler") for a missing texture and a threshold that is a finite number (kBadSizeText).
CommandResult ScanImage(Scene& scene, const ImageScanInput& in);

}  // namespace orvane
