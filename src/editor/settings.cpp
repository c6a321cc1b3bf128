#include "editor/settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "foundation/file_replace.h"

namespace orvane::editor {

namespace {

constexpr std::size_t kSettingsLine = 128;
constexpr std::size_t kPathLine = 1000;

// Reads one line of at most `limit` bytes (the rest of the line is skipped). False at the
// end of the input.
bool ReadLine(std::istream& in, std::size_t limit, std::string* line) {
  line->clear();
  int c = in.get();
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    if (line->size() < limit) line->push_back(static_cast<char>(c));
    c = in.get();
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

// As atoi, without its undefined behaviour on overflow.
int AtoI(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int16_t Clamp16(int value, int lo, int hi) {
  return static_cast<int16_t>(std::clamp(value, lo, hi));
}

}  // namespace

void LimitSettings(EditorSettings* s) {
  s->start_display = s->start_display == 1 ? 1 : 0;
  s->reduced_step = Clamp16(s->reduced_step, 1, 32767);
  s->jpeg_quality = std::clamp(s->jpeg_quality, 0, 100);
  for (int i = 0; i < 3; ++i) {
    s->background[i] = Clamp16(s->background[i], 0, 255);
    s->grid[i] = Clamp16(s->grid[i], 0, 255);
  }
  s->show_axis = s->show_axis != 0 ? 1 : 0;
  if (s->magnet_falloff < 1 || s->magnet_falloff > 4) s->magnet_falloff = 1;
}

bool ReadSettings(const std::string& path, EditorSettings* settings) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string lines[13];
  for (std::string& line : lines) {
    if (!ReadLine(in, kSettingsLine, &line)) break;
  }
  EditorSettings s;
  // The 16-bit settings are limited before they are narrowed.
  const auto small = [&](int line) { return Clamp16(AtoI(lines[line]), -32768, 32767); };
  s.start_display = AtoI(lines[0]);
  s.reduced_step = Clamp16(AtoI(lines[1]), 1, 32767);
  s.jpeg_quality = AtoI(lines[2]);
  for (int i = 0; i < 3; ++i) {
    s.background[i] = Clamp16(small(3 + i), 0, 255);
    s.grid[i] = Clamp16(small(6 + i), 0, 255);
  }
  s.show_axis = AtoI(lines[9]);
  s.image_viewer = lines[10];
  s.magnet_falloff = AtoI(lines[11]);
  s.html_browser = lines[12];
  LimitSettings(&s);
  *settings = s;
  return true;
}

std::string SettingsText(const EditorSettings& s) {
  std::ostringstream out;
  out << s.start_display << '\n' << s.reduced_step << '\n' << s.jpeg_quality << '\n';
  for (int16_t c : s.background) out << c << '\n';
  for (int16_t c : s.grid) out << c << '\n';
  out << s.show_axis << '\n'
      << s.image_viewer << '\n'
      << s.magnet_falloff << '\n'
      << s.html_browser << '\n';
  return out.str();
}

bool WriteSettings(const std::string& path, const EditorSettings& settings) {
  return ReplaceFileContents(path, SettingsText(settings));
}

bool ReadPathList(const std::string& path, std::vector<std::string>* paths) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<std::string> read;
  std::string line;
  while (ReadLine(in, kPathLine, &line)) read.push_back(line);
  *paths = std::move(read);
  return true;
}

bool WritePathList(const std::string& path, const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& p : paths) text += p + '\n';
  return ReplaceFileContents(path, text);
}

}  // namespace orvane::editor
