#include "material/material.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "material/texture.h"

namespace orvane {
namespace {

// Every answer of the accessors for channels -1..7 and amount indexes -1..3, for comparing
// whole material states.
std::vector<double> State(const Material& m) {
  std::vector<double> s;
  for (int ch = -1; ch <= kMaterialChannels; ++ch) {
    for (int i = -1; i <= 3; ++i) s.push_back(m.value(ch, i));
    const Rgb c = m.colour(ch);
    s.insert(s.end(), {m.tileX(ch), m.tileY(ch), double(c.r), double(c.g), double(c.b),
                       double(m.hasTexture(ch)), m.texture(ch) ? 1.0 : 0.0});
  }
  return s;
}

// The channel values of a fresh material are checked through its native text.
TEST(MaterialTest, Defaults) {
  const Material m;
  EXPECT_EQ(m.name, "standard");
  EXPECT_EQ(m.text, nullptr);
  EXPECT_EQ(m.GetType(), kItemMaterial);
  EXPECT_EQ(m.colour(kBump), (Rgb{0, 0, 0}));  // the only channel colour not written
  EXPECT_EQ(m.texture(kDiffuse), nullptr);
  EXPECT_FALSE(m.usesAnyTexture());
}

TEST(MaterialTest, OutOfRangeReadsAndIgnoredWrites) {
  Material m;
  Texture t;
  EXPECT_EQ(m.value(-1, 0), 0.0f);
  EXPECT_EQ(m.value(7, 0), 0.0f);
  EXPECT_EQ(m.value(0, 3), 0.0f);
  EXPECT_EQ(m.value(0, -1), 0.0f);
  EXPECT_EQ(m.tileX(7), 1.0f);
  EXPECT_EQ(m.tileY(-1), 1.0f);
  EXPECT_EQ(m.colour(7), (Rgb{0, 0, 0}));
  EXPECT_EQ(m.texture(-1), nullptr);
  EXPECT_EQ(m.hasTexture(7), 0u);

  const std::vector<double> before = State(m);
  for (int ch : {-1, 7, 100}) {
    m.setValue(ch, 0, 5.0);
    m.setValueClamped(ch, 0, 5.0, 0.0, 10.0);
    m.setTiles(ch, 3.0, 4.0);
    m.setColour(ch, 1, 2, 3);
    m.setTexture(ch, &t);
    m.setHasTexture(ch, 1);
  }
  m.setValue(0, 3, 5.0);
  m.setValue(0, -1, 5.0);
  EXPECT_EQ(State(m), before);
  EXPECT_FALSE(m.usesTexture(&t));
}

TEST(MaterialTest, ClampedSetter) {
  Material m;
  m.setValueClamped(kHighlight, 2, 150.0, 0.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 100.0f);
  m.setValueClamped(kHighlight, 2, -5.0, 0.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 0.0f);
  m.setValueClamped(kHighlight, 2, 42.5, 0.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 42.5f);
  m.setValueClamped(kHighlight, 2, std::numeric_limits<double>::quiet_NaN(), 7.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 7.0f);
}

TEST(MaterialTest, TransparencyKeepsFilterAmountInStep) {
  Material m;
  m.setValue(kTransparent, 0, 0.25);
  EXPECT_EQ(m.value(kTransparent, 1), 0.5f);
  // The clamped setter goes the same way.
  m.setValueClamped(kTransparent, 0, 4.0, 0.0, 1.0);
  EXPECT_EQ(m.value(kTransparent, 0), 1.0f);
  EXPECT_EQ(m.value(kTransparent, 1), 1.0f);
  // No square root of a negative or NaN transparency.
  m.setValue(kTransparent, 0, -0.5);
  EXPECT_EQ(m.value(kTransparent, 1), 0.0f);
  m.setValue(kTransparent, 0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(m.value(kTransparent, 1), 0.0f);
  // The filter amount alone, and other channels, leave the transparency as it is.
  m.setValue(kTransparent, 0, 0.25);
  m.setValue(kTransparent, 1, 0.9);
  EXPECT_EQ(m.value(kTransparent, 0), 0.25f);
  EXPECT_EQ(m.value(kTransparent, 1), 0.9f);
  m.setValue(kMirror, 0, 0.64);
  EXPECT_EQ(m.value(kMirror, 1), 0.0f);
  // The refraction index is independent.
  m.setValue(kTransparent, 2, 1.33);
  EXPECT_EQ(m.value(kTransparent, 1), 0.9f);
}

TEST(MaterialTest, TextureUse) {
  Material m;
  Texture a;
  Texture b;
  m.setTexture(kMirror, &a);
  EXPECT_EQ(m.texture(kMirror), &a);
  // A texture without the flag is not in use.
  EXPECT_FALSE(m.usesAnyTexture());
  EXPECT_FALSE(m.usesTexture(&a));
  m.setHasTexture(kMirror, 1);
  EXPECT_TRUE(m.usesAnyTexture());
  EXPECT_TRUE(m.usesTexture(&a));
  EXPECT_FALSE(m.usesTexture(&b));
  EXPECT_FALSE(m.usesTexture(nullptr));
  m.setHasTexture(kBump, 1);  // flag without a texture
  EXPECT_FALSE(m.usesTexture(nullptr));
  m.setHasTexture(kMirror, 0);
  EXPECT_FALSE(m.usesTexture(&a));
  EXPECT_TRUE(m.usesAnyTexture());
}

Material Configured(Texture* t) {
  Material m;
  m.name = "gold";
  m.setValue(kTransparent, 0, 0.49);
  m.setTiles(kDiffuse, 2.0, 3.0);
  m.setColour(kGlow, 1, 2, 3);
  m.setTexture(kBump, t);
  m.setHasTexture(kBump, 1);
  m.setValue(kHighlight, 1, 0.8);
  return m;
}

TEST(MaterialTest, CopiesTakeAllChannels) {
  Texture t;
  Material original = Configured(&t);
  original.text = new LIST;
  original.text->Append(new String("material gold{\n"), 1);

  const Material copy(original);
  EXPECT_EQ(copy.name, "gold");
  EXPECT_EQ(copy.text, nullptr);
  EXPECT_EQ(State(copy), State(original));
  EXPECT_EQ(copy.texture(kBump), &t);  // shared reference, not a new texture

  Material target;
  target.name = "silver";
  target.CopyChannels(original);
  EXPECT_EQ(target.name, "silver");
  EXPECT_EQ(State(target), State(original));

  Material assigned;
  assigned.text = new LIST;
  assigned.text->Append(new String("stale"), 1);
  assigned = original;
  EXPECT_EQ(assigned.name, "gold");
  EXPECT_EQ(assigned.text, nullptr);
  EXPECT_EQ(State(assigned), State(original));
  EXPECT_NE(original.text, nullptr);  // the source keeps its cache (freed by its destructor)

  original.FreeText();
  EXPECT_EQ(original.text, nullptr);
  original.FreeText();
}

}  // namespace
}  // namespace orvane
