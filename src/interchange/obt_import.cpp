#include "interchange/obt_import.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/byte_reader.h"
#include "interchange/number_text.h"
#include "scene/mesh_object.h"

namespace orvane {

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 28;

// Formatted input over the text: each read skips leading whitespace.
class NumberScanner {
 public:
  explicit NumberScanner(const char* p) : p_(p) {}

  bool Float(float* out) {
    char* end = nullptr;
    const double v = std::strtod(p_, &end);
    if (end == p_) return false;
    p_ = end;
    *out = ToFloat(v);
    return true;
  }
  bool Int(long* out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p_, &end, 10);
    if (end == p_ || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    p_ = end;
    *out = v;
    return true;
  }

 private:
  const char* p_;
};

ImportedFile Failure(const char* text) {
  ImportedFile result;
  result.title = kReadErrorTitle;
  result.text = text;
  return result;
}

}  // namespace

ImportedFile ReadObtText(const std::string& text) {
  const std::size_t line_end = text.find('\n');
  const std::string magic = text.substr(0, line_end < 6 ? line_end : 6);
  if (magic != "HM_OBT") return Failure(kReadErrorText);

  NumberScanner in(text.c_str() + magic.size());
  float version = 0.0f;
  if (!in.Float(&version) || version != 1.0f) return Failure(kUnsupportedVersionText);
  long point_count = 0;
  if (!in.Int(&point_count)) return Failure(kUnsupportedVersionText);
  if (point_count < 0 || static_cast<unsigned long>(point_count) > kMaxMeshPoints)
    return Failure(kReadErrorText);

  // Records are collected before the mesh is sized, so a count larger than the file holds
  // costs nothing.
  std::vector<Vec3> points;
  for (long k = 0; k < point_count; ++k) {
    Vec3 p;
    if (!in.Float(&p.x) || !in.Float(&p.y) || !in.Float(&p.z)) return Failure(kReadErrorText);
    points.push_back(p);
  }
  long triangle_count = 0;
  if (!in.Int(&triangle_count) || triangle_count < 0 ||
      static_cast<unsigned long>(triangle_count) > kMaxMeshTriangles)
    return Failure(kReadErrorText);
  std::vector<uint32_t> corners;
  for (long j = 0; j < triangle_count; ++j) {
    long index[4];
    for (long& v : index) {
      if (!in.Int(&v)) return Failure(kReadErrorText);
    }
    for (int c = 0; c < 3; ++c) {
      if (index[c] < 0 || index[c] >= point_count) return Failure(kReadErrorText);
      corners.push_back(static_cast<uint32_t>(index[c]));
    }
  }

  auto* mesh = TryNew<MeshObject>();
  bool ok = mesh && mesh->SetPointCount(static_cast<uint32_t>(points.size())) == 0 &&
            mesh->SetTriangleCount(static_cast<uint32_t>(corners.size() / 3)) == 0;
  for (std::size_t k = 0; ok && k < points.size(); ++k)
    ok = mesh->SetPoint(static_cast<uint32_t>(k), points[k]) == 0;
  for (std::size_t j = 0; ok && j < corners.size() / 3; ++j) {
    ok = mesh->SetTriangle(static_cast<uint32_t>(j), corners[3 * j], corners[3 * j + 1],
                           corners[3 * j + 2]) == 0;
  }
  if (!ok) {
    delete mesh;
    return Failure(kReadErrorText);
  }
  ImportedFile result;
  result.object = mesh;
  return result;
}

ImportedFile ImportObt(const char* path) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, kMaxFileSize)) return Failure(kReadErrorText);
  return ReadObtText(std::string(bytes.begin(), bytes.end()));
}

}  // namespace orvane
