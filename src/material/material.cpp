#include "material/material.h"

#include <algorithm>
#include <cmath>

namespace orvane {

Material::Material() : name("standard") {
  channels_[kDiffuse].value[0] = 1.0f;
  channels_[kHighlight].value[2] = 30.0f;
  channels_[kAmbient].value[0] = 0.1f;
  MaterialChannelRecord& bump = channels_[kBump];
  bump.r = bump.g = bump.b = 0;
}

Material::Material(const Material& other) : ListItem(other), name(other.name) {
  CopyChannels(other);
}

Material& Material::operator=(const Material& other) {
  if (this == &other) return *this;
  name = other.name;
  CopyChannels(other);
  FreeText();
  return *this;
}

Material::~Material() {
  FreeText();
}

void Material::FreeText() {
  if (!text) return;
  text->RemoveAll();
  delete text;
  text = nullptr;
}

float Material::value(int ch, int i) const {
  if (!ValidChannel(ch) || i < 0 || i > 2) return 0.0f;
  return channels_[ch].value[i];
}

void Material::setValue(int ch, int i, double v) {
  if (!ValidChannel(ch) || i < 0 || i > 2) return;
  channels_[ch].value[i] = static_cast<float>(v);
  if (ch == kTransparent && i == 0) {
    // The filter amount follows the stored (float) transparency.
    const double stored = channels_[ch].value[0];
    channels_[ch].value[1] = stored > 0.0 ? static_cast<float>(std::sqrt(stored)) : 0.0f;
  }
}

void Material::setValueClamped(int ch, int i, double v, double lower, double upper) {
  const double clamped = std::isnan(v) ? lower : std::min(std::max(v, lower), upper);
  setValue(ch, i, clamped);
}

float Material::tileX(int ch) const {
  return ValidChannel(ch) ? channels_[ch].tileX : 1.0f;
}

float Material::tileY(int ch) const {
  return ValidChannel(ch) ? channels_[ch].tileY : 1.0f;
}

void Material::setTiles(int ch, double x, double y) {
  if (!ValidChannel(ch)) return;
  channels_[ch].tileX = static_cast<float>(x);
  channels_[ch].tileY = static_cast<float>(y);
}

Rgb Material::colour(int ch) const {
  if (!ValidChannel(ch)) return Rgb{};
  const MaterialChannelRecord& c = channels_[ch];
  return Rgb{c.r, c.g, c.b};
}

void Material::setColour(int ch, uint8_t r, uint8_t g, uint8_t b) {
  if (!ValidChannel(ch)) return;
  channels_[ch].r = r;
  channels_[ch].g = g;
  channels_[ch].b = b;
}

Texture* Material::texture(int ch) const {
  return ValidChannel(ch) ? channels_[ch].texture : nullptr;
}

void Material::setTexture(int ch, Texture* t) {
  if (ValidChannel(ch)) channels_[ch].texture = t;
}

uint32_t Material::hasTexture(int ch) const {
  return ValidChannel(ch) ? channels_[ch].hasTexture : 0;
}

void Material::setHasTexture(int ch, uint32_t flag) {
  if (ValidChannel(ch)) channels_[ch].hasTexture = flag;
}

bool Material::usesAnyTexture() const {
  return std::any_of(std::begin(channels_), std::end(channels_),
                     [](const MaterialChannelRecord& c) { return c.hasTexture == 1; });
}

bool Material::usesTexture(const Texture* t) const {
  if (!t) return false;
  return std::any_of(
      std::begin(channels_), std::end(channels_),
      [t](const MaterialChannelRecord& c) { return c.hasTexture == 1 && c.texture == t; });
}

void Material::CopyChannels(const Material& other) {
  std::copy(std::begin(other.channels_), std::end(other.channels_), std::begin(channels_));
}

}  // namespace orvane
