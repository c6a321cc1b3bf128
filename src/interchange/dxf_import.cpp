#include "interchange/dxf_import.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/byte_reader.h"
#include "interchange/number_text.h"

namespace orvane {

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 28;
constexpr double kDxfScale = 5.0;
constexpr std::string_view kEntitiesStart = "0SECTION2ENTITIES";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The lines of a text one at a time, without their blanks and carriage returns at either end.
// A newline at the very end starts no further line. Only views into the text are kept, so a
// file of millions of short lines costs no memory per line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return next_ >= text_.size(); }
  std::string_view Next() {
    std::size_t end = text_.find('\n', next_);
    if (end == std::string_view::npos) end = text_.size();
    std::size_t begin = next_;
    next_ = end + 1;
    while (begin < end && IsBlank(text_[begin])) ++begin;
    while (end > begin && IsBlank(text_[end - 1])) --end;
    return text_.substr(begin, end - begin);
  }

 private:
  std::string_view text_;
  std::size_t next_ = 0;
};

// Whether the lines `a` and `b`, joined without separator, read `joined`.
bool IsJoined(std::string_view a, std::string_view b, std::string_view joined) {
  return a.size() + b.size() == joined.size() && joined.substr(0, a.size()) == a &&
         joined.substr(a.size()) == b;
}

// Whether the first four lines, joined, read "0SECTION2ENTITIES".
bool StartsWithEntities(LineCursor& lines) {
  std::string joined;
  for (int k = 0; k < 4; ++k) {
    if (lines.AtEnd()) return false;
    const std::string_view line = lines.Next();
    if (joined.size() + line.size() > kEntitiesStart.size()) return false;
    joined += line;
  }
  return joined == kEntitiesStart;
}

bool IsCoordinateCode(std::string_view code) {
  return code.size() == 2 && (code[0] == '1' || code[0] == '2' || code[0] == '3') &&
         code[1] >= '0' && code[1] <= '3';
}

// A value line read like atof, times the DXF scale, as a float coordinate.
float Coordinate(std::string_view value) {
  const std::string text(value);
  return ToFloat(std::strtod(text.c_str(), nullptr) * kDxfScale);
}

}  // namespace

int ReadDxfText(const std::string& text, MeshObject& mesh) {
  LineCursor lines(text);
  if (!StartsWithEntities(lines)) return kDxfNotEntities;

  std::vector<float> values;  // scaled coordinate values in file order
  // Per face, the corner count n once the face was complete: its corners are n - 4 ... n - 1.
  std::vector<uint32_t> face_ends;
  uint32_t n = 0;  // corners completed so far
  for (;;) {
    if (lines.AtEnd()) break;
    const std::string_view start = lines.Next();
    if (lines.AtEnd()) break;
    const bool is_face = IsJoined(start, lines.Next(), "03DFACE");
    const std::size_t values_before = values.size();
    const uint32_t n_before = n;
    bool complete = false;
    while (!complete && !lines.AtEnd()) {
      const std::string_view code = lines.Next();
      if (!IsCoordinateCode(code)) continue;
      if (lines.AtEnd()) break;
      values.push_back(Coordinate(lines.Next()));
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
    face_ends.push_back(n);
    // Two triangles per face: too many faces refuse the file as soon as they are seen.
    if (face_ends.size() > kMaxMeshTriangles / 2) return kDxfUnreadable;
    if (!is_face) break;
  }

  const std::size_t point_count = values.size() / 3;
  for (uint32_t end : face_ends) {
    if (end > point_count) return kDxfUnreadable;
  }
  if (point_count > kMaxMeshPoints) return kDxfUnreadable;
  const std::size_t triangle_count = 2 * face_ends.size();
  if (mesh.SetPointCount(static_cast<uint32_t>(point_count)) != 0) return kDxfUnreadable;
  if (mesh.SetTriangleCount(static_cast<uint32_t>(triangle_count)) != 0) return kDxfUnreadable;
  for (std::size_t i = 0; i < point_count; ++i) {
    mesh.SetPoint(static_cast<uint32_t>(i), values[3 * i], values[3 * i + 1], values[3 * i + 2]);
  }
  for (std::size_t f = 0; f < face_ends.size(); ++f) {
    const uint32_t c0 = face_ends[f] - 4, c1 = c0 + 1, c2 = c0 + 2, c3 = c0 + 3;
    mesh.SetTriangle(static_cast<uint32_t>(2 * f), c0, c1, c3);
    mesh.SetTriangle(static_cast<uint32_t>(2 * f + 1), c1, c2, c3);
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
