#include "modelling/height_field.h"

#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/sampling.h"
#include "material/texture.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/scene.h"

namespace orvane {

namespace {

constexpr const char* kFehlerTitle = "Fehler";
constexpr const char* kSelectTextureText = "You must select a texture.";
constexpr const char* kSelectTextureFirstText = "You must select a texture first.";

// The largest texture coordinate sampled.
constexpr double kLastSample = 0.999;
constexpr double kByteToFraction = 0.003921569;

// Samples one texture through a material that holds it on its diffuse channel with tile 1, so
// the lookup is exactly the renderer's.
class BrightnessSampler {
 public:
  explicit BrightnessSampler(const Texture& texture) {
    // The material only reads the texture.
    material_.setTexture(kDiffuse, const_cast<Texture*>(&texture));
    material_.setHasTexture(kDiffuse, 1);
  }
  double At(double u, double v) const {
    return SampleBrightness(material_, kDiffuse, u, v) * kByteToFraction;
  }

 private:
  Material material_;
};

// Cell (r, c) of a grid `columns` cells wide: its two triangles.
void CellTriangles(uint32_t r, uint32_t c, uint32_t columns, Triangle* out) {
  const uint32_t row = columns + 1;
  const uint32_t p00 = r * row + c;
  const uint32_t p01 = p00 + 1;
  const uint32_t p10 = p00 + row;
  const uint32_t p11 = p10 + 1;
  out[0].a = p00;
  out[0].b = p01;
  out[0].c = p10;
  out[1].a = p11;
  out[1].b = p10;
  out[1].c = p01;
}

// A mesh that owns the given arrays; null (the arrays freed) when it cannot be had.
MeshObject* MeshOf(std::unique_ptr<Vec3[]> points, uint32_t point_count,
                   std::unique_ptr<Triangle[]> triangles, uint32_t triangle_count) {
  std::unique_ptr<MeshObject> mesh(TryNew<MeshObject>());
  if (!mesh) return nullptr;
  if (mesh->AdoptPoints(points.get(), point_count, true) != 0) return nullptr;
  points.release();
  if (mesh->AdoptTriangles(triangles.get(), triangle_count, true) != 0) return nullptr;
  triangles.release();
  mesh->ComputeTriangleData();
  return mesh.release();
}

bool CountsInRange(int64_t nx, int64_t ny) {
  return nx >= 1 && ny >= 1 && nx <= kMaxSegments && ny <= kMaxSegments &&
         static_cast<uint64_t>(nx) * static_cast<uint64_t>(ny) <= kMaxHeightFieldCells;
}

bool UsableSize(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

Texture* ChosenTexture(const Scene& scene, const String& name) {
  if (name.IsEmpty()) return nullptr;
  return FindTexture(scene.images, name);
}

bool TexturesLoaded(const Scene& scene) {
  if (!scene.images) return false;
  for (ListNode* node = scene.images->head; node; node = node->next) {
    if (node->item && node->item->GetType() == kItemTexture) return true;
  }
  return false;
}

// The checks both commands share after the texture: the name, then the counts.
bool NameAndCountsRefused(const Scene& scene, const String& name, int64_t nx, int64_t ny,
                          CommandResult* refusal) {
  if (IsNameTaken(scene, name, NameKind::kObject)) {
    *refusal = CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  } else if (nx < 1 || ny < 1) {
    *refusal = CommandResult::Refused(kErrorTitle, kSubdivisionsText);
  } else if (nx > kMaxSegments || ny > kMaxSegments) {
    *refusal = CommandResult::Refused(kErrorTitle, kTooManySegmentsText);
  } else if (!CountsInRange(nx, ny)) {
    *refusal = CommandResult::Refused(kErrorTitle, kTooManyTrianglesText);
  } else {
    return false;
  }
  return true;
}

CommandResult Added(Scene& scene, MeshObject* mesh, const String& name) {
  if (!mesh) {
    ErrorOutput() << "ERROR: Could not allocate memory for the new mesh.\n";
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  }
  return AddToScene(scene, mesh, name);
}

}  // namespace

double BrightnessAt(const Texture& texture, double u, double v) {
  return BrightnessSampler(texture).At(u, v);
}

MeshObject* BuildHeightField(const Texture& texture, const HeightFieldInput& in) {
  if (!CountsInRange(in.subdivisions_x, in.subdivisions_z)) return nullptr;
  const auto nx = static_cast<uint32_t>(in.subdivisions_x);
  const auto nz = static_cast<uint32_t>(in.subdivisions_z);
  const uint32_t point_count = (nx + 1) * (nz + 1);
  const uint32_t triangle_count = 2 * nx * nz;
  std::unique_ptr<Vec3[]> points(TryNewArray<Vec3>(point_count));
  std::unique_ptr<Triangle[]> triangles(TryNewArray<Triangle>(triangle_count));
  if (!points || !triangles) return nullptr;

  for (uint32_t r = 0; r < nz; ++r) {
    for (uint32_t c = 0; c < nx; ++c) CellTriangles(r, c, nx, &triangles[2 * (r * nx + c)]);
  }

  const BrightnessSampler sampler(texture);
  const double sx = in.size_x;
  const double sz = in.size_z;
  const double height = in.height;
  const double water = height != 0.0 ? in.water_level / height : 0.0;
  for (uint32_t r = 0; r <= nz; ++r) {
    const double v = kLastSample - (kLastSample / nz) * r;
    for (uint32_t c = 0; c <= nx; ++c) {
      const double u = (kLastSample / nx) * c;
      const double b = sampler.At(u, v);
      const double e = water <= b ? b - water : 0.0;
      Vec3& p = points[r * (nx + 1) + c];
      if (!in.sphere) {
        p = Vec3{static_cast<float>((sx / nx) * c - sx / 2.0), static_cast<float>(e * height),
                 static_cast<float>((sz / nz) * r - sz / 2.0)};
        continue;
      }
      const Vec3 turn{0.0f, static_cast<float>(-360.0 * c / nx),
                      static_cast<float>(180.0 * r / nz)};
      if (sx != 0.0) {
        p = Vec3{0.0f, static_cast<float>(-sx), 0.0f};
        p.RotateEuler(turn, kEulerZY);
        p *= (e * height + sx) / sx;
      } else {
        p = Vec3{0.0f, -1.0f, 0.0f};
        p.RotateEuler(turn, kEulerZY);
        p *= e * height;
      }
    }
  }
  return MeshOf(std::move(points), point_count, std::move(triangles), triangle_count);
}

MeshObject* BuildImageScan(const Texture& texture, const ImageScanInput& in) {
  if (!CountsInRange(in.subdivisions_x, in.subdivisions_y)) return nullptr;
  const auto nx = static_cast<uint32_t>(in.subdivisions_x);
  const auto ny = static_cast<uint32_t>(in.subdivisions_y);
  const uint32_t row = nx + 1;
  const BrightnessSampler sampler(texture);

  // The kept cells and, per grid point, its index in the compacted mesh (or kUnused).
  constexpr uint32_t kUnused = UINT32_MAX;
  std::vector<uint8_t> kept;
  std::vector<uint32_t> new_index;
  try {
    kept.assign(static_cast<size_t>(nx) * ny, 0);
    new_index.assign(static_cast<size_t>(row) * (ny + 1), kUnused);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  uint32_t triangle_count = 0;
  for (uint32_t r = 0; r < ny; ++r) {
    const double v = kLastSample - (kLastSample / ny) * r;
    for (uint32_t c = 0; c < nx; ++c) {
      if (!(sampler.At((kLastSample / nx) * c, v) > in.threshold)) continue;
      kept[r * nx + c] = 1;
      triangle_count += 2;
      for (uint32_t p : {r * row + c, r * row + c + 1, (r + 1) * row + c, (r + 1) * row + c + 1})
        new_index[p] = 0;
    }
  }
  uint32_t point_count = 0;
  for (uint32_t& index : new_index) {
    if (index != kUnused) index = point_count++;
  }

  std::unique_ptr<Vec3[]> points(TryNewArray<Vec3>(point_count));
  std::unique_ptr<Triangle[]> triangles(TryNewArray<Triangle>(triangle_count));
  if ((point_count > 0 && !points) || (triangle_count > 0 && !triangles)) return nullptr;
  const double sx = in.size_x;
  const double sy = in.size_y;
  for (uint32_t r = 0; r <= ny; ++r) {
    for (uint32_t c = 0; c <= nx; ++c) {
      const uint32_t index = new_index[r * row + c];
      if (index == kUnused) continue;
      points[index] = Vec3{static_cast<float>((sx / nx) * c - sx / 2.0),
                           static_cast<float>((sy / ny) * r - sy / 2.0), 0.0f};
    }
  }
  uint32_t at = 0;
  for (uint32_t r = 0; r < ny; ++r) {
    for (uint32_t c = 0; c < nx; ++c) {
      if (!kept[r * nx + c]) continue;
      CellTriangles(r, c, nx, &triangles[at]);
      for (uint32_t k = at; k < at + 2; ++k) {
        triangles[k].a = new_index[triangles[k].a];
        triangles[k].b = new_index[triangles[k].b];
        triangles[k].c = new_index[triangles[k].c];
      }
      at += 2;
    }
  }
  return MeshOf(std::move(points), point_count, std::move(triangles), triangle_count);
}

CommandResult CreateHeightField(Scene& scene, const HeightFieldInput& in) {
  if (!TexturesLoaded(scene)) return CommandResult::Refused(kNoTexturesTitle, kNoTexturesText);
  const Texture* texture = ChosenTexture(scene, in.texture);
  if (!texture) return CommandResult::Refused(kErrorTitle, kSelectTextureText);
  CommandResult refusal;
  if (NameAndCountsRefused(scene, in.name, in.subdivisions_x, in.subdivisions_z, &refusal))
    return refusal;
  if (!UsableSize(in.size_x) || !UsableSize(in.size_z) || !UsableSize(in.height) ||
      !UsableSize(in.water_level)) {
    return CommandResult::Refused(kErrorTitle, kBadSizeText);
  }
  return Added(scene, BuildHeightField(*texture, in), in.name);
}

CommandResult ScanImage(Scene& scene, const ImageScanInput& in) {
  if (!TexturesLoaded(scene)) return CommandResult::Refused(kNoTexturesTitle, kNoTexturesText);
  const Texture* texture = ChosenTexture(scene, in.texture);
  if (!texture) return CommandResult::Refused(kFehlerTitle, kSelectTextureFirstText);
  CommandResult refusal;
  if (NameAndCountsRefused(scene, in.name, in.subdivisions_x, in.subdivisions_y, &refusal))
    return refusal;
  if (!UsableSize(in.size_x) || !UsableSize(in.size_y) || !std::isfinite(in.threshold))
    return CommandResult::Refused(kErrorTitle, kBadSizeText);
  return Added(scene, BuildImageScan(*texture, in), in.name);
}

}  // namespace orvane
