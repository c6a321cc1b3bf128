#include "imageio/jpeg.h"

#include <csetjmp>
#include <cstring>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <jerror.h>

// The rules for the functions below that call setjmp: longjmp may only unwind frames of the
// library and the function that called setjmp, so those functions hold nothing but plain C
// structures and scalars (no object with a destructor), and they keep their state in a
// structure reached through a pointer rather than in locals changed after setjmp.

namespace orvane {

namespace {

constexpr const char* kOpenFailed = "Failed to open file";
constexpr const char* kNotJfif = "Not a JFIF file (FF D8 FF E0 expected)";
constexpr const char* kTooLarge = "JPEG picture too large";
constexpr const char* kBadSize = "JPEG picture size out of range";
constexpr const char* kTooManyRows = "More JPEG rows than the picture height";
constexpr const char* kCloseFailed = "Failed to close the JPEG file";

// Progressive files may hold any number of scans; a decoder that accepted them all could be
// kept busy for hours by a small file.
constexpr int kMaxScans = 1000;

struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

ErrorManager* Manager(j_common_ptr cinfo) {
  return reinterpret_cast<ErrorManager*>(cinfo->err);
}

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
  std::longjmp(Manager(cinfo)->jump, 1);
}

// Fatal errors: keep the message and return to the caller's setjmp.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->format_message)(cinfo, Manager(cinfo)->message);
  JumpBack(cinfo);
}

// The library never prints.
void OutputMessage(j_common_ptr) {}

bool HarmlessWarning(int code) {
  return code == JWRN_JFIF_MAJOR || code == JWRN_EXTRANEOUS_DATA || code == JWRN_ADOBE_XFORM ||
         code == JWRN_BOGUS_ICC;
}

// msg_level < 0 marks a warning, which nearly always means damaged data: treated as fatal.
void EmitMessage(j_common_ptr cinfo, int msg_level) {
  if (msg_level >= 0) return;
  cinfo->err->num_warnings++;
  if (HarmlessWarning(cinfo->err->msg_code)) return;
  ErrorExit(cinfo);
}

void FailWith(j_common_ptr cinfo, const char* message) {
  std::snprintf(Manager(cinfo)->message, JMSG_LENGTH_MAX, "%s", message);
  JumpBack(cinfo);
}

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    FailWith(cinfo, "Too many scans in the JPEG file");
  }
}

