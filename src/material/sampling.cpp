#include "material/sampling.h"

#include <cmath>

namespace orvane {

namespace {

const Texture* UsableTexture(const Material& material, int channel) {
  if (material.hasTexture(channel) != 1) return nullptr;
  const Texture* texture = material.texture(channel);
  if (!texture) return nullptr;
  switch (texture->kind) {
    case kTextureImage:
      return texture->HasTexels() ? texture : nullptr;
    case kTextureFractal:
    case kTextureChess:
    case kTextureFade:
      return texture;
    default:
      return nullptr;
  }
}

double Tiled(float tile, double t) {
  const double s = tile * t;
  if (!std::isfinite(s)) return 0.0;
  return s - std::floor(s);
}

// Texel index, its wrapping neighbour and the fraction along one axis of `size` texels for
// a tiled coordinate s in [0, 1].
struct AxisStep {
  int32_t at;
  int32_t next;
  double fraction;
};

AxisStep Step(int32_t size, double s) {
  const double scaled = size * s;
  AxisStep step{static_cast<int32_t>(scaled), 0, 0.0};
  step.fraction = scaled - step.at;
  if (step.at > size - 1) step.at = size - 1;
  step.next = step.at + 1 < size ? step.at + 1 : 0;
  return step;
}

double Filter(double a, double b, double c, double d, double fx, double fy) {
  return 0.5 * ((1.0 - fx) * a + fx * b + (1.0 - fy) * c + fy * d);
}

ColourF FilteredColour(const Texture& texture, double su, double sv) {
  const AxisStep x = Step(texture.Width(), su);
  const AxisStep y = Step(texture.Height(), sv);
  const ColourF a = texture.TexelColour(x.at, y.at);
  const ColourF b = texture.TexelColour(x.next, y.at);
  const ColourF d = texture.TexelColour(x.at, y.next);
  return ColourF{static_cast<float>(Filter(a.r, b.r, a.r, d.r, x.fraction, y.fraction)),
                 static_cast<float>(Filter(a.g, b.g, a.g, d.g, x.fraction, y.fraction)),
                 static_cast<float>(Filter(a.b, b.b, a.b, d.b, x.fraction, y.fraction))};
}

double FilteredBrightness(const Texture& texture, double su, double sv) {
  const AxisStep x = Step(texture.Width(), su);
  const AxisStep y = Step(texture.Height(), sv);
  const double a = texture.TexelBrightness(x.at, y.at);
  const double b = texture.TexelBrightness(x.next, y.at);
  const double d = texture.TexelBrightness(x.at, y.next);
  return Filter(a, b, a, d, x.fraction, y.fraction);
}

ColourF ToColourF(const Rgb& c) {
  return ColourF{float(c.r), float(c.g), float(c.b)};
}
ColourF ToColourF(const Colour16& c) {
  return ColourF{float(c.r), float(c.g), float(c.b)};
}

double Brightness(const ColourF& c) {
  return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
}

ColourF PatternColour(const Texture& texture, double su, double sv) {
  switch (texture.kind) {
    case kTextureImage:
      return FilteredColour(texture, su, sv);
    case kTextureFractal:
      return ToColourF(texture.fractal.ColourOf(texture.fractal.IndexAt(su, sv)));
    case kTextureChess:
      return ToColourF(ChessColour(texture.twoColours, su, sv));
    default:
      return ToColourF(FadeColour(texture.twoColours, su, sv));
  }
}

Vec3 UnitTangent(const Vec3& axis, const Vec3& normal) {
  Vec3 t = Cross(axis, normal);
  if (t.Length() < kEps) return Vec3{};
  return t.Normalize();
}

}  // namespace

ColourF SampleColour(const Material& material, int channel, double u, double v) {
  const Rgb base = material.colour(channel);
  ColourF result = ToColourF(base);
  const Texture* texture = UsableTexture(material, channel);
  if (!texture || !(u >= 0.0)) return result;
  const ColourF texel =
      PatternColour(*texture, Tiled(material.tileX(channel), u), Tiled(material.tileY(channel), v));
  result.r = static_cast<float>(double(base.r) + texel.r);
  result.g = static_cast<float>(double(base.g) + texel.g);
  result.b = static_cast<float>(double(base.b) + texel.b);
  return result;
}

float SampleBrightness(const Material& material, int channel, double u, double v) {
  const Texture* texture = UsableTexture(material, channel);
  if (!texture) return 255.0f;
  const double su = Tiled(material.tileX(channel), u);
  const double sv = Tiled(material.tileY(channel), v);
  switch (texture->kind) {
    case kTextureImage:
      return static_cast<float>(FilteredBrightness(*texture, su, sv));
    case kTextureFractal:
      return static_cast<float>(texture->fractal.BrightnessOf(texture->fractal.IndexAt(su, sv)));
    default:
      return static_cast<float>(Brightness(PatternColour(*texture, su, sv)));
  }
}

Vec3 BumpPerturbation(const Material& material, float u, float v, const Vec3& normal,
                      const Vec3& axis_X, const Vec3& axis_Y) {
  const double amount = material.value(kBump, 0);
  if (!(amount > 0.0)) return Vec3{};
  const Texture* texture = UsableTexture(material, kBump);
  if (!texture || texture->kind != kTextureImage) return Vec3{};
  const AxisStep x = Step(texture->Width(), Tiled(material.tileX(kBump), u));
  const AxisStep y = Step(texture->Height(), Tiled(material.tileY(kBump), v));
  const double b0 = texture->TexelBrightness(x.at, y.at);
  const double bx = texture->TexelBrightness(x.next, y.at);
  const double by = texture->TexelBrightness(x.at, y.next);
  return UnitTangent(axis_Y, normal) * ((b0 - bx) / 255.0 * amount) +
         UnitTangent(axis_X, normal) * ((b0 - by) / 255.0 * amount);
}

}  // namespace orvane
