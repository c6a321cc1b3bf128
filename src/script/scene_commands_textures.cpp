// Texture blocks: images, palettes, fractals, chessboards and colour fades. Textures are never
// repeated: a name[n] header makes one texture.

#include <algorithm>
#include <memory>
#include <ostream>

#include "foundation/bitmap.h"
#include "foundation/error_output.h"
#include "imageio/ilbm.h"
#include "material/texture.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

// The picture of a new image texture, and of a palette texture (whose 256 entries serve
// fractals).
constexpr int kImageWidth = 320;
constexpr int kImageHeight = 240;
constexpr int kPaletteSide = 8;

void CannotWrite(BlockReader& b, const String& file) {
  b.Warning(String("): Could not write Image3 to file: ") + file);
}

// load "file" of images and palettes, through the texture search paths.
Param LoadTexture(BlockReader& b, Texture& texture) {
  String file;
  if (!b.Text(&file)) return Param::kDone;
  LIST* paths = &b.state.texture_paths;
  const bool loaded = texture.kind == kTexturePalette ? texture.LoadPalette(file.c_str(), paths)
                                                      : texture.LoadImage(file.c_str(), paths);
  if (!loaded) b.Warning(String("): Texture not found/readable: ") + file);
  return Param::kDone;
}

// The picture whose colour map a `palette name` parameter names; null when there is none.
const Picture* NamedPalette(BlockReader& b) {
  String name;
  if (!b.Word(&name)) return nullptr;
  const Texture* source = FindTexture(b.scene.images, name);
  const Picture* picture = source ? source->picture() : nullptr;
  if (!picture) b.Warning("): palette not found.\n");
  return picture;
}

// --- image ---

// save "file": the picture as IFF ILBM
Param ImageSave(BlockReader& b, Texture& texture) {
  String file;
  if (!b.Text(&file)) return Param::kDone;
  const Picture* picture = texture.picture();
  if (!picture || !writeILBM(*picture, file.c_str(), true)) CannotWrite(b, file);
  return Param::kDone;
}

// palette name: the image takes the palette's colours
Param ImagePalette(BlockReader& b, Texture& texture) {
  const Picture* palette = NamedPalette(b);
  Picture* picture = texture.picture();
  if (palette && picture && palette != picture) {
    picture->palette = palette->palette;
    picture->paletteCount = palette->paletteCount;
  }
  return Param::kDone;
}

enum class Shape { kBar, kBox, kLine };

// bar|box|line <x1,y1,x2,y2,c>, in palette colour c
Param Draw(BlockReader& b, Texture& texture, Shape shape) {
  if (!b.Value()) return Param::kDone;
  const int x1 = b.Int(1), y1 = b.Int(2), x2 = b.Int(3), y2 = b.Int(4);
  const auto colour = static_cast<uint8_t>(b.Int(5));
  Bitmap* bitmap = texture.picture() ? texture.picture()->bitmap() : nullptr;
  if (!bitmap) return Param::kDone;
  switch (shape) {
    case Shape::kBar:
      bitmap->FillRectangle(x1, y1, x2, y2, colour);
      break;
    case Shape::kBox:
      bitmap->DrawRectangle(x1, y1, x2, y2, colour);
      break;
    case Shape::kLine:
      bitmap->DrawLine(x1, y1, x2, y2, colour);
      break;
  }
  return Param::kDone;
}

Param ImageBar(BlockReader& b, Texture& t) {
  return Draw(b, t, Shape::kBar);
}
Param ImageBox(BlockReader& b, Texture& t) {
  return Draw(b, t, Shape::kBox);
}
Param ImageLine(BlockReader& b, Texture& t) {
  return Draw(b, t, Shape::kLine);
}

