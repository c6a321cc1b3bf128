#include "material/native_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/texture.h"

namespace orvane {

namespace {

String Number(double v) {
  String text;
  return text.Str(v);
}

String Integer(long v) {
  String text;
  return text.Str(v);
}

// "keyword <" or, for an empty keyword, "<".
String ValueStart(const char* keyword) {
  String line(keyword);
  if (!line.IsEmpty()) line += " ";
  line += "<";
  return line;
}

}  // namespace

String BlockHeaderLine(const char* keyword, const String& name) {
  String line(keyword);
  line += " ";
  line += name;
  line += "{\n";
  return line;
}

String NumberLine(const char* keyword, double v) {
  return ValueStart(keyword) + Number(v) + ">\n";
}

String IntegerLine(const char* keyword, long v) {
  return ValueStart(keyword) + Integer(v) + ">\n";
}

String VectorLine(const char* keyword, double x, double y, double z) {
  return ValueStart(keyword) + Number(x) + "," + Number(y) + "," + Number(z) + ">\n";
}

String IntegerTripleLine(const char* keyword, long a, long b, long c) {
  return ValueStart(keyword) + Integer(a) + "," + Integer(b) + "," + Integer(c) + ">\n";
}

String ColourLine(const char* keyword, Rgb colour) {
  return IntegerTripleLine(keyword, colour.r, colour.g, colour.b);
}

String WordLine(const char* keyword, const String& word) {
  String line(keyword);
  line += " ";
  line += word;
  line += "\n";
  return line;
}

String FixedNumber(double v) {
  String fixed;
  // Beyond a few digits the fixed form grows long without keeping anything: lines of the
  // scene language are limited in length.
  if (std::fabs(v) < 1e7) {
    fixed.StrFix(v);
    // The field width pads with blanks, which a value of the language may not hold.
    int blanks = 0;
    while (fixed.c_str()[blanks] == ' ') ++blanks;
    fixed.InRight(fixed.Length() - blanks);
    const float read_back = std::strtof(fixed.c_str(), nullptr);
    if (read_back == static_cast<float>(v)) return fixed;
  }
  return Number(v);
}

long TruncatedInteger(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 9.2e18;  // inside the range of a 64-bit long
  if (v >= kLimit) return std::numeric_limits<long>::max();
  if (v <= -kLimit) return std::numeric_limits<long>::min();
  return static_cast<long>(v);
}

void AppendTextLine(LIST& lines, const String& line) {
  String* copy = TryNew<String>(line);
  if (!copy || !lines.Append(copy, 1)) {
    delete copy;
    ErrorOutput() << "ERROR: Could not allocate text line.\n";
  }
}

void AppendPlacementLines(LIST& lines, const Placement& placement) {
  for (const String& line : placement.TextLines()) AppendTextLine(lines, line + "\n");
}

bool HasNativeBlock(int kind) {
  return kind == kTextureImage || kind == kTextureFractal || kind == kTextureChess ||
         kind == kTextureFade;
}

Texture* WrittenTexture(const Material& material, int ch) {
  Texture* texture = material.texture(ch);
  return texture && HasNativeBlock(texture->kind) ? texture : nullptr;
}

bool NamesTexture(const Material& material, const Texture* texture) {
  if (!texture) return false;
  for (int ch = 0; ch < kMaterialChannels; ++ch) {
    if (WrittenTexture(material, ch) == texture) return true;
  }
  return false;
}

}  // namespace orvane
