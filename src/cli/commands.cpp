#include "cli/commands.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
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
     "  -h, --help          show this help\n"
     "  --max-seconds N     stop the command after N seconds (1 to 31536000)\n"
     "  --max-memory MB     let the command use at most MB megabytes of memory (64 to\n"
     "                      1048576); what asks for more fails as out of memory\n"
     "\n"
     "Exit status: 0 when every run ended normally, 1 when a run failed (a missing file\n"
     "included) or a picture could not be written, 2 for a usage error, 3 when a limit of\n"
     "--max-seconds or --max-memory ended the command.\n",
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

// The limits of a run (0: none).
struct RunLimits {
  long seconds = 0;
  long megabytes = 0;
};

constexpr long kMaxLimitSeconds = 31536000L;  // a year
constexpr long kMinLimitMegabytes = 64;
constexpr long kMaxLimitMegabytes = 1048576L;  // a terabyte

// The value of a limit option at args[*i + 1], a whole number in [lo, hi].
bool ParseLimit(const std::vector<std::string>& args, std::size_t* i, long lo, long hi, long* value,
                std::ostream& err) {
  const std::string& name = args[*i];
  if (*i + 1 >= args.size()) {
    err << "orvane run: " << name << " needs a value (see 'orvane run --help')\n";
    return false;
  }
  const std::string& text = args[++*i];
  if (!ParseInt(text, lo, hi, value)) {
    err << "orvane run: " << name << " '" << text << "': expected a whole number " << lo << " to "
        << hi << '\n';
    return false;
  }
  return true;
}

// The memory limit in megabytes, for the out-of-memory message (0: none).
long g_memory_limit = 0;

void SetMemoryLimitNote(long megabytes) {
  g_memory_limit = megabytes;
}

// The time limit ends the process from the alarm signal: no statement, render or read can
// outlast it. Only what is safe in a signal handler happens there.
char g_time_message[128];
std::size_t g_time_message_length = 0;

extern "C" void TimeIsUp(int) {
  if (::write(2, g_time_message, g_time_message_length) < 0) {
    // nothing more can be done about it here
  }
  ::_exit(kExitLimit);
}

void ApplyLimits(const RunLimits& limits) {
  if (limits.megabytes > 0) {
    const rlim_t bytes = static_cast<rlim_t>(limits.megabytes) << 20;
    struct rlimit cap {};
    if (::getrlimit(RLIMIT_AS, &cap) == 0 &&
        (cap.rlim_max == RLIM_INFINITY || bytes < cap.rlim_max)) {
      cap.rlim_cur = bytes;
      ::setrlimit(RLIMIT_AS, &cap);
    }
    SetMemoryLimitNote(limits.megabytes);
  }
  if (limits.seconds > 0) {
    const int n = std::snprintf(
        g_time_message, sizeof g_time_message,
        "orvane run: stopped, the time limit of %ld s is up (--max-seconds)\n", limits.seconds);
    g_time_message_length = n > 0 ? static_cast<std::size_t>(n) : 0;
    std::signal(SIGALRM, &TimeIsUp);
    ::alarm(static_cast<unsigned>(limits.seconds));
  }
}

// Splits options from operands; "--" ends the options. Fills `files`, `render` and `limits`
// and reports the first unknown option or bad value. Returns -1 for help, 0 to go on,
// kExitUsage on an error.
int ParseRunArguments(const std::vector<std::string>& args, std::vector<std::string>* files,
                      RenderOptions* render, RunLimits* limits, std::ostream& err) {
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--max-seconds") {
      if (!ParseLimit(args, &i, 1, kMaxLimitSeconds, &limits->seconds, err)) return kExitUsage;
      continue;
    }
    if (options && arg == "--max-memory") {
      if (!ParseLimit(args, &i, kMinLimitMegabytes, kMaxLimitMegabytes, &limits->megabytes, err))
        return kExitUsage;
      continue;
    }
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
  RunLimits limits;
  int parsed = ParseRunArguments(args, &files, &render, &limits, err);
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
  ApplyLimits(limits);
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
    if (first != c.name) continue;
    try {
      return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    } catch (const std::bad_alloc&) {
      // What the memory limit (or the machine) could not give ends the command cleanly.
      out.flush();
      err << "orvane " << c.name << ": out of memory";
      if (g_memory_limit > 0) err << " (--max-memory " << g_memory_limit << ")";
      err << '\n';
      return g_memory_limit > 0 ? kExitLimit : kExitFailed;
    }
  }
  if (!first.empty() && first[0] == '-') {
    err << "orvane: unknown option '" << first << "' (see 'orvane --help')\n";
  } else {
    err << "orvane: unknown command '" << first << "' (see 'orvane --help')\n";
  }
  return kExitUsage;
}

}  // namespace orvane::cli
