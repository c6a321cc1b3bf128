#pragma once
// RenderDriver: turns the scene held by a Scene into picture files, one per frame.
//
// The driver reads the scene's RenderSettings (scene.render), derives the output file names,
// opens the outputs (24-bit TGA, baseline JPEG, the depth-of-field map), traces exactly one
// primary ray per pixel through the active camera (through the pixel's integer coordinates,
// no anti-aliasing), decides background and masking, and writes the pixels in blocks of ten
// lines. Progress goes to the `out` stream, failures to `err` (both chosen by the caller).
//
// A frame is rendered synchronously by renderFrame. The lines of each block are traced on the
// settings' number of threads (RenderSettings::threads), handed out in runs of pixels; the
// pixels are written in their order, so the files do not depend on the thread count. The
// times printed are wall-clock seconds. With `prepareOnly` set, renderFrame only
// prepares the frame and the caller pulls it block by block with renderLineBlock(), reading
// the block buffer, the current line and the clocks between blocks (the editor's render
// window does this).
//
// Pixel (0, 0) is the top left; TGA rows run from top to bottom. The block buffers hold
// W × 10 pixels as blue, green, red bytes. A panorama picture is W × W/2 pixels.
//
// Failures (always on `err`, never an exception):
//   "TGA: Cannot open output file \n"        colour TGA: the frame is aborted, result -1;
//                                             depth map: the map is skipped for the frame
//   "JPEG: Cannot open output file \n"       the JPEG is skipped for the frame
//   "ERROR: No memory for RGB-save-buffer.\n" pixels are written one by one instead (and the
//                                             JPEG, which needs whole rows, is skipped)
// Without an active camera every pixel is a miss and shows the background.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iosfwd>
#include <memory>
#include <vector>

#include "foundation/ov_string.h"
#include "imageio/picture.h"
#include "material/material.h"
#include "render/scene_index.h"
#include "render/tracer.h"
#include "scene/math_sphere.h"

namespace orvane {

class Camera;
class JpegEncoder;
class Scene;

class RenderDriver {
 public:
  // Pixel rows per block: the unit of writing and of progress reporting.
  static constexpr int32_t kBlockLines = 10;
  // The largest width or height a TGA header can hold.
  static constexpr int32_t kMaxPictureSide = 65535;
  // The most threads a picture is traced on, and the pixels a thread takes at a time.
  static constexpr uint32_t kMaxThreads = 256;
  static constexpr int32_t kRunPixels = 32;

  RenderDriver(Scene& scene, std::ostream& out, std::ostream& err);
  // Closes the files of a frame that was prepared but not finished.
  ~RenderDriver();
  RenderDriver(const RenderDriver&) = delete;
  RenderDriver& operator=(const RenderDriver&) = delete;

  // `base` without a trailing ".tga", then the frame number left-padded with '0' to five
  // digits when `frame` is not negative, then `extension` ("image", 7, ".tga" gives
  // "image00007.tga"; frame 123456 gives "image123456.tga"; frame -1 gives "image.tga").
  static String OutputFileName(const String& base, int32_t frame, const char* extension);

  // The depth-map value 0..255 of a primary hit at distance d for near N, far F and focus P:
  // 0 at and before N, rising linearly to the focus, falling linearly to 0 at F. A NaN
  // distance gives 0.
  static int DepthValue(float d, float near, float far, float focus);

  // Renders one frame (a negative frame: a picture without number). Returns 0 when done or
  // skipped (rendering disabled, frame outside from..to, or skip-existing with the file
  // present), -1 when the TGA output cannot be opened or the picture is wider or higher than
  // kMaxPictureSide. In prepare-only mode it returns 0 once the frame is ready for
  // renderLineBlock().
  int renderFrame(int32_t frame);
  // Traces up to ten lines from the current line and writes them. 1 while lines remain; 0
  // after the last block, when the files are closed (also 0 when no frame is prepared).
  int renderLineBlock();

