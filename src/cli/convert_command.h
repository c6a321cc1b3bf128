#pragma once
// `orvane convert IN... OUT`: runs scene-language files into one scene, as the editor loads
// them (nothing is rendered), and writes the scene, its only object or its only material to
// OUT in the format that OUT's extension names.

#include <iosfwd>
#include <string>
#include <vector>

namespace orvane::cli {

extern const char* const kConvertSummary;
extern const char* const kConvertUsage;

// `args` are the arguments after the command word. Exit status: 0 written, 1 reading or
// writing failed, 2 a usage error.
int ConvertFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orvane::cli