const Keyword<Texture> kImageKeywords[] = {
    {"load", LoadTexture},      // load "file"
    {"save", ImageSave},        // save "file"
    {"palette", ImagePalette},  // palette name
    {"bar", ImageBar},          // bar <x1,y1,x2,y2,c>: filled rectangle
    {"box", ImageBox},          // box <x1,y1,x2,y2,c>: rectangle outline
    {"line", ImageLine},        // line <x1,y1,x2,y2,c>
};

// --- palette ---

// RGB <i,r,g,b>
Param PaletteEntry(BlockReader& b, Texture& texture) {
  if (!b.Value()) return Param::kDone;
  const int i = b.Int(1);
  const Rgb colour{static_cast<uint8_t>(b.Int(2)), static_cast<uint8_t>(b.Int(3)),
                   static_cast<uint8_t>(b.Int(4))};
  Picture* picture = texture.picture();
  if (picture && i >= 0 && i < picture->paletteCount) picture->palette[i] = colour;
  return Param::kDone;
}

// range <i,j>: the entries between i and j run evenly from colour i to colour j
Param PaletteRange(BlockReader& b, Texture& texture) {
  if (!b.Value()) return Param::kDone;
  int i = b.Int(1);
  int j = b.Int(2);
  Picture* picture = texture.picture();
  if (!picture || i < 0 || j < 0 || i >= picture->paletteCount || j >= picture->paletteCount) {
    return Param::kDone;
  }
  if (i > j) std::swap(i, j);
  const Rgb from = picture->palette[i];
  const Rgb to = picture->palette[j];
  for (int k = i + 1; k < j; ++k) {
    auto step = [&](uint8_t a, uint8_t c) {
      return static_cast<uint8_t>(a + (c - a) * (k - i) / (j - i));
    };
    picture->palette[k] = Rgb{step(from.r, to.r), step(from.g, to.g), step(from.b, to.b)};
  }
  return Param::kDone;
}

const Keyword<Texture> kPaletteKeywords[] = {
    {"load", LoadTexture},    // load "file"
    {"RGB", PaletteEntry},    // RGB <i,r,g,b>
    {"range", PaletteRange},  // range <i,j>
};

// --- fractal ---

// limits <xmin,xmax,ymin,ymax>
Param FractalLimits(BlockReader& b, Texture& texture) {
  if (!b.Value()) return Param::kDone;
  Fractal& f = texture.fractal;
  f.xMin = b.Float(1);
  f.xMax = b.Float(2);
  f.yMin = b.Float(3);
  f.yMax = b.Float(4);
  return Param::kDone;
}

// iterations <n>
Param FractalIterations(BlockReader& b, Texture& texture) {
  if (b.Value())
    texture.fractal.iterations = static_cast<int16_t>(std::clamp(b.Int(1), -32768, 32767));
  return Param::kDone;
}

// palette name: the fractal borrows the palette's picture
Param FractalPalette(BlockReader& b, Texture& texture) {
  if (const Picture* palette = NamedPalette(b)) texture.fractal.SetPalette(palette);
  return Param::kDone;
}

// save "file": the fractal's picture as IFF ILBM
Param FractalSave(BlockReader& b, Texture& texture) {
  String file;
  if (!b.Text(&file)) return Param::kDone;
  if (texture.fractal.WritePicture(file.c_str(), true) != 0) CannotWrite(b, file);
  return Param::kDone;
}

const Keyword<Texture> kFractalKeywords[] = {
    {"limits", FractalLimits},          // limits <xmin,xmax,ymin,ymax>
    {"iterations", FractalIterations},  // iterations <n>
    {"palette", FractalPalette},        // palette name
    {"save", FractalSave},              // save "file"
};

// --- chess and fade ---

int16_t Component(BlockReader& b, int field) {
  return static_cast<int16_t>(std::clamp(b.Int(field), -32768, 32767));
}

// color1 <r,g,b>
Param FirstColour(BlockReader& b, Texture& texture) {
  if (b.Value()) texture.twoColours.SetColour1(Component(b, 1), Component(b, 2), Component(b, 3));
  return Param::kDone;
}

