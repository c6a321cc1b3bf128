#include "render/render_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "foundation/error_output.h"
#include "imageio/jpeg.h"
#include "imageio/tga.h"
#include "material/procedural.h"
#include "material/sampling.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/scene.h"

namespace orvane {

namespace {

constexpr const char* kTgaOpenFailed = "TGA: Cannot open output file \n";
constexpr const char* kJpegOpenFailed = "JPEG: Cannot open output file \n";
constexpr const char* kNoBlockBuffer = "ERROR: No memory for RGB-save-buffer.\n";
constexpr const char* kPreviewObjectPrefix = "_mat_object";

double SecondsSince(std::clock_t start) {
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Seconds of the wall clock: with several threads the processor time runs faster.
double WallSecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds as the console shows them ("%g").
String SecondsText(double seconds) {
  String text;
  text.Str(seconds);
  return text;
}

uint8_t ClampToByte(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}

bool FileExists(const String& name) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

// Buffers are allocated without throwing: null when the memory cannot be had.
std::unique_ptr<uint8_t[]> TryBuffer(std::size_t bytes) {
  return std::unique_ptr<uint8_t[]>(TryNewArray<uint8_t>(bytes));
}

bool HasPrefix(const String& name, const char* prefix) {
  const int n = static_cast<int>(std::strlen(prefix));
  return name.Length() >= n && name.Left(n) == prefix;
}

}  // namespace

RenderDriver::RenderDriver(Scene& scene, std::ostream& out, std::ostream& err)
    : scene_(scene), out_(out), err_(err), tracer_(scene), background_sphere_(1.0f) {
  // The channel colour is added to the texel colour: black keeps the picture's own colours.
  background_material_.setColour(kDiffuse, 0, 0, 0);
  background_sphere_.material = &background_material_;
}

RenderDriver::~RenderDriver() {
  AbandonFrame();
}

String RenderDriver::OutputFileName(const String& base, int32_t frame, const char* extension) {
  String name = base;
  if (name.Length() >= 4 && name.Right(4) == ".tga") name.InLeft(name.Length() - 4);
  if (frame >= 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", static_cast<int>(frame));
    name += digits;
  }
  name += extension;
  return name;
}

int RenderDriver::DepthValue(float d, float near, float far, float focus) {
  float value = 0.0f;
  if (d < focus) {
    if (d > near) value = (d - near) / (focus - near) * 255.0f;
  } else if (d < far) {
    value = (far - d) / (far - focus) * 255.0f;
  }
  // Both quotients lie in [0, 1) by the tests above; NaN distances and limits give 0.
  if (!(value > 0.0f)) return 0;
  return value >= 255.0f ? 255 : static_cast<int>(value);
}

// --- Frames -------------------------------------------------------------------------------

int RenderDriver::renderFrame(int32_t frame) {
  RenderSettings& s = scene_.render;
  if (s.renderingDisabled) return 0;
  if (frame < s.frameFrom) return 0;
  if (frame > s.frameTo && s.frameTo != -1) return 0;

  AbandonFrame();
  output_failed_ = false;
  tga_name_ = OutputFileName(s.outputName, frame, ".tga");
  jpeg_name_ = OutputFileName(s.outputName, frame, ".jpg");
  depth_name_ = OutputFileName(s.depthMapName, frame, ".tga");
  if (s.skipExisting) {
    // Without TGA output the JPEG is the picture that tells whether the frame exists.
    const String& existing = s.tgaOutput || !s.jpegOutput ? tga_name_ : jpeg_name_;
    if (FileExists(existing)) return 0;
  }
  if (!OpenFrame()) return -1;

  // The start line is printed verbose or not, with the stored height even for a panorama.
  out_ << "\nRendering (" << s.Width() << "x" << s.Height() << " trace: " << s.traceDepth << ") "
       << tga_name_ << " ...\n";
  out_.flush();

  if (s.activeCamera != nullptr) {
    s.activeCamera->setImageSize(s.Width(), s.Height());
    if (panorama_) s.activeCamera->SetPanoramaWidth(static_cast<float>(frame_width_));
  }
  prepareScene();
  PrepareBackground();
  frame_start_ = std::clock();
  block_start_ = frame_start_;
  frame_wall_start_ = std::chrono::steady_clock::now();
  block_wall_start_ = frame_wall_start_;
  hits_ = 0;
  tracer_.ResetPrimaryHitDistance();
  line_ = 0;
  pixel_counter_ = 0;
  if (s.prepareOnly) return 0;

  RenderBlocks();
  const double elapsed = WallSecondsSince(frame_wall_start_);
  if (s.verbose) {
    out_ << "\n\n " << hits_ << " of " << int64_t(frame_width_) * frame_lines_ << " pixels hit.\n"
         << "\n Rendered in " << SecondsText(elapsed) << "s .\n";
    out_.flush();
  }
  s.totalRenderSeconds += static_cast<float>(elapsed);
  ++s.framesRendered;
  return 0;
}

bool RenderDriver::OpenFrame() {
  const RenderSettings& s = scene_.render;
  const int32_t width = s.Width();
  const int32_t lines = s.panorama ? width / 2 : s.Height();
  if (width > kMaxPictureSide || lines > kMaxPictureSide) {
    err_ << "ERROR: The picture of " << width << "x" << lines << " pixels is too large (at most "
         << kMaxPictureSide << " each way).\n";
    return false;
  }
  if (s.tgaOutput) {
    tga_ = std::fopen(tga_name_.c_str(), "wb");
    if (tga_ == nullptr) {
      err_ << kTgaOpenFailed;
      output_failed_ = true;
      return false;
    }
  }
  frame_open_ = true;
  panorama_ = s.panorama != 0;
  frame_width_ = width;
  frame_lines_ = lines;
  write_failed_ = false;

  // A fresh block buffer; without one the pixels go out one by one.
  colour_buffer_ = AllocateBlockBuffer(std::size_t(width) * kBlockLines * 3);
  if (!colour_buffer_) err_ << kNoBlockBuffer;
  if (s.jpegOutput) OpenJpeg(width, lines);
  if (tga_ != nullptr && !writeTgaHeader(MakeTgaHeader(uint16_t(width), uint16_t(lines)), tga_))
    ReportWriteFailure(tga_name_.c_str());
  depth_on_ = false;
  if (s.depthMap) OpenDepthMap(width, lines);
  return true;
}

void RenderDriver::RenderBlocks() {
  const bool verbose = scene_.render.verbose != 0;
  do {
    if (!verbose) continue;
    if (line_ > 0) {
      // The time of the block just done, times the blocks still to do.
      const double estimate =
          WallSecondsSince(block_wall_start_) * (frame_lines_ * 0.1 - line_ * 0.1);
      out_ << "   ready in: " << SecondsText(estimate) << "s.\n";
    }
    out_ << "lines: " << line_ << ".." << line_ + 9;
    for (int32_t limit : {10, 100, 1000}) {
      if (line_ < limit) out_ << "  ";  // keeps the columns aligned
    }
    out_.flush();
  } while (renderLineBlock() == 1);
}

void RenderDriver::OpenJpeg(int32_t width, int32_t lines) {
  if (!colour_buffer_) {  // the rows come from the block buffer
    output_failed_ = true;
    return;
  }
  jpeg_row_ = TryBuffer(std::size_t(width) * 3);
  std::FILE* file = std::fopen(jpeg_name_.c_str(), "wb");
  if (file == nullptr) {
    err_ << kJpegOpenFailed;
    output_failed_ = true;
    return;
  }
  auto encoder = std::unique_ptr<JpegEncoder>(TryNew<JpegEncoder>());
  if (!encoder || !jpeg_row_) {
    std::fclose(file);
    err_ << kNoBlockBuffer;
    output_failed_ = true;
    return;
  }
  // Start owns the file from here on, and closes it when it fails.
  if (!encoder->Start(file, width, lines, scene_.render.jpegQuality)) {
    err_ << "JPEG: " << encoder->LastError() << "\n";
    output_failed_ = true;
    return;
  }
  jpeg_ = std::move(encoder);
}

void RenderDriver::OpenDepthMap(int32_t width, int32_t lines) {
  depth_buffer_ = AllocateBlockBuffer(std::size_t(width) * kBlockLines * 3);
  if (!depth_buffer_) err_ << kNoBlockBuffer;
  depth_ = std::fopen(depth_name_.c_str(), "wb");
  if (depth_ == nullptr) {
    err_ << kTgaOpenFailed;
    output_failed_ = true;
    return;
  }
  depth_on_ = true;
  if (!writeTgaHeader(MakeTgaHeader(uint16_t(width), uint16_t(lines)), depth_))
    ReportWriteFailure(depth_name_.c_str());
}

int RenderDriver::renderLineBlock() {
  if (!frame_open_) return 0;
  block_start_ = std::clock();
  block_wall_start_ = std::chrono::steady_clock::now();
  const int32_t end = std::min(line_ + kBlockLines, frame_lines_);
  const uint32_t threads = ThreadCount();
  if (threads > 1 && colour_buffer_ && end - line_ > 1) {
    TraceBlockInParallel(line_, end, threads);
    line_ = end;
  } else {
    for (; line_ < end; ++line_) {
      for (int32_t x = 0; x < frame_width_; ++x) StorePixel(ComputePixel(tracer_, x, line_));
    }
  }
  if (end < frame_lines_) return 1;
  FinishFrame();
  return 0;
}

uint32_t RenderDriver::ThreadCount() const {
  uint32_t n = scene_.render.threads;
  if (n == 0) n = std::max(1u, std::thread::hardware_concurrency());
  return std::min<uint32_t>(n, kMaxThreads);
}

// The block goes to the threads in short runs of pixels, one at a time, as each thread becomes
// free; the pixels are then stored in their order, so the files are the same for every thread
// count.
void RenderDriver::TraceBlockInParallel(int32_t first_line, int32_t end_line, uint32_t threads) {
  const std::size_t width = static_cast<std::size_t>(frame_width_);
  const int32_t rows = end_line - first_line;
  threads = std::min<uint32_t>(threads, static_cast<uint32_t>(rows));
  try {
    block_pixels_.resize(width * static_cast<std::size_t>(rows));
    while (worker_tracers_.size() + 1 < threads) {
      worker_tracers_.push_back(std::make_unique<Tracer>(scene_));
    }
    for (auto& t : worker_tracers_) t->UseIndex(&index_);
    // Runs of kRunPixels pixels are handed out, so that the threads finish a block together.
    const int32_t runs_per_row = (frame_width_ + kRunPixels - 1) / kRunPixels;
    const int32_t runs = runs_per_row * rows;
    std::atomic<int32_t> next_run{0};
    auto work = [&](Tracer& tracer) {
      for (int32_t run = next_run++; run < runs; run = next_run++) {
        const int32_t row = run / runs_per_row;
        const int32_t from = (run % runs_per_row) * kRunPixels;
        const int32_t to = std::min(from + kRunPixels, frame_width_);
        PixelResult* out = block_pixels_.data() + width * static_cast<std::size_t>(row);
        for (int32_t x = from; x < to; ++x) out[x] = ComputePixel(tracer, x, first_line + row);
      }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
      for (uint32_t k = 0; k + 1 < threads; ++k)
        pool.emplace_back(work, std::ref(*worker_tracers_[k]));
    } catch (const std::system_error&) {
      // Fewer threads than asked for: the ones that started and this one share the rows.
    }
    work(tracer_);
    for (std::thread& t : pool) t.join();
  } catch (const std::bad_alloc&) {
    // Without the memory for the block, the rest of it is traced here, pixel after pixel.
    for (int32_t y = first_line; y < end_line; ++y)
      for (int32_t x = 0; x < frame_width_; ++x) StorePixel(ComputePixel(tracer_, x, y));
    return;
  }
  for (const PixelResult& p : block_pixels_) StorePixel(p);
}

RenderDriver::PixelResult RenderDriver::ComputePixel(Tracer& tracer, int32_t x, int32_t y) const {
  const RenderSettings& s = scene_.render;
  PixelResult p;
  p.hit = IsTraced(x, y) && TracePixel(tracer, x, y, s.traceDepth, &p.colour);
  if (p.hit) {
    // A fogged miss counts as a hit but has no distance (the tracer answers -1): depth 0.
    const float distance = tracer.PrimaryHitDistance();
    if (depth_on_ && distance >= 0.0f)
      p.depth = static_cast<uint8_t>(DepthValue(distance, s.depthNear, s.depthFar, s.depthFocus));
  } else {
    p.colour = BackgroundColour(x, y);
  }
  return p;
}

void RenderDriver::StorePixel(const PixelResult& p) {
  const RenderSettings& s = scene_.render;
  ++pixel_counter_;
  if (p.hit) {
    pixel_ = p.colour;
    ++hits_;
  } else {
    background_ = p.colour;
  }
  const Rgb colour = p.colour;
  int depth = p.depth;
  if (s.depthInvert) depth = 255 - depth;
  const uint8_t bgr[3] = {colour.b, colour.g, colour.r};
  const uint8_t grey[3] = {uint8_t(depth), uint8_t(depth), uint8_t(depth)};
  const std::size_t at = std::size_t(pixel_counter_ - 1) * 3;

  if (colour_buffer_) {
    std::copy(bgr, bgr + 3, colour_buffer_.get() + at);
  } else if (tga_ != nullptr && !writeBlock(bgr, 3, tga_)) {
    ReportWriteFailure(tga_name_.c_str());
  }
  if (depth_on_) {
    if (depth_buffer_) {
      std::copy(grey, grey + 3, depth_buffer_.get() + at);
    } else if (!writeBlock(grey, 3, depth_)) {
      ReportWriteFailure(depth_name_.c_str());
    }
  }
  if (pixel_counter_ == uint32_t(frame_width_) * kBlockLines) FlushBlock(pixel_counter_);
}

void RenderDriver::FlushBlock(uint32_t pixels) {
  const std::size_t bytes = std::size_t(pixels) * 3;
  if (tga_ != nullptr && colour_buffer_ && !writeBlock(colour_buffer_.get(), bytes, tga_))
    ReportWriteFailure(tga_name_.c_str());
  if (jpeg_ && frame_width_ > 0) {
    // The encoder takes red, green, blue: the block's rows with red and blue exchanged.
    const uint32_t rows = pixels / uint32_t(frame_width_);
    for (uint32_t row = 0; row < rows; ++row) {
      const uint8_t* bgr = colour_buffer_.get() + std::size_t(row) * frame_width_ * 3;
      for (int32_t x = 0; x < frame_width_; ++x) {
        jpeg_row_[x * 3] = bgr[x * 3 + 2];
        jpeg_row_[x * 3 + 1] = bgr[x * 3 + 1];
        jpeg_row_[x * 3 + 2] = bgr[x * 3];
      }
      if (!jpeg_->WriteRow(jpeg_row_.get())) {
        err_ << "JPEG: " << jpeg_->LastError() << "\n";
        output_failed_ = true;
        jpeg_.reset();
        break;
      }
    }
  }
  if (depth_on_ && depth_buffer_ && !writeBlock(depth_buffer_.get(), bytes, depth_))
    ReportWriteFailure(depth_name_.c_str());
  pixel_counter_ = 0;
}

void RenderDriver::FinishFrame() {
  if (pixel_counter_ > 0) FlushBlock(pixel_counter_);
  if (jpeg_ && !jpeg_->Finish()) {
    err_ << "JPEG: " << jpeg_->LastError() << "\n";
    output_failed_ = true;
  }
  jpeg_.reset();
  if (tga_ != nullptr && std::fclose(tga_) != 0) ReportWriteFailure(tga_name_.c_str());
  tga_ = nullptr;
  if (depth_ != nullptr && std::fclose(depth_) != 0) ReportWriteFailure(depth_name_.c_str());
  depth_ = nullptr;
  depth_on_ = false;
  frame_open_ = false;
}

void RenderDriver::AbandonFrame() {
  jpeg_.reset();  // closes its file
  if (tga_ != nullptr) std::fclose(tga_);
  if (depth_ != nullptr) std::fclose(depth_);
  tga_ = nullptr;
  depth_ = nullptr;
  depth_on_ = false;
  frame_open_ = false;
}

std::unique_ptr<uint8_t[]> RenderDriver::AllocateBlockBuffer(std::size_t bytes) const {
  if (bytes > block_buffer_limit_) return nullptr;
  return TryBuffer(bytes);
}

void RenderDriver::ReportWriteFailure(const char* what) {
  output_failed_ = true;
  if (write_failed_) return;  // once per frame is enough
  write_failed_ = true;
  err_ << "ERROR: Could not write " << what << "\n";
}

// --- Pixels -------------------------------------------------------------------------------

bool RenderDriver::IsTraced(int32_t x, int32_t y) const {
  const RenderSettings& s = scene_.render;
  if (x < s.fieldLeft || x > s.fieldRight || y < s.fieldTop || y > s.fieldBottom) return false;
  return s.fieldMaskType == 0 || MaskAllows(x, y);
}

bool RenderDriver::MaskAllows(int32_t x, int32_t y) const {
  const RenderSettings& s = scene_.render;
  const Texture* mask = s.fieldMask;
  if (mask == nullptr || frame_width_ <= 0 || frame_lines_ <= 0) return true;
  if (s.fieldMaskType == 1) {
    const int32_t w = mask->Width();
    const int32_t h = mask->Height();
    if (w <= 0 || h <= 0) return true;  // no bitmap: the pixel stays traced
    const int32_t mx = static_cast<int32_t>(int64_t(w) * x / frame_width_);
    const int32_t my = static_cast<int32_t>(int64_t(h) * y / frame_lines_);
    return static_cast<int>(mask->TexelBrightness(mx, my)) >= s.fieldBrightness;
  }
  if (s.fieldMaskType == 2) {
    const Fractal& fractal = mask->fractal;
    if (fractal.palette() == nullptr) return false;
    const int index = fractal.IndexAt(double(x) / frame_width_, double(y) / frame_lines_);
    return fractal.BrightnessOf(index) >= s.fieldBrightness;
  }
  return true;
}

bool RenderDriver::TracePixel(Tracer& tracer, int32_t x, int32_t y, int depth,
                              Rgb* colour) const {
  Camera* camera = scene_.render.activeCamera;
  if (camera == nullptr) return false;
  const Ray ray = panorama_ ? camera->panoramaRay(static_cast<float>(x), static_cast<float>(y))
                            : camera->primaryRay(static_cast<float>(x), static_cast<float>(y));
  int r = 0, g = 0, b = 0;
  const int16_t valid = tracer.Trace(ray, &r, &g, &b, static_cast<int16_t>(depth), 1.0f, 0);
  *colour = Rgb{ClampToByte(r), ClampToByte(g), ClampToByte(b)};
  return valid == 1;
}

bool RenderDriver::tracePrimary(int32_t x, int32_t y, int depth) {
  const bool panorama = panorama_;
  panorama_ = false;
  const bool hit = TracePixel(tracer_, x, y, depth, &pixel_);
  panorama_ = panorama;
  return hit;
}

bool RenderDriver::tracePanorama(int32_t x, int32_t y, int depth) {
  const bool panorama = panorama_;
  panorama_ = true;
  const bool hit = TracePixel(tracer_, x, y, depth, &pixel_);
  panorama_ = panorama;
  return hit;
}

void RenderDriver::backgroundAt(int32_t x, int32_t y) {
  background_ = BackgroundColour(x, y);
}

Rgb RenderDriver::BackgroundColour(int32_t x, int32_t y) const {
  const RenderSettings& s = scene_.render;
  const Rgb plain{s.background[0], s.background[1], s.background[2]};
  const int32_t width = frame_open_ ? frame_width_ : s.Width();
  const int32_t lines = frame_open_ ? frame_lines_ : s.Height();
  if (width <= 0 || lines <= 0) return plain;
  const double u = double(x) / width;
  const double v = double(y) / lines;
  if (s.backgroundMode == 1 && background_enabled_) {
    // The internal sphere's coordinates are (u, v) as floats.
    const ColourF c = SampleColour(background_material_, kDiffuse, static_cast<float>(u),
                                   static_cast<float>(v));
    return Rgb{ClampToByte(c.r), ClampToByte(c.g), ClampToByte(c.b)};
  }
  if (s.backgroundMode == 2 && s.backgroundTexture != nullptr) {
    const Fractal& fractal = s.backgroundTexture->fractal;
    return fractal.ColourOf(fractal.IndexAt(u, v));
  }
  return plain;
}

void RenderDriver::PrepareBackground() {
  const RenderSettings& s = scene_.render;
  const Texture* texture = s.backgroundTexture;
  background_enabled_ = s.backgroundMode == 1 && texture != nullptr && texture->HasTexels();
  // The material only reads the texture; the settings hold it as const for that reason.
  background_material_.setTexture(kDiffuse,
                                  background_enabled_ ? const_cast<Texture*>(texture) : nullptr);
  background_material_.setHasTexture(kDiffuse, background_enabled_ ? 1 : 0);
}

// --- Scene preparation and previews --------------------------------------------------------

void RenderDriver::prepareScene() {
  index_.Clear();
  tracer_.UseIndex(&index_);
  LIST* objects = scene_.objects;
  if (objects == nullptr) return;
  // Objects the material preview left behind.
  for (ListNode* node = objects->head; node != nullptr;) {
    ListNode* next = node->next;
    const auto* object = dynamic_cast<const SceneObject*>(node->item);
    if (object != nullptr && HasPrefix(object->name, kPreviewObjectPrefix)) {
      objects->current = node;
      objects->Remove();
    }
    node = next;
  }
  // Parents, then the world-space data of every object.
  for (ListNode* node = objects->head; node != nullptr; node = node->next) {
    auto* object = dynamic_cast<SceneObject*>(node->item);
    if (object == nullptr) continue;
    object->parent = nullptr;
    if (auto* group = dynamic_cast<GroupObject*>(object)) group->AssignParents();
  }
  for (ListNode* node = objects->head; node != nullptr; node = node->next) {
    if (auto* object = dynamic_cast<SceneObject*>(node->item)) object->PrepareRender();
  }
  index_.Build(objects);
  tracer_.UseIndex(&index_);
}

void RenderDriver::renderPreview(int32_t width, int32_t height, uint8_t* red, uint8_t* green,
                                 uint8_t* blue, std::size_t plane_bytes) {
  RenderSettings& s = scene_.render;
  AbandonFrame();
  SetImageSize(width, height);
  prepareScene();
  PrepareBackground();
  const std::clock_t start = std::clock();
  const int32_t w = s.Width();
  const int32_t h = s.Height();
  frame_width_ = w;
  frame_lines_ = h;
  panorama_ = false;
  tracer_.ResetPrimaryHitDistance();
  uint32_t hits = 0;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      Rgb colour;
      if (IsTraced(x, y)) {
        if (tracePrimary(x, y, s.traceDepth)) {
          colour = pixel_;
          ++hits;
        }
      } else {
        backgroundAt(x, y);
        colour = background_;
      }
      const std::size_t at = std::size_t(x) + std::size_t(y) * std::size_t(h);
      if (at >= plane_bytes) continue;
      if (red != nullptr) red[at] = colour.r;
      if (green != nullptr) green[at] = colour.g;
      if (blue != nullptr) blue[at] = colour.b;
    }
  }
  hits_ = hits;
  s.totalRenderSeconds += static_cast<float>(SecondsSince(start));
  ++s.framesRendered;
}

// --- Setters ------------------------------------------------------------------------------

void RenderDriver::SetImageSize(int32_t width, int32_t height) {
  RenderSettings& s = scene_.render;
  s.SetSize(width, height);
  if (s.activeCamera != nullptr) s.activeCamera->setImageSize(s.Width(), s.Height());
}

void RenderDriver::SetCamera(Camera* camera) {
  RenderSettings& s = scene_.render;
  s.activeCamera = camera;
  if (camera != nullptr) camera->setImageSize(s.Width(), s.Height());
}

void RenderDriver::SetAmbientColour(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* a = scene_.render.ambient;
  a[0] = r;
  a[1] = g;
  a[2] = b;
}

void RenderDriver::SetAmbientIntensity(float v) {
  scene_.render.SetAmbientIntensity(v);
}

void RenderDriver::SetFogColour(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* f = scene_.render.fog;
  f[0] = r;
  f[1] = g;
  f[2] = b;
}

void RenderDriver::SetBackgroundColour(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* c = scene_.render.background;
  c[0] = r;
  c[1] = g;
  c[2] = b;
}

}  // namespace orvane
