#pragma once
// The render options of `orvane run` and the frame renderer that makes a script's `TRACE!`
// render with them.
//
// Precedence: the command line wins. The options are written into the scene's render
// settings before the first file runs and again before every frame, so a script cannot
// change them. The script's `raytrace` block keeps what only it sets (camera, background,
// render field and mask, ambient light, fog). `--size` also makes the render field the whole
// picture before the run; a `raytrace` block's field borders then narrow it.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script/interpreter.h"

namespace orvane {
class RenderDriver;
struct RenderSettings;
}  // namespace orvane

namespace orvane::cli {

// Limits of the option values.
inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr int kMaxTraceDepth = 100;
inline constexpr int kMaxRenderThreads = 256;

// The options as given; an unset option leaves the scene's setting alone.
struct RenderOptions {
  std::optional<int32_t> width, height;  // --size WxH
  std::optional<std::string> output;     // --output NAME
  std::optional<int> traceDepth;         // --depth N
  bool jpeg = false;                     // --jpeg
  bool noTga = false;                    // --no-tga
  std::optional<int> quality;            // --quality Q
  std::optional<int> threads;            // --threads N
  std::optional<int32_t> frameFrom;      // --frames FROM-TO
  std::optional<int32_t> frameTo;        //   (-1: no upper limit)
  bool skipExisting = false;             // --skip-existing
  bool panorama = false;                 // --panorama
  std::optional<std::string> depthMap;   // --depth-map NAME
  std::optional<float> depthNear, depthFar, depthFocus;
  bool depthInvert = false;  // --depth-invert
  bool verbose = false;      // --verbose
  bool noRender = false;     // --no-render
};

enum class OptionParse {
  kNotRenderOption,  // args[*index] is not a render option
  kConsumed,         // read; *index stands on its last word
  kUsageError,       // a one-line message went to `err`
};

// Reads the render option at args[*index], in the form "--name value" or "--name=value".
OptionParse ParseRenderOption(const std::vector<std::string>& args, std::size_t* index,
                              RenderOptions* options, std::ostream& err);

// Checks the options against each other after parsing (the depth-map values need
// --depth-map). False, with a one-line message on `err`, when they do not fit.
bool CheckRenderOptions(const RenderOptions& options, std::ostream& err);

// A whole-string integer in [lo, hi] (no blanks, no '+', nothing after the digits).
bool ParseInt(const std::string& text, long lo, long hi, long* out);

// The option lines of `orvane run --help`.
extern const char* const kRenderOptionsHelp;

// The default output name: the file's name without its folder and its last extension
// ("examples/showcase.ovs" gives "showcase"), so the pictures land in the current folder.
std::string DefaultOutputName(const std::string& file);

// Writes the given options into `settings`. With `first` (before the run) --size also sets
// the render field to the whole picture.
void ApplyRenderOptions(const RenderOptions& options, RenderSettings& settings, bool first);

// Renders each `TRACE!` frame of a run through a RenderDriver bound to the scene:
//  - the options are applied again before each frame;
//  - the camera is the scene's active camera, else the camera chosen by the last `raytrace`
//    block, else the first camera of the camera list (none: the background only);
//  - a scene without light sources gets a light at the camera position for the frame, as in
//    the editor's render window; it is removed again afterwards.
class CommandLineRenderer : public FrameRenderer {
 public:
  CommandLineRenderer(const RenderOptions& options, std::ostream& out, std::ostream& err);
  ~CommandLineRenderer() override;
  CommandLineRenderer(const CommandLineRenderer&) = delete;
  CommandLineRenderer& operator=(const CommandLineRenderer&) = delete;

  void RenderFrame(Scene& scene, int frame) override;

  // Frames whose picture could not be written (renderFrame answered -1).
  int FailedFrames() const { return failed_frames_; }

 private:
  const RenderOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  Scene* scene_ = nullptr;
  std::unique_ptr<RenderDriver> driver_;
  int failed_frames_ = 0;
};

}  // namespace orvane::cli
