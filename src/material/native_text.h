#pragma once
// Line builders for the native writers: the scene-language text that every scene item,
// material and texture gives of itself (WriteNative), and that the file writers join into
// ".ovs", ".ovo" and ".ovm" files.
//
// Every builder returns one whole line, its line feed included. A line holds one keyword and
// its value, without indentation; a vector value is "<x,y,z>" without blanks. Numbers:
//   - geometry, angles, radii, tiles, factors and zoom: "%g" (String::Str(double));
//   - colours, counts and indices: "%d" / "%ld";
//   - fractal limits and the highlight size: "%5.2f" (FixedNumber).

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "foundation/placement.h"
#include "imageio/picture.h"

namespace orvane {

class Material;
class Texture;

// "keyword name{\n": a block header (the brace follows the name without a blank; an unnamed
// item gives "keyword {\n").
String BlockHeaderLine(const char* keyword, const String& name);
// "keyword <v>\n" with v in "%g".
String NumberLine(const char* keyword, double v);
// "keyword <v>\n" with v in "%ld".
String IntegerLine(const char* keyword, long v);
// "keyword <x,y,z>\n" in "%g"; an empty keyword gives the bare "<x,y,z>\n".
String VectorLine(const char* keyword, double x, double y, double z);
// "keyword <a,b,c>\n" in "%ld"; an empty keyword gives the bare "<a,b,c>\n".
String IntegerTripleLine(const char* keyword, long a, long b, long c);
// "keyword <r,g,b>\n" in "%d".
String ColourLine(const char* keyword, Rgb colour);
// "keyword word\n".
String WordLine(const char* keyword, const String& word);

// "%5.2f" without the blanks that pad it to its width (a value of the language holds none), as
// long as that text reads back as the same 32-bit float; otherwise "%g", which keeps more
// digits. (The reader stores these numbers as floats, so nothing more is kept.)
String FixedNumber(double v);
// v truncated toward zero, for the fields written as integers; NaN gives 0 and values beyond
// the range of long are limited to it.
long TruncatedInteger(double v);

// Appends a copy of `line` to `lines` (owned by the list); a failed allocation prints an
// "ERROR:" line and the line is left out.
void AppendTextLine(LIST& lines, const String& line);
// The five placement lines ("position <", "axis_deg <", "axis_X <", "axis_Y <", "axis_Z <"),
// each ended by a line feed.
void AppendPlacementLines(LIST& lines, const Placement& placement);

// Whether textures of `kind` have a native block (images, fractals, chess and fade do;
// palettes do not).
bool HasNativeBlock(int kind);
// The texture that the writers name for channel `ch` of `material`: the channel's texture
// when it has one with a native block, else null. (A channel can only name a texture that the
// same file defines.)
Texture* WrittenTexture(const Material& material, int ch);
// Whether `material` names `texture` in any channel by the rule above.
bool NamesTexture(const Material& material, const Texture* texture);

}  // namespace orvane
