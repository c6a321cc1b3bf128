#include "cli/render_options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "foundation/error_output.h"
#include "render/render_driver.h"
#include "scene/camera.h"
#include "scene/light_source.h"
#include "scene/scene.h"

namespace orvane::cli {

namespace {

constexpr const char* kCommand = "orvane run: ";

// Whole-string finite number.
bool ParseFloat(const std::string& text, float* out) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  const float v = std::strtof(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// "WxH", each 1..kMaxImageSide.
bool ParseSize(const std::string& text, RenderOptions* o) {
  const std::size_t x = text.find('x');
  long w = 0, h = 0;
  if (x == std::string::npos || !ParseInt(text.substr(0, x), 1, kMaxImageSide, &w) ||
      !ParseInt(text.substr(x + 1), 1, kMaxImageSide, &h))
    return false;
  o->width = static_cast<int32_t>(w);
  o->height = static_cast<int32_t>(h);
  return true;
}

// "FROM-TO", "FROM-" (no upper limit) or "N" (that frame only); frames are 0 or more.
bool ParseFrames(const std::string& text, RenderOptions* o) {
  constexpr long kMaxFrame = 2147483647L;
  const std::size_t dash = text.find('-');
  long from = 0, to = -1;
  if (dash == std::string::npos) {
    if (!ParseInt(text, 0, kMaxFrame, &from)) return false;
    to = from;
  } else {
    if (!ParseInt(text.substr(0, dash), 0, kMaxFrame, &from)) return false;
    const std::string rest = text.substr(dash + 1);
    if (!rest.empty() && (!ParseInt(rest, 0, kMaxFrame, &to) || to < from)) return false;
  }
  o->frameFrom = static_cast<int32_t>(from);
  o->frameTo = static_cast<int32_t>(to);
  return true;
}

struct ValueOption {
  const char* name;
  const char* expected;  // for the error message
  bool (*parse)(const std::string& text, RenderOptions* o);
};

// ORDER: as in kRenderOptionsHelp.
const ValueOption kValueOptions[] = {
    {"--size", "WxH with each side 1 to 16384, e.g. 640x480", &ParseSize},
    {"--output", "a file name",
     [](const std::string& t, RenderOptions* o) {
       if (t.empty()) return false;
       o->output = t;
       return true;
     }},
    {"--depth", "a whole number 0 to 100",
     [](const std::string& t, RenderOptions* o) {
       long v = 0;
       if (!ParseInt(t, 0, kMaxTraceDepth, &v)) return false;
       o->traceDepth = static_cast<int>(v);
       return true;
     }},
    {"--quality", "a whole number 0 to 100",
     [](const std::string& t, RenderOptions* o) {
       long v = 0;
       if (!ParseInt(t, 0, 100, &v)) return false;
       o->quality = static_cast<int>(v);
       return true;
     }},
    {"--frames", "FROM-TO, FROM- or N with frame numbers 0 or more", &ParseFrames},
    {"--threads", "a whole number 1 to 256",
     [](const std::string& t, RenderOptions* o) {
       long v = 0;
       if (!ParseInt(t, 1, kMaxRenderThreads, &v)) return false;
       o->threads = static_cast<int>(v);
       return true;
     }},
    {"--depth-map", "a file name",
     [](const std::string& t, RenderOptions* o) {
       if (t.empty()) return false;
       o->depthMap = t;
       return true;
     }},
    {"--depth-near", "a number",
     [](const std::string& t, RenderOptions* o) {
       float v = 0;
       if (!ParseFloat(t, &v)) return false;
       o->depthNear = v;
       return true;
     }},
    {"--depth-far", "a number",
     [](const std::string& t, RenderOptions* o) {
       float v = 0;
       if (!ParseFloat(t, &v)) return false;
       o->depthFar = v;
       return true;
     }},
    {"--depth-focus", "a number",
     [](const std::string& t, RenderOptions* o) {
       float v = 0;
       if (!ParseFloat(t, &v)) return false;
       o->depthFocus = v;
       return true;
     }},
};

struct FlagOption {
  const char* name;
  bool RenderOptions::*flag;
};

const FlagOption kFlagOptions[] = {
    {"--jpeg", &RenderOptions::jpeg},
    {"--no-tga", &RenderOptions::noTga},
    {"--skip-existing", &RenderOptions::skipExisting},
    {"--panorama", &RenderOptions::panorama},
    {"--depth-invert", &RenderOptions::depthInvert},
    {"--verbose", &RenderOptions::verbose},
    {"--no-render", &RenderOptions::noRender},
};

// The camera a frame renders through when the settings name none.
Camera* FallbackCamera(Scene& scene) {
  if (auto* chosen = dynamic_cast<Camera*>(scene.traceCamera)) return chosen;
  if (scene.cameras == nullptr) return nullptr;
  for (ListNode* node = scene.cameras->head; node != nullptr; node = node->next) {
    if (auto* camera = dynamic_cast<Camera*>(node->item)) return camera;
  }
  return nullptr;
}

// Removes `item` from `list`, destroying it when the list owns it.
void RemoveItem(LIST* list, const ListItem* item) {
  if (list == nullptr) return;
  for (ListNode* node = list->head; node != nullptr; node = node->next) {
    if (node->item == item) {
      list->current = node;
      list->Remove();
      return;
    }
  }
}

}  // namespace

bool ParseInt(const std::string& text, long lo, long hi, long* out) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || text[0] == '+')
    return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

const char* const kRenderOptionsHelp =
    "Render options (they apply to every TRACE! frame and override the scripts):\n"
    "  --size WxH          picture size in pixels (default 320x240; odd sizes lose a pixel)\n"
    "  --output NAME       base name of the pictures (default: the first file's name\n"
    "                      without folder and extension, in the current folder)\n"
    "  --depth N           trace depth for mirrors and glass, 0 to 100 (default 3)\n"
    "  --jpeg              also write a JPEG picture (NAME + frame + .jpg)\n"
    "  --no-tga            write no TGA picture\n"
    "  --quality Q         JPEG quality 0 to 100 (default 75)\n"
    "  --threads N         trace on N threads, 1 to 256 (default: one per core); the\n"
    "                      pictures are the same for every N\n"
    "  --frames FROM-TO    render only these frames (FROM- : no upper limit; N : frame N)\n"
    "  --skip-existing     skip frames whose picture already exists\n"
    "  --panorama          render 360 x 180 degree panoramas (W x W/2 pixels)\n"
    "  --depth-map NAME    also write a depth-of-field map (NAME + frame + .tga)\n"
    "  --depth-near D      distance where the map is black before the focus (default 0)\n"
    "  --depth-far D       distance where the map is black again behind it (default 0)\n"
    "  --depth-focus D     distance where the map is white (default 0)\n"
    "  --depth-invert      write 255 minus each depth value\n"
    "  --verbose           print progress per ten lines and statistics per frame\n"
    "  --no-render         run the scripts without rendering (TRACE! renders nothing)\n";

OptionParse ParseRenderOption(const std::vector<std::string>& args, std::size_t* index,
                              RenderOptions* options, std::ostream& err) {
  const std::string& arg = args[*index];
  const std::size_t equals = arg.find('=');
  const std::string name = arg.substr(0, equals);
  for (const FlagOption& f : kFlagOptions) {
    if (name != f.name) continue;
    if (equals != std::string::npos) {
      err << kCommand << name << " takes no value (see 'orvane run --help')\n";
      return OptionParse::kUsageError;
    }
    options->*f.flag = true;
    return OptionParse::kConsumed;
  }
  for (const ValueOption& v : kValueOptions) {
    if (name != v.name) continue;
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (*index + 1 < args.size()) {
      value = args[++*index];
    } else {
      err << kCommand << name << " needs a value (see 'orvane run --help')\n";
      return OptionParse::kUsageError;
    }
    if (!v.parse(value, options)) {
      err << kCommand << "bad value '" << value << "' for " << name << " (expected " << v.expected
          << ")\n";
      return OptionParse::kUsageError;
    }
    return OptionParse::kConsumed;
  }
  return OptionParse::kNotRenderOption;
}

bool CheckRenderOptions(const RenderOptions& options, std::ostream& err) {
  if (!options.depthMap &&
      (options.depthNear || options.depthFar || options.depthFocus || options.depthInvert)) {
    err << kCommand
        << "--depth-near, --depth-far, --depth-focus and --depth-invert need "
           "--depth-map NAME\n";
    return false;
  }
  return true;
}

std::string DefaultOutputName(const std::string& file) {
  const std::size_t slash = file.find_last_of('/');
  std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  return base.empty() ? std::string("picture") : base;
}

void ApplyRenderOptions(const RenderOptions& o, RenderSettings& s, bool first) {
  if (o.width && o.height) {
    s.SetSize(*o.width, *o.height);
    if (first) {
      // The whole picture; a panorama is W/2 rows high whatever the height.
      s.fieldLeft = 0;
      s.fieldTop = 0;
      s.fieldRight = s.Width();
      s.fieldBottom = o.panorama ? std::max(s.Height(), s.Width() / 2) : s.Height();
    }
  }
  if (o.output) s.outputName = o.output->c_str();
  if (o.traceDepth) s.traceDepth = static_cast<uint16_t>(*o.traceDepth);
  if (o.jpeg) s.jpegOutput = 1;
  if (o.noTga) s.tgaOutput = 0;
  if (o.quality) s.jpegQuality = *o.quality;
  if (o.threads) s.threads = static_cast<uint32_t>(*o.threads);
  if (o.frameFrom) s.frameFrom = *o.frameFrom;
  if (o.frameTo) s.frameTo = *o.frameTo;
  if (o.skipExisting) s.skipExisting = 1;
  if (o.panorama) s.panorama = 1;
  if (o.depthMap) {
    s.depthMap = 1;
    s.depthMapName = o.depthMap->c_str();
  }
  if (o.depthNear) s.depthNear = *o.depthNear;
  if (o.depthFar) s.depthFar = *o.depthFar;
  if (o.depthFocus) s.depthFocus = *o.depthFocus;
  if (o.depthInvert) s.depthInvert = 1;
  if (o.verbose) s.verbose = 1;
  if (o.noRender) s.renderingDisabled = 1;
}

CommandLineRenderer::CommandLineRenderer(const RenderOptions& options, std::ostream& out,
                                         std::ostream& err)
    : options_(options), out_(out), err_(err) {}

CommandLineRenderer::~CommandLineRenderer() = default;

void CommandLineRenderer::RenderFrame(Scene& scene, int frame) {
  if (scene_ != &scene || !driver_) {
    driver_.reset(TryNew<RenderDriver>(scene, out_, err_));
    scene_ = &scene;
    if (!driver_) {
      err_ << "ERROR: No memory for the renderer.\n";
      ++failed_frames_;
      return;
    }
  }
  RenderSettings& s = scene.render;
  ApplyRenderOptions(options_, s, false);
  if (s.renderingDisabled) return;

  // The fallback camera serves this frame only: the settings must not keep a pointer to a
  // camera that a later statement may delete.
  const bool borrowed_camera = s.activeCamera == nullptr;
  if (borrowed_camera) s.activeCamera = FallbackCamera(scene);

  LightSource* temporary_light = nullptr;
  if (s.activeCamera != nullptr && (scene.lights == nullptr || scene.lights->head == nullptr) &&
      scene.EnsureLists(err_)) {
    temporary_light = TryNew<LightSource>();
    if (temporary_light != nullptr) {
      temporary_light->placement.position = s.activeCamera->placement.position;
      if (!scene.lights->Append(temporary_light, 1)) {
        delete temporary_light;
        temporary_light = nullptr;
      }
    }
  }

  if (driver_->renderFrame(frame) != 0 || driver_->OutputFailed()) ++failed_frames_;

  if (temporary_light != nullptr) RemoveItem(scene.lights, temporary_light);
  if (borrowed_camera) s.activeCamera = nullptr;
}

}  // namespace orvane::cli