// color2 <r,g,b>
Param SecondColour(BlockReader& b, Texture& texture) {
  if (b.Value()) texture.twoColours.SetColour2(Component(b, 1), Component(b, 2), Component(b, 3));
  return Param::kDone;
}

const Keyword<Texture> kTwoColourKeywords[] = {
    {"color1", FirstColour},   // color1 <r,g,b>
    {"color2", SecondColour},  // color2 <r,g,b>
};

Param ImageParameter(BlockReader& b, Texture& t, const String& w) {
  return RunKeyword(kImageKeywords, b, t, w);
}
Param PaletteParameter(BlockReader& b, Texture& t, const String& w) {
  return RunKeyword(kPaletteKeywords, b, t, w);
}
Param FractalParameter(BlockReader& b, Texture& t, const String& w) {
  return RunKeyword(kFractalKeywords, b, t, w);
}
Param TwoColourParameter(BlockReader& b, Texture& t, const String& w) {
  return RunKeyword(kTwoColourKeywords, b, t, w);
}

// Names `texture`, reads its block with `parameter` and appends it to the texture list.
int TextureItem(BlockReader& b, const BlockHeader& h, std::unique_ptr<Texture> texture,
                Param (*parameter)(BlockReader& b, Texture& t, const String& w)) {
  texture->name = h.name;
  End end = End::kClosed;
  if (h.open) {
    end = b.ReadParameters([&](const String& token) { return parameter(b, *texture, token); });
  }
  if (!b.scene.images->Append(texture.get(), 1)) {
    ErrorOutput() << "ERROR: Could not insert the texture.\n";
    return -1;
  }
  texture.release();
  return end == End::kClosed ? 0 : -1;
}

std::unique_ptr<Texture> NewTexture(int32_t kind) {
  std::unique_ptr<Texture> texture(TryNew<Texture>(kind));
  if (!texture) ErrorOutput() << "ERROR: Could not allocate the texture.\n";
  return texture;
}

}  // namespace

// image [name] { load "file" save "file" palette p bar|box|line <x1,y1,x2,y2,c> }
int ImageBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<Texture> texture = NewTexture(kTextureImage);
  if (!texture) return -1;
  texture->CreatePicture(kImageWidth, kImageHeight, 8);
  return TextureItem(b, h, std::move(texture), ImageParameter);
}

// palette [name] { load "file" RGB <i,r,g,b> range <i,j> }
int PaletteBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<Texture> texture = NewTexture(kTexturePalette);
  if (!texture) return -1;
  if (texture->CreatePicture(kPaletteSide, kPaletteSide, 8)) {
    texture->picture()->paletteCount = Picture::kMaxPaletteEntries;
  }
  return TextureItem(b, h, std::move(texture), PaletteParameter);
}

// fractal [name] { limits <xmin,xmax,ymin,ymax> iterations <n> palette p save "file" }
int FractalBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<Texture> texture = NewTexture(kTextureFractal);
  if (!texture) return -1;
  return TextureItem(b, h, std::move(texture), FractalParameter);
}

// chess [name] { color1 <r,g,b> color2 <r,g,b> }
int ChessBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<Texture> texture = NewTexture(kTextureChess);
  if (!texture) return -1;
  return TextureItem(b, h, std::move(texture), TwoColourParameter);
}

// fade [name] { color1 <r,g,b> color2 <r,g,b> }
int FadeBlock(BlockReader& b, const BlockHeader& h) {
  std::unique_ptr<Texture> texture = NewTexture(kTextureFade);
  if (!texture) return -1;
  return TextureItem(b, h, std::move(texture), TwoColourParameter);
}

Param TextureMemberParameter(BlockReader& b, Texture& texture, const String& word) {
  switch (texture.kind) {
    case kTextureFractal:
      return FractalParameter(b, texture, word);
    case kTexturePalette:
      return PaletteParameter(b, texture, word);
    default:
      return ImageParameter(b, texture, word);
  }
}

}  // namespace orvane::scene_commands
