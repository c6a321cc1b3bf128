#pragma once
// The editor's stored settings: thirteen lines in "ov_gui.ovi" and the texture search paths,
// one per line, in "ov_path.ovi". Each line ends with a single line feed.
//
// Reading is forgiving: a file that cannot be opened leaves the defaults; a short file leaves
// the missing lines as read from an empty line (0, or an empty path); numbers are read as C's
// atoi reads them (leading blanks, a sign, digits; anything after is ignored; too many digits
// stop at the int range). Then every value is brought into its range, so that nothing a file
// holds reaches the program out of range:
//   start display      anything but 1 is 0 (wire frame)
//   triangle step      1..32767 ("Every n'th triangle while move"; 0 and below become 1)
//   JPEG quality       0..100
//   colours            0..255 per component
//   show axis          anything but 0 is 1
//   magnet falloff     1..4, anything else is 1 (linear)
// A settings line is read up to 128 bytes, a path line up to 1000; the rest of a longer line
// is skipped. A carriage return before the line feed is dropped.
//
// Writing goes to a temporary file beside the target, which then replaces the target in one
// rename: a failed write leaves the old file as it was, never half a file.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::editor {

inline constexpr const char* kSettingsFileName = "ov_gui.ovi";
inline constexpr const char* kPathListFileName = "ov_path.ovi";
inline constexpr const char* kDefaultHtmlBrowser =
    "D:\\Programme\\Netscape\\Communicator\\Program\\netscape.exe";

struct EditorSettings {
  int start_display = 0;     // 0 wire frame ("Drahtgitter"), 1 filled faces ("Flächen")
  int16_t reduced_step = 3;  // "Every n'th triangle while move"
  int jpeg_quality = 90;     // percent
  int16_t background[3] = {180, 180, 180};
  int16_t grid[3] = {150, 150, 150};
  int show_axis = 1;
  std::string image_viewer;  // command of the render window's "Show" button
  int magnet_falloff = 1;    // 1 linear, 2 quadratic, 3 root, 4 constant
  std::string html_browser = kDefaultHtmlBrowser;

  bool operator==(const EditorSettings&) const = default;
};

// The settings of `path`; false (and *settings unchanged) when it cannot be opened.
bool ReadSettings(const std::string& path, EditorSettings* settings);
// False when the file could not be written (the old file then stays).
bool WriteSettings(const std::string& path, const EditorSettings& settings);
// The text WriteSettings writes.
std::string SettingsText(const EditorSettings& settings);
// Brings every value into its range (see above).
void LimitSettings(EditorSettings* settings);

// The paths of `path`, one per line (the empty entry after the last line feed is not one);
// false (and *paths unchanged) when it cannot be opened.
bool ReadPathList(const std::string& path, std::vector<std::string>* paths);
bool WritePathList(const std::string& path, const std::vector<std::string>& paths);

}  // namespace orvane::editor
