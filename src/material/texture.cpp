#include "material/texture.h"

#include <cstdio>
#include <string>
#include <utility>

#include "foundation/error_output.h"
#include "imageio/ilbm.h"
#include "imageio/jpeg.h"

namespace orvane {

namespace {

bool StartsWithJfifMarker(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t head[4] = {0, 0, 0, 0};
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  return HasJfifSignature(head, got);
}

struct LoadedImage {
  std::unique_ptr<Picture> picture;
  std::unique_ptr<CDIB> dib;
};

// One file name, no search: IFF first, then the 24-bit readers.
bool LoadImageFile(const char* path, LoadedImage& out) {
  std::unique_ptr<Picture> picture(TryNew<Picture>());
  if (!picture) return false;
  if ((readILBM(*picture, path, true) & kIlbmBodyRead) && picture->HasPixels()) {
    out.picture = std::move(picture);
    return true;
  }
  picture.reset();
  std::unique_ptr<CDIB> dib(TryNew<CDIB>());
  if (!dib) return false;
  std::string error;
  const bool read =
      StartsWithJfifMarker(path) ? ReadJpegTexture(path, *dib, &error) : dib->Open(path);
  // Texels of other depths cannot be read back, so such a BMP counts as unreadable.
  if (!read || dib->BitsPerPixel() != 24 || dib->Width() <= 0 || dib->Height() <= 0) {
    return false;
  }
  out.dib = std::move(dib);
  return true;
}

bool LoadPaletteFile(const char* path, LoadedImage& out) {
  std::unique_ptr<Picture> picture(TryNew<Picture>());
  if (!picture) return false;
  if (!(readILBM(*picture, path, true) & kIlbmPaletteRead)) return false;
  out.picture = std::move(picture);
  return true;
}

// Tries `file` as given, then joined to each search path, until `load` succeeds.
template <class Loader>
bool LoadThroughSearchPath(const char* file, LIST* searchPaths, Loader load, LoadedImage& out) {
  if (!file || !*file) return false;
  if (load(file, out)) return true;
  if (!searchPaths) return false;
  for (ListNode* node = searchPaths->head; node; node = node->next) {
    const auto* path = dynamic_cast<const String*>(node->item);
    if (!path || path->IsEmpty()) continue;
    const String joined = JoinSearchPath(*path, file);
    if (load(joined.c_str(), out)) return true;
  }
  return false;
}

}  // namespace

Texture::Texture(int32_t kind_value) : kind(kind_value) {}

Texture::~Texture() = default;

void Texture::SetPicture(std::unique_ptr<Picture> picture) {
  picture_ = std::move(picture);
  if (picture_) dib_.reset();
}

void Texture::SetDib(std::unique_ptr<CDIB> dib) {
  dib_ = std::move(dib);
  if (dib_) picture_.reset();
}

void Texture::AdoptPicture(std::unique_ptr<Picture> loaded) {
  if (!picture_) {
    SetPicture(std::move(loaded));
    return;
  }
  // Fractals borrow this Picture as their palette: refill it in place so they stay valid.
  if (loaded->HasPixels()) picture_->SwapPixels(*loaded);
  picture_->palette = loaded->palette;
  picture_->paletteCount = loaded->paletteCount;
  dib_.reset();
}

bool Texture::CreatePicture(int32_t width, int32_t height, int32_t planes) {
  std::unique_ptr<Picture> picture(TryNew<Picture>());
  if (!picture || !picture->Create(width, height, planes)) return false;
  SetPicture(std::move(picture));
  return true;
}

int32_t Texture::Width() const {
  if (picture_) return picture_->Width();
  return dib_ ? dib_->Width() : 0;
}

int32_t Texture::Height() const {
  if (picture_) return picture_->Height();
  return dib_ ? dib_->Height() : 0;
}

bool Texture::HasTexels() const {
  return kind == kTextureImage && Width() > 0 && Height() > 0;
}

ColourF Texture::TexelColour(int32_t x, int32_t y) const {
  if (picture_) {
    const Rgb c = picture_->PaletteColour(picture_->Pixel(x, y));
    return ColourF{float(c.r), float(c.g), float(c.b)};
  }
  if (dib_) {
    const uint32_t p = dib_->GetPixel(x, y);  // 0x00BBGGRR
    return ColourF{float(p & 0xFF), float((p >> 8) & 0xFF), float((p >> 16) & 0xFF)};
  }
  return ColourF{};
}

double Texture::TexelBrightness(int32_t x, int32_t y) const {
  if (picture_) return picture_->PaletteBrightness(picture_->Pixel(x, y));
  const ColourF c = TexelColour(x, y);
  return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
}

bool Texture::LoadImage(const char* file, LIST* searchPaths) {
  LoadedImage loaded;
  if (!LoadThroughSearchPath(file, searchPaths, LoadImageFile, loaded)) return false;
  if (loaded.picture) {
    AdoptPicture(std::move(loaded.picture));
  } else {
    SetDib(std::move(loaded.dib));
  }
  fileName = file;
  return true;
}

bool Texture::LoadPalette(const char* file, LIST* searchPaths) {
  LoadedImage loaded;
  if (!LoadThroughSearchPath(file, searchPaths, LoadPaletteFile, loaded)) return false;
  AdoptPicture(std::move(loaded.picture));
  fileName = file;
  return true;
}

Texture* FindTexture(LIST* textures, const String& name) {
  if (!textures) return nullptr;
  for (ListNode* node = textures->head; node; node = node->next) {
    auto* texture = dynamic_cast<Texture*>(node->item);
    if (texture && texture->name == name) return texture;
  }
  return nullptr;
}

String JoinSearchPath(const String& path, const char* file) {
  String joined = path;
  if (!path.IsEmpty()) {
    const char last = path.c_str()[path.Length() - 1];
    if (last != '/' && last != '\\') joined += '/';
  }
  joined += file;
  return joined;
}

}  // namespace orvane
