// orvane: the command-line program. Runs scene-language files and, in later versions,
// renders and converts scenes.
//
//   orvane [--help | --version]
//   orvane COMMAND [OPTIONS] [ARGUMENTS]

#include <cstring>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(true);
  return orvane::cli::Main(argc, argv, std::cout, std::cerr);
}
