// The mesh's and the path's preview geometry for the editor's views (z negated).
#include <algorithm>
#include <cstdint>

#include "scene/mesh_object.h"

namespace orvane {

namespace {

// The primitive mode of a path's poly-line, numbered as OpenGL numbers it.
constexpr int32_t kPreviewLineStrip = 3;

Vec3 ForView(const Vec3& v) {
  return Vec3{v.x, v.y, -v.z};
}

}  // namespace

// --- Preview ------------------------------------------------------------------------------

Vec3 MeshObject::PreviewPoint(const Vec3& p) const {
  const bool scale_pending = scale_center && !(scale == Vec3{1.0f, 1.0f, 1.0f});
  if (!scale_pending) return ForView(p);
  return ForView(ScaledAbout(p, *scale_center, MeshSettings().coordinate_mode));
}

void MeshObject::BuildPreview(PreviewSink& sink, int variant) {
  if (variant == 3) {
    BuildPointPreview(sink);
  } else if (variant == 0 || variant == 1) {
    if (IsPath()) {
      BuildPathPreview(sink, variant);
    } else {
      BuildMeshPreview(sink, variant);
    }
  }
  preview_dirty = 0;
}

// Variant 0 draws every triangle, variant 1 (while the user drags) every n-th one.
void MeshObject::BuildMeshPreview(PreviewSink& sink, int variant) {
  const MeshViewSettings& view = MeshSettings();
  if (view.shaded) {
    preview_mode = kPreviewTriangles;
    ComputeTriangleData();
  } else {
    preview_mode = kPreviewLineLoop;
  }
  const uint64_t step = variant == 1 ? std::max<uint32_t>(view.reduced_step, 1) : 1;
  uint32_t& slot = display_lists[variant];
  // A former path shares its first list with the second; that one must not be overwritten.
  const uint32_t reuse = (variant == 1 && slot == display_lists[0]) ? 0 : slot;
  slot = sink.BeginList(*this, reuse);
  for (uint64_t i = 0; i < triangle_count; i += step) {
    const Triangle& t = triangles[i];
    if (!TriangleInRange(t)) continue;
    sink.Begin(preview_mode);
    sink.Normal(ForView(t.normal));
    sink.Vertex(PreviewPoint(points[t.a]));
    sink.Vertex(PreviewPoint(points[t.b]));
    sink.Vertex(PreviewPoint(points[t.c]));
    sink.End();
  }
  sink.EndList();
}

// Both variants draw the poly-line into the first list, which the second list shares.
void MeshObject::BuildPathPreview(PreviewSink& sink, int) {
  display_lists[0] = sink.BeginList(*this, display_lists[0]);
  sink.Begin(kPreviewLineStrip);
  for (uint32_t i = 0; i < point_count; ++i) sink.Vertex(PreviewPoint(points[i]));
  sink.End();
  sink.EndList();
  if (display_lists[1] != 0 && display_lists[1] != display_lists[0])
    sink.DeleteList(display_lists[1]);
  display_lists[1] = display_lists[0];
}

void MeshObject::BuildPointPreview(PreviewSink& sink) {
  display_lists[3] = sink.BeginList(*this, display_lists[3]);
  sink.Begin(kPreviewPoints);
  for (uint32_t i = 0; i < point_count; ++i) sink.Vertex(PreviewPoint(points[i]));
  sink.End();
  sink.EndList();
}

}  // namespace orvane
