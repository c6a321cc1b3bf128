#include "editor/file_filter.h"

#include <algorithm>
#include <cctype>

namespace orvane::editor {

std::vector<FilterEntry> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : filter) {
    if (c == '|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  std::vector<FilterEntry> entries;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;  // the closing empty pair
    entries.push_back({parts[i], parts[i + 1]});
  }
  return entries;
}

std::string QtFilter(const std::string& filter) {
  std::string out;
  for (const FilterEntry& e : ParseFilter(filter)) {
    if (!out.empty()) out += ";;";
    std::string patterns = e.pattern;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    if (e.description.find("(" + e.pattern + ")") != std::string::npos) {
      out += e.description;
    } else {
      // Qt reads the patterns from the last parentheses of the description.
      std::string description = e.description;
      while (!description.empty() && description.back() == ' ') description.pop_back();
      out += description + " (" + patterns + ")";
    }
  }
  return out;
}

std::string FileTitleOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
  const std::string title = FileTitleOf(path);
  const std::size_t dot = title.find_last_of('.');
  if (dot == std::string::npos) return "";
  std::string ext = title.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace orvane::editor
