#pragma once
// File dialog filters. The program's tables write them as pairs of a description and a
// pattern, each followed by '|', the whole ended by an empty pair:
//   "Orvane (*.ovs)|*.ovs|All Files (*.*)|*.*||"
// Qt wants the descriptions only, joined by ";;", with the patterns in parentheses:
//   "Orvane (*.ovs);;All Files (*.*)"
// A description that does not already show its pattern in parentheses gets it appended.

#include <string>
#include <vector>

namespace orvane::editor {

struct FilterEntry {
  std::string description;
  std::string pattern;  // "*.ovs", or several separated by ';'
};

std::vector<FilterEntry> ParseFilter(const std::string& filter);
std::string QtFilter(const std::string& filter);

// The extension of `path` from the file name's last '.', lower case, or "" (".OVS" -> ".ovs").
std::string LowerExtension(const std::string& path);
// The file name of `path` without its directory ("/a/b/scene.ovs" -> "scene.ovs").
std::string FileTitleOf(const std::string& path);

}  // namespace orvane::editor
