#include "cli/commands.h"

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "cli/convert_command.h"
#include "cli/render_options.h"
#include "scene/scene.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"

namespace orvane::cli {

namespace {

constexpr const char* kVersion = "orvane 0.1";

struct Command {
  const char* name;
  const char* summary;
  const char* usage;
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

int RunScripts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// ORDER: commands as listed by --help.
const Command kCommands[] = {
    {"run", "run scene-language files (.ovs, .ovo, .ovm) in one scene",
     "Usage: orvane run [OPTIONS] [--] FILE...\n"
     "\n"
     "Runs each FILE in turn in one scene, as the editor merges files. A FILE that cannot be\n"
     "opened as given is tried again with \".ovs\" added. The scripts' output (comment, nl)\n"
     "goes to standard output, their diagnostics to standard error. The first file whose run\n"
     "fails ends the command. Each TRACE! statement renders a picture with the render\n"
     "options below; progress lines go to standard output.\n"
     "\n"
     "Options:\n"
     "  -h, --help   show this help\n"
     "\n"
     "Exit status: 0 when every run ended normally, 1 when a run failed (a missing file\n"
     "included) or a picture could not be written, 2 for a usage error.\n",
     &RunScripts},
    {"convert", kConvertSummary, kConvertUsage, &ConvertFiles},
};

void MainUsage(std::ostream& out) {
  out << "Usage: orvane COMMAND [OPTIONS] [ARGUMENTS]\n"
         "       orvane --help | --version\n"
         "\n"
         "Orvane builds 3D scenes from scene-language files and renders them by ray tracing.\n"
         "\n"
         "Commands:\n";
  for (const Command& c : kCommands) out << "  " << c.name << "    " << c.summary << '\n';
  out << "\nRun 'orvane COMMAND --help' for the options of a command.\n";
}

// Splits options from operands; "--" ends the options. Fills `files` and `render` and reports
// the first unknown option or bad value. Returns -1 for help, 0 to go on, kExitUsage on an error.
int ParseRunArguments(const std::vector<std::string>& args, std::vector<std::string>* files,
                      RenderOptions* render, std::ostream& err) {
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const OptionParse parsed =
        options ? ParseRenderOption(args, &i, render, err) : OptionParse::kNotRenderOption;
    if (parsed == OptionParse::kUsageError) return kExitUsage;
    if (parsed == OptionParse::kConsumed) continue;
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      return -1;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      err << "orvane run: unknown option '" << arg << "' (see 'orvane run --help')\n";
      return kExitUsage;
    } else {
      files->push_back(arg);
    }
  }
  return 0;
}

int RunScripts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  RenderOptions render;
  int parsed = ParseRunArguments(args, &files, &render, err);
  if (parsed < 0) {
    out << kCommands[0].usage << '\n' << kRenderOptionsHelp;
    return kExitOk;
  }
  if (parsed != 0) return parsed;
  if (!CheckRenderOptions(render, err)) return kExitUsage;
  if (files.empty()) {
    err << "orvane run: no file given (see 'orvane run --help')\n";
    return kExitUsage;
  }
  Scene scene;
  ScriptInterpreter interpreter(scene, out, err);
  if (!render.output) render.output = DefaultOutputName(files.front());
  ApplyRenderOptions(render, scene.render, true);
  CommandLineRenderer renderer(render, out, err);
  interpreter.SetFrameRenderer(&renderer);
  SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  for (const std::string& file : files) {
    const int result = interpreter.Run(file.c_str());
    RemoveMappingLeftovers(scene);
    if (result == ScriptInterpreter::kRunFailed) {
      out.flush();
      return kExitFailed;
    }
  }
  out.flush();
  return renderer.FailedFrames() > 0 ? kExitFailed : kExitOk;
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  if (args.empty()) {
    MainUsage(err);
    return kExitUsage;
  }
  const std::string& first = args[0];
  if (first == "-h" || first == "--help" || first == "help") {
    MainUsage(out);
    return kExitOk;
  }
  if (first == "--version") {
    out << kVersion << '\n';
    return kExitOk;
  }
  for (const Command& c : kCommands) {
    if (first == c.name) return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (!first.empty() && first[0] == '-') {
    err << "orvane: unknown option '" << first << "' (see 'orvane --help')\n";
  } else {
    err << "orvane: unknown command '" << first << "' (see 'orvane --help')\n";
  }
  return kExitUsage;
}

}  // namespace orvane::cli