  // The primary ray of pixel (x, y) from the active camera (perspective or panorama), traced
  // with `depth` levels. True when the tracer reports a colour (see PixelColour); false on a
  // miss and when there is no camera.
  bool tracePrimary(int32_t x, int32_t y, int depth);
  bool tracePanorama(int32_t x, int32_t y, int depth);

  // Sets the current background colour (Background()) for pixel (x, y) of the frame being
  // rendered: the background texture's colour there, or the plain background colour.
  void backgroundAt(int32_t x, int32_t y);

  // Run before every frame and preview: deletes the top-level objects whose names begin
  // with "_mat_object" (left by the material preview), gives every top-level object parent
  // null and every group member its group, recursively, and calls every object's
  // PrepareRender.
  void prepareScene();

  // Traces a width × height picture into three byte planes: pixel (x, y) goes to index
  // x + y × H of each plane (H being the stored height; the previews are square). Indices at
  // or beyond `plane_bytes` are not written. Traced misses are black, pixels outside the
  // field or mask get the background. Prints nothing; adds its time to the totals and counts
  // as a rendered frame.
  void renderPreview(int32_t width, int32_t height, uint8_t* red, uint8_t* green, uint8_t* blue,
                     std::size_t plane_bytes);

  // Setters of the interpreter and the editor.
  // Stores width / 2 and height / 2 (odd sizes lose a pixel) and resizes the active camera.
  void SetImageSize(int32_t width, int32_t height);
  // Makes `camera` (not owned; may be null) the active camera and gives it the image size.
  void SetCamera(Camera* camera);
  void SetAmbientColour(uint8_t r, uint8_t g, uint8_t b);
  // Stores |v| clamped to at most 1.
  void SetAmbientIntensity(float v);
  void SetFogColour(uint8_t r, uint8_t g, uint8_t b);
  void SetBackgroundColour(uint8_t r, uint8_t g, uint8_t b);

  // Whether the last renderFrame lost a picture it was asked for: a TGA, JPEG or depth-map
  // file that could not be opened or fully written (each was reported on the error stream).
  // renderFrame itself answers -1 only for the TGA file that cannot be opened.
  bool OutputFailed() const { return output_failed_; }

  // The file names built by the last renderFrame.
  const String& TgaFileName() const { return tga_name_; }
  const String& JpegFileName() const { return jpeg_name_; }
  const String& DepthMapFileName() const { return depth_name_; }

  // State of the frame in progress, for a caller that pulls blocks.
  bool FrameInProgress() const { return frame_open_; }
  // The colour block buffer (W × 10 pixels, blue, green, red); null in unbuffered mode.
  const uint8_t* BlockBuffer() const { return colour_buffer_.get(); }
  // The line the next block starts with.
  int32_t CurrentLine() const { return line_; }
  // Lines of the frame in progress (W / 2 for a panorama).
  int32_t FrameLines() const { return frame_lines_; }
  std::clock_t FrameStartClock() const { return frame_start_; }
  std::clock_t BlockStartClock() const { return block_start_; }
  // Traced pixels that the tracer reported a colour for, in the frame so far. The verbose
  // statistics print it against the pixel count of the picture (W × W/2 for a panorama).
  uint32_t PixelsHit() const { return hits_; }

  // The colour of the last traced pixel and the current background colour.
  Rgb PixelColour() const { return pixel_; }
  Rgb Background() const { return background_; }

  Tracer& tracer() { return tracer_; }

  // Block buffers larger than `bytes` count as unavailable, so the frame is written pixel by
  // pixel (for hosts short of memory; the default has no limit).
  void SetBlockBufferLimit(std::size_t bytes) { block_buffer_limit_ = bytes; }

