// libFuzzer target for the editor's settings files: any bytes read as "ov_gui.ovi" give
// settings inside their ranges, and read as "ov_path.ovi" paths of at most 1000 bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "editor/settings.h"

namespace {

const std::string& FilePath() {
  static const std::string path = "/tmp/fuzz_settings_" + std::to_string(::getpid());
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using orvane::editor::EditorSettings;
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  EditorSettings settings;
  if (!orvane::editor::ReadSettings(FilePath(), &settings)) std::abort();
  EditorSettings limited = settings;
  orvane::editor::LimitSettings(&limited);
  if (!(limited == settings)) std::abort();  // what was read is already in range
  if (settings.jpeg_quality < 0 || settings.jpeg_quality > 100) std::abort();
  if (settings.reduced_step < 1 || settings.magnet_falloff < 1 || settings.magnet_falloff > 4)
    std::abort();
  std::vector<std::string> paths;
  if (!orvane::editor::ReadPathList(FilePath(), &paths)) std::abort();
  for (const std::string& p : paths)
    if (p.size() > 1000) std::abort();
  return 0;
}
