#include "interchange/dxf_import.h"

#include <cstdlib>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/byte_reader.h"
#include "interchange/number_text.h"

namespace orvane {

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 28;
constexpr double kDxfScale = 5.0;

std::string Trimmed(const std::string& line, std::size_t begin, std::size_t end) {
  while (begin < end && (line[begin] == ' ' || line[begin] == '\t' || line[begin] == '\r')) ++begin;
  while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
    --end;
  return line.substr(begin, end - begin);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(Trimmed(text, begin, end));
    begin = end + 1;
  }
  return lines;
}

bool IsCoordinateCode(const std::string& code) {
  return code.size() == 2 && (code[0] == '1' || code[0] == '2' || code[0] == '3') &&
         code[1] >= '0' && code[1] <= '3';
}

}  // namespace

int ReadDxfText(const std::string& text, MeshObject& mesh) {
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.size() < 4 || lines[0] + lines[1] + lines[2] + lines[3] != "0SECTION2ENTITIES")
    return kDxfNotEntities;

  std::vector<const std::string*> values;  // coordinate values in file order
  std::vector<uint32_t> corners;           // three per triangle
  std::size_t pos = 4;
  uint32_t n = 0;  // corners completed so far
  for (;;) {
    if (lines.size() - pos < 2) break;
    const bool is_face = lines[pos] + lines[pos + 1] == "03DFACE";
    pos += 2;
    const std::size_t values_before = values.size();
    const uint32_t n_before = n;
    bool complete = false;
    while (!complete && pos < lines.size()) {
      const std::string& code = lines[pos++];
      if (!IsCoordinateCode(code)) continue;
      if (pos == lines.size()) break;
      values.push_back(&lines[pos++]);
      if (code[0] == '3') ++n;
      complete = code == "33";
    }
    if (!complete) {
      // The lines ran out: the normal end after the last face (the end-of-section pair was
      // read as a face start), a fault inside a 3DFACE.
      if (is_face) return kDxfUnreadable;
      values.resize(values_before);
      n = n_before;
      break;
    }
    if (n < 4) return kDxfUnreadable;
    const uint32_t c0 = n - 4, c1 = n - 3, c2 = n - 2, c3 = n - 1;
    corners.insert(corners.end(), {c0, c1, c3, c1, c2, c3});
    if (!is_face) break;
  }

  const std::size_t point_count = values.size() / 3;
  for (uint32_t index : corners) {
    if (index >= point_count) return kDxfUnreadable;
  }
  if (point_count > kMaxMeshPoints || corners.size() / 3 > kMaxMeshTriangles) return kDxfUnreadable;
  if (mesh.SetPointCount(static_cast<uint32_t>(point_count)) != 0) return kDxfUnreadable;
  if (mesh.SetTriangleCount(static_cast<uint32_t>(corners.size() / 3)) != 0) return kDxfUnreadable;
  for (std::size_t i = 0; i < point_count; ++i) {
    const double x = std::strtod(values[3 * i]->c_str(), nullptr) * kDxfScale;
    const double y = std::strtod(values[3 * i + 1]->c_str(), nullptr) * kDxfScale;
    const double z = std::strtod(values[3 * i + 2]->c_str(), nullptr) * kDxfScale;
    mesh.SetPoint(static_cast<uint32_t>(i), ToFloat(x), ToFloat(y), ToFloat(z));
  }
  for (std::size_t j = 0; j < corners.size() / 3; ++j) {
    mesh.SetTriangle(static_cast<uint32_t>(j), corners[3 * j], corners[3 * j + 1],
                     corners[3 * j + 2]);
  }
  return kDxfOk;
}

int ReadDxf(const char* path, MeshObject& mesh) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, kMaxFileSize)) return kDxfUnreadable;
  return ReadDxfText(std::string(bytes.begin(), bytes.end()), mesh);
}

ImportedFile ImportDxf(const char* path) {
  ImportedFile result;
  auto* mesh = TryNew<MeshObject>();
  if (!mesh || ReadDxf(path, *mesh) != kDxfOk) {
    delete mesh;
    result.title = kReadErrorTitle;
    result.text = kReadErrorText;
    return result;
  }
  result.object = mesh;
  return result;
}

}  // namespace orvane