 private:
  // Derives the picture size, opens the TGA (false, with its message, when it cannot be
  // opened or the picture is too large), the block buffer, the JPEG and the depth map, and
  // writes the headers.
  bool OpenFrame();
  // Pulls the blocks of the frame, printing the progress lines when verbose.
  void RenderBlocks();
  // The field and mask test of pixel (x, y).
  bool IsTraced(int32_t x, int32_t y) const;
  bool MaskAllows(int32_t x, int32_t y) const;
  // What one pixel comes to: its colour (traced or background) and depth-map value.
  struct PixelResult {
    Rgb colour;
    uint8_t depth = 0;
    bool hit = false;
  };
  // Traces pixel (x, y) with `tracer`; reads the scene and the frame only, so several threads
  // may compute pixels at once.
  PixelResult ComputePixel(Tracer& tracer, int32_t x, int32_t y) const;
  // Stores the next pixel into the block buffers or the files.
  void StorePixel(const PixelResult& pixel);
  // The perspective or panorama ray of pixel (x, y) traced by `tracer`.
  bool TracePixel(Tracer& tracer, int32_t x, int32_t y, int depth, Rgb* colour) const;
  Rgb BackgroundColour(int32_t x, int32_t y) const;
  // The threads of the settings (0: one per core), at most kMaxThreads.
  uint32_t ThreadCount() const;
  // Traces lines first_line .. end_line - 1 on `threads` threads, then stores them in order.
  void TraceBlockInParallel(int32_t first_line, int32_t end_line, uint32_t threads);
  // Writes `pixels` buffered pixels (whole rows for the JPEG) and resets the counter.
  void FlushBlock(uint32_t pixels);
  // Flushes what is left, completes the JPEG and closes every file.
  void FinishFrame();
  // Closes every file of the frame without completing it.
  void AbandonFrame();
  // Opens the depth map of the frame; leaves it off on failure.
  void OpenDepthMap(int32_t width, int32_t lines);
  // Opens and starts the JPEG; leaves it off on failure.
  void OpenJpeg(int32_t width, int32_t lines);
  // Points the internal background sphere's material at the background texture.
  void PrepareBackground();
  void ReportWriteFailure(const char* what);
  // A buffer of `bytes`, or null when it cannot (or may not) be had.
  std::unique_ptr<uint8_t[]> AllocateBlockBuffer(std::size_t bytes) const;

  Scene& scene_;
  std::ostream& out_;
  std::ostream& err_;
  SceneIndex index_;
  Tracer tracer_;
  // The tracers of the other threads, and the pixels of a block traced in parallel.
  std::vector<std::unique_ptr<Tracer>> worker_tracers_;
  std::vector<PixelResult> block_pixels_;

  // The background texture is sampled through the diffuse channel of this radius-1 sphere,
  // used only while a bitmap background is set (background_enabled_).
  MathSphere background_sphere_;
  Material background_material_;
  bool background_enabled_ = false;

  String tga_name_;
  String jpeg_name_;
  String depth_name_;

  // Frame in progress.
  bool frame_open_ = false;
  bool panorama_ = false;
  int32_t frame_width_ = 0;
  int32_t frame_lines_ = 0;
  int32_t line_ = 0;
  uint32_t pixel_counter_ = 0;
  uint32_t hits_ = 0;
  std::clock_t frame_start_ = 0;
  std::clock_t block_start_ = 0;
  std::chrono::steady_clock::time_point frame_wall_start_;
  std::chrono::steady_clock::time_point block_wall_start_;
  Rgb pixel_;
  Rgb background_;
  std::FILE* tga_ = nullptr;
  std::FILE* depth_ = nullptr;
  std::unique_ptr<JpegEncoder> jpeg_;
  bool depth_on_ = false;
  bool write_failed_ = false;
  bool output_failed_ = false;
  std::unique_ptr<uint8_t[]> colour_buffer_;
  std::unique_ptr<uint8_t[]> depth_buffer_;
  std::unique_ptr<uint8_t[]> jpeg_row_;
  std::size_t block_buffer_limit_ = SIZE_MAX;
};

}  // namespace orvane