void InstallErrorManager(ErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = ErrorExit;
  manager.pub.output_message = OutputMessage;
  manager.pub.emit_message = EmitMessage;
  manager.message[0] = '\0';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Encoder

struct JpegEncoder::State {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  std::FILE* file = nullptr;
  bool created = false;
};

namespace {

// jpeg_std_error, jpeg_CreateCompress, stdio destination, size, RGB input, defaults, quality
// with baseline tables, start with all tables.
bool CompressStart(JpegEncoder::State* s, JDIMENSION width, JDIMENSION height, int quality);
bool CompressRow(JpegEncoder::State* s, const uint8_t* rgb);
bool CompressFinish(JpegEncoder::State* s);

}  // namespace

JpegEncoder::JpegEncoder() = default;

JpegEncoder::~JpegEncoder() {
  Abandon(nullptr);
}

void JpegEncoder::Abandon(const char* message) {
  if (message) error_ = message;
  if (!state_) return;
  if (state_->created) jpeg_destroy_compress(&state_->cinfo);
  if (state_->file) std::fclose(state_->file);
  state_.reset();
}

bool JpegEncoder::Start(std::FILE* file, int32_t width, int32_t height, int quality) {
  Abandon(nullptr);
  error_.clear();
  rows_ = 0;
  if (!file) {
    error_ = kOpenFailed;
    return false;
  }
  state_.reset(new (std::nothrow) State());
  if (!state_) {
    std::fclose(file);
    error_ = "Out of memory";
    return false;
  }
  state_->file = file;
  if (width < 1 || height < 1 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
    Abandon(kBadSize);
    return false;
  }
  if (!CompressStart(state_.get(), static_cast<JDIMENSION>(width), static_cast<JDIMENSION>(height),
                     quality)) {
    Abandon(state_->errors.message);
    return false;
  }
  return true;
}

bool JpegEncoder::WriteRow(const uint8_t* rgb) {
  if (!state_ || !rgb) {
    if (state_) Abandon("No JPEG row given");
    return false;
  }
  if (state_->cinfo.next_scanline >= state_->cinfo.image_height) {
    Abandon(kTooManyRows);
    return false;
  }
  if (!CompressRow(state_.get(), rgb)) {
    Abandon(state_->errors.message);
    return false;
  }
  ++rows_;
  return true;
}

bool JpegEncoder::Finish() {
  if (!state_) return false;
  if (!CompressFinish(state_.get())) {
    Abandon(state_->errors.message);
    return false;
  }
  const bool closed = std::fclose(state_->file) == 0;
  state_->file = nullptr;
  jpeg_destroy_compress(&state_->cinfo);
  state_.reset();
  if (!closed) error_ = kCloseFailed;
  return closed;
}

namespace {

bool CompressStart(JpegEncoder::State* s, JDIMENSION width, JDIMENSION height, int quality) {
  InstallErrorManager(s->errors);
  s->cinfo.err = &s->errors.pub;
  if (setjmp(s->errors.jump)) return false;
  jpeg_CreateCompress(&s->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  s->created = true;
  jpeg_stdio_dest(&s->cinfo, s->file);
  s->cinfo.image_width = width;
  s->cinfo.image_height = height;
  s->cinfo.input_components = 3;
  s->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  jpeg_start_compress(&s->cinfo, TRUE);
  return true;
}

bool CompressRow(JpegEncoder::State* s, const uint8_t* rgb) {
  if (setjmp(s->errors.jump)) return false;
  // libjpeg's row type is not const; it only reads the row.
  JSAMPROW row = const_cast<JSAMPLE*>(rgb);
  return jpeg_write_scanlines(&s->cinfo, &row, 1) == 1;
}

bool CompressFinish(JpegEncoder::State* s) {
  if (setjmp(s->errors.jump)) return false;
  jpeg_finish_compress(&s->cinfo);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Decoder

struct DecodeJob {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  std::FILE* file;  // the source: a file, or else data/size
  const uint8_t* data;
  std::size_t size;
  int64_t maxPixels;
  CDIB* out;
};

// jpeg_std_error, jpeg_CreateDecompress, source, header, RGB output, start, the rows into
// job->out, finish, destroy. The decompressor is destroyed on every path.
bool Decompress(DecodeJob* job) {
  InstallErrorManager(job->errors);
  job->cinfo.err = &job->errors.pub;
  if (setjmp(job->errors.jump)) {
    jpeg_destroy_decompress(&job->cinfo);
    return false;
  }
  j_decompress_ptr cinfo = &job->cinfo;
  jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  job->progress.progress_monitor = LimitScans;
  cinfo->progress = &job->progress;
  if (job->file) {
    jpeg_stdio_src(cinfo, job->file);
  } else {
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
  }
  jpeg_read_header(cinfo, TRUE);
  if (int64_t{cinfo->image_width} * cinfo->image_height > job->maxPixels) {
    FailWith(reinterpret_cast<j_common_ptr>(cinfo), kTooLarge);
  }
  cinfo->out_color_space = JCS_RGB;  // greyscale pictures come out as grey RGB
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 3 ||
      !job->out->Create24(static_cast<int32_t>(cinfo->output_width),
                          static_cast<int32_t>(cinfo->output_height))) {
    FailWith(reinterpret_cast<j_common_ptr>(cinfo), "Unable to create DIB-Section");
  }
  JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               cinfo->output_width * 3, 1);
  while (cinfo->output_scanline < cinfo->output_height) {
    const JDIMENSION y = cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) {
      FailWith(reinterpret_cast<j_common_ptr>(cinfo), "Premature end of JPEG file");
    }
    const JSAMPLE* in = row[0];
    uint8_t* p = job->out->Row(static_cast<int32_t>(y));
    for (JDIMENSION x = 0; x < cinfo->output_width; ++x, in += 3, p += 3) {
      p[0] = in[2];
      p[1] = in[1];
      p[2] = in[0];
    }
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return true;
}

bool DecodeTo(DecodeJob& job, CDIB& out, std::string* error) {
  job.out = &out;
  if (Decompress(&job)) return true;
  out.Clear();
  if (error) *error = job.errors.message;
  return false;
}

bool Refuse(CDIB& out, std::string* error, const char* message) {
  out.Clear();
  if (error) *error = message;
  return false;
}

}  // namespace

bool HasJfifSignature(const uint8_t* data, std::size_t size) {
  static constexpr uint8_t kSignature[4] = {0xFF, 0xD8, 0xFF, 0xE0};
  return data && size >= 4 && std::memcmp(data, kSignature, 4) == 0;
}

bool ReadJpegMemory(const uint8_t* data, std::size_t size, CDIB& out, std::string* error,
                    int64_t max_pixels) {
  if (!HasJfifSignature(data, size)) return Refuse(out, error, kNotJfif);
  DecodeJob job{};
  job.data = data;
  job.size = size;
  job.maxPixels = max_pixels;
  return DecodeTo(job, out, error);
}

bool ReadJpegTexture(const char* path, CDIB& out, std::string* error) {
  std::FILE* file = path && *path ? std::fopen(path, "rb") : nullptr;
  if (!file) return Refuse(out, error, kOpenFailed);
  uint8_t start[4] = {};
  const std::size_t got = std::fread(start, 1, sizeof start, file);
  if (!HasJfifSignature(start, got)) {
    std::fclose(file);
    return Refuse(out, error, kNotJfif);
  }
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return Refuse(out, error, "Read error");
  }
  DecodeJob job{};
  job.file = file;
  job.maxPixels = CDIB::kMaxPixels;
  const bool ok = DecodeTo(job, out, error);
  std::fclose(file);
  return ok;
}

}  // namespace orvane
