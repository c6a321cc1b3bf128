#pragma once
// Files for tests: a private temporary folder, whole-file reads and writes, and whether an
// outside tool (a peer program the interoperability tests compare with) is installed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace orvane::test {

// A new, empty folder under the system's temporary directory, named after the running test and
// the process (so that parallel test runs and builds never share one), removed afterwards.
class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "orvane_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    if (info) name += std::string("_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';  // parameterized test names
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole file, or nothing when it cannot be read.
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Whether every command of the blank-separated list `names` is on the PATH.
inline bool HasTool(const std::string& names) {
  std::string probe = "true";
  std::size_t begin = 0;
  while (begin < names.size()) {
    std::size_t end = names.find(' ', begin);
    if (end == std::string::npos) end = names.size();
    if (end > begin) probe += " && command -v " + names.substr(begin, end - begin);
    begin = end + 1;
  }
  return std::system((probe + " >/dev/null 2>&1").c_str()) == 0;
}

// ImageMagick's convert, when the real program is installed (other packages have a convert too).
inline bool HasImageMagick() {
  std::FILE* p = ::popen("convert -version 2>/dev/null", "r");
  if (!p) return false;
  char text[256] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, p);
  ::pclose(p);
  return std::string(text, n).find("ImageMagick") != std::string::npos;
}

// A binary PNM picture (P6, or P5 with the grey repeated) with maxval 255, as RGB bytes, top row
// first. Width and height stay 0 and rgb empty for anything else.
struct Pnm {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

inline Pnm ParsePnm(const std::vector<uint8_t>& file) {
  Pnm pnm;
  std::size_t pos = 2;
  auto number = [&]() {
    while (pos < file.size() && (std::isspace(file[pos]) || file[pos] == '#')) {
      if (file[pos] == '#') {
        while (pos < file.size() && file[pos] != '\n') ++pos;
      } else {
        ++pos;
      }
    }
    int v = 0;
    while (pos < file.size() && std::isdigit(file[pos]) && v < 100000)
      v = v * 10 + (file[pos++] - '0');
    return v;
  };
  if (file.size() < 2 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) return pnm;
  const std::size_t channels = file[1] == '6' ? 3 : 1;
  const int w = number(), h = number(), maxval = number();
  ++pos;  // the single white-space byte before the pixels
  if (maxval != 255 || pos > file.size() ||
      file.size() - pos != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * channels)
    return pnm;
  pnm.width = w;
  pnm.height = h;
  for (; pos < file.size(); pos += channels) {
    for (std::size_t c = 0; c < 3; ++c) pnm.rgb.push_back(file[pos + (channels == 3 ? c : 0)]);
  }
  return pnm;
}

}  // namespace orvane::test
