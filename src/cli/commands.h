#pragma once
// The command table of the orvane program. Each command parses its own options and returns
// the exit status: 0 success, 1 a failed run, 2 a usage error, 3 a run ended by its time or
// memory limit.

#include <iosfwd>

namespace orvane::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitLimit = 3;

int Main(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace orvane::cli
