#include "cli/convert_command.h"

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "foundation/file_replace.h"
#include "interchange/import_object.h"
#include "interchange/pov_export.h"
#include "interchange/three_ds.h"
#include "interchange/vrml_export.h"
#include "material/material.h"
#include "scene/scene.h"
#include "scene/scene_object.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"

namespace orvane::cli {

const char* const kConvertSummary =
    "convert scene-language files into a scene, object or material file";

const char* const kConvertUsage =
    "Usage: orvane convert [OPTIONS] [--] IN... OUT\n"
    "\n"
    "Runs each IN file in turn in one scene, as the editor loads files (TRACE! renders\n"
    "nothing), then writes OUT in the format its extension names:\n"
    "  .ovs   the whole scene\n"
    "  .ovo   the scene's only top-level object (or the one --object names), with its\n"
    "         textures and materials\n"
    "  .ovm   the scene's only material, with its textures\n"
    "  .3ds   the scene's only top-level object (or the one --object names): a 3D-Mesh-Object\n"
    "         or the 3D-Mesh-Objects of a Group-Object\n"
    "  .wrl   the scene as VRML 1.0 (lights and objects), or the object --object names\n"
    "  .pov   the scene as POV-Ray text, or the object --object names with its material\n"
    "IN files ending \".3ds\", \".obt\" or \".dxf\" are imported as one object each, named after\n"
    "the file (other bytes than letters, digits, '_' and '-' become '_', and a number is\n"
    "added when the name is taken).\n"
    "An IN file that cannot be opened as given is tried again with \".ovs\" added. OUT \"-\"\n"
    "writes to standard output; the scripts' own output (comment, nl) then goes to standard\n"
    "error instead of standard output.\n"
    "\n"
    "Options:\n"
    "  -f, --format EXT   write this format (ovs, ovo, ovm, 3ds, wrl or pov) whatever\n"
    "                     OUT is called; OUT \"-\" without this option writes a scene\n"
    "  --object NAME      the top-level object to write (.ovo, .3ds, .wrl, .pov)\n"
    "  -h, --help         show this help\n"
    "\n"
    "Exit status: 0 when OUT was written, 1 when an input could not be read or OUT could not\n"
    "be written (OUT is then left as it was), 2 for a usage error.\n";

namespace {

// Writes the text of a format; false with `problem` set when the scene does not fit it.
// `object_name` is the --object choice (empty when not given).
using FormatWriter = bool (*)(Scene& scene, const std::string& object_name, std::ostream& out,
                              std::string* problem);

struct OutputFormat {
  const char* extension;
  FormatWriter write;
};

template <class T>
std::vector<T*> ItemsOf(const LIST* list) {
  std::vector<T*> items;
  if (!list) return items;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (auto* item = dynamic_cast<T*>(n->item)) items.push_back(item);
  }
  return items;
}

std::string CountProblem(const char* file_kind, std::size_t count, const char* things) {
  return std::string(file_kind) + " holds exactly one " + things + ", but the scene has " +
         std::to_string(count) + " " + things + "s";
}

bool WriteSceneFormat(Scene& scene, const std::string&, std::ostream& out, std::string*) {
  return WriteScene(scene, out);
}

bool WriteMaterialFormat(Scene& scene, const std::string&, std::ostream& out,
                         std::string* problem) {
  const std::vector<Material*> materials = ItemsOf<Material>(scene.materials);
  if (materials.size() != 1) {
    *problem = CountProblem("a material file (.ovm)", materials.size(), "material");
    return false;
  }
  return WriteMaterial(scene, materials.front(), out);
}

// The top-level object named `name`, or with no name the only top-level object; null with
// `problem` set otherwise.
SceneObject* ChosenObject(Scene& scene, const std::string& name, const char* file_kind,
                          std::string* problem) {
  const std::vector<SceneObject*> objects = ItemsOf<SceneObject>(scene.objects);
  if (name.empty()) {
    if (objects.size() == 1) return objects.front();
    *problem = CountProblem(file_kind, objects.size(), "top-level object") +
               " (choose one with --object NAME)";
    return nullptr;
  }
  for (SceneObject* object : objects) {
    if (name == object->name.c_str()) return object;
  }
  *problem = "the scene has no top-level object named '" + name + "'";
  return nullptr;
}

bool WriteObjectFormat(Scene& scene, const std::string& object_name, std::ostream& out,
                       std::string* problem) {
  SceneObject* object = ChosenObject(scene, object_name, "an object file (.ovo)", problem);
  return object && WriteObject(scene, object, out);
}

bool Write3dsFormat(Scene& scene, const std::string& object_name, std::ostream& out,
                    std::string* problem) {
  SceneObject* object = ChosenObject(scene, object_name, "a 3D-Studio file (.3ds)", problem);
  if (!object) return false;
  std::vector<uint8_t> bytes;
  String title, text;
  if (!Build3ds(object, bytes, &title, &text)) {
    *problem = text.c_str();
    return false;
  }
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

// The whole scene, or the top-level object --object names.
template <bool (*ExportScene)(Scene&, std::ostream&),
          bool (*ExportObject)(SceneObject*, std::ostream&)>
bool WriteExportFormat(Scene& scene, const std::string& object_name, std::ostream& out,
                       std::string* problem) {
  if (object_name.empty()) return ExportScene(scene, out);
  SceneObject* object = ChosenObject(scene, object_name, "an exported object", problem);
  return object && ExportObject(object, out);
}

// ORDER: the output formats, by extension; a new format adds a line.
const OutputFormat kOutputFormats[] = {
    {".ovs", &WriteSceneFormat},
    {".ovo", &WriteObjectFormat},
    {".ovm", &WriteMaterialFormat},
    {".3ds", &Write3dsFormat},
    {".wrl", &WriteExportFormat<&exportSceneVrml, &exportObjectVrml>},
    {".pov", &WriteExportFormat<&exportScenePov, &exportObjectPov>},
};

std::string KnownExtensions() {
  std::string list;
  for (const OutputFormat& f : kOutputFormats)
    list += (list.empty() ? "" : ", ") + std::string(f.extension);
  return list;
}

const OutputFormat* FormatByExtension(const std::string& extension) {
  for (const OutputFormat& f : kOutputFormats) {
    if (extension == f.extension) return &f;
  }
  return nullptr;
}

// The extension of a file name (from its last '.' after the last '/'), or "".
std::string ExtensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

struct ConvertArguments {
  std::vector<std::string> inputs;
  std::string output;
  std::string format;  // without the dot; empty: from the output's extension
  std::string object;  // --object NAME; empty: the only top-level object
  bool help = false;
};

// Returns 0 to go on, kExitUsage after reporting a usage error.
int ParseConvertArguments(const std::vector<std::string>& args, ConvertArguments* parsed,
                          std::ostream& err) {
  std::vector<std::string> operands;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      parsed->help = true;
      return 0;
    } else if (options && (arg == "-f" || arg == "--format")) {
      if (i + 1 == args.size()) {
        err << "orvane convert: " << arg << " needs a format (see 'orvane convert --help')\n";
        return kExitUsage;
      }
      parsed->format = args[++i];
    } else if (options && arg.rfind("--format=", 0) == 0) {
      parsed->format = arg.substr(9);
    } else if (options && arg == "--object") {
      if (i + 1 == args.size()) {
        err << "orvane convert: --object needs a name (see 'orvane convert --help')\n";
        return kExitUsage;
      }
      parsed->object = args[++i];
    } else if (options && arg.rfind("--object=", 0) == 0) {
      parsed->object = arg.substr(9);
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      err << "orvane convert: unknown option '" << arg << "' (see 'orvane convert --help')\n";
      return kExitUsage;
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() < 2) {
    err << "orvane convert: give at least one input file and the output file (see 'orvane "
           "convert --help')\n";
    return kExitUsage;
  }
  parsed->output = operands.back();
  operands.pop_back();
  parsed->inputs = std::move(operands);
  return 0;
}

const OutputFormat* ChooseFormat(const ConvertArguments& args, std::ostream& err) {
  std::string extension;
  if (!args.format.empty()) {
    extension = "." + args.format;
  } else {
    extension = args.output == "-" ? ".ovs" : ExtensionOf(args.output);
  }
  const OutputFormat* format = FormatByExtension(extension);
  if (!format) {
    const std::string shown = args.format.empty() ? args.output : args.format;
    err << "orvane convert: unknown output format '" << shown << "' (known: " << KnownExtensions()
        << ")\n";
  }
  return format;
}

// Runs the inputs as the editor loads a scene: rendering disabled, the scene language's item
// statements building the items. False (reported) when a run fails.
bool LoadInputs(Scene& scene, const std::vector<std::string>& inputs, std::ostream& script_out,
                std::ostream& err) {
  scene.render.renderingDisabled = 1;
  ScriptInterpreter interpreter(scene, script_out, err);
  SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  for (const std::string& input : inputs) {
    if (IsImportFile(input)) {
      const CommandResult imported = ImportObjectFile(scene, input);
      if (!imported.ok()) {
        err << "orvane convert: could not read '" << input
            << "': " << (imported.HasMessage() ? imported.text.c_str() : "it holds no usable mesh")
            << "; nothing written\n";
        return false;
      }
      continue;
    }
    if (interpreter.Run(input.c_str()) == ScriptInterpreter::kRunFailed) {
      err << "orvane convert: could not read '" << input << "'; nothing written\n";
      return false;
    }
    // The mapping objects that a file puts before their meshes are the meshes' own by now.
    RemoveMappingLeftovers(scene);
  }
  return true;
}

bool WriteOutput(const std::string& path, const std::string& text, std::ostream& out) {
  if (path == "-") {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out.good();
  }
  return ReplaceFileContents(path, text);
}

}  // namespace

int ConvertFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ConvertArguments parsed;
  if (int status = ParseConvertArguments(args, &parsed, err); status != 0) return status;
  if (parsed.help) {
    out << kConvertUsage;
    return kExitOk;
  }
  const OutputFormat* format = ChooseFormat(parsed, err);
  if (!format) return kExitUsage;

  Scene scene;
  const bool to_stdout = parsed.output == "-";
  if (!LoadInputs(scene, parsed.inputs, to_stdout ? err : out, err)) return kExitFailed;

  std::ostringstream text;
  std::string problem;
  if (!format->write(scene, parsed.object, text, &problem)) {
    err << "orvane convert: " << (problem.empty() ? "could not build the text" : problem)
        << "; nothing written\n";
    return kExitFailed;
  }
  if (!WriteOutput(parsed.output, text.str(), out)) {
    err << "orvane convert: could not write '" << parsed.output << "'\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace orvane::cli
