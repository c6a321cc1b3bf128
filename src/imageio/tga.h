#pragma once
// TGA output: the header record of an uncompressed 24-bit true-colour picture and the writers
// the render driver uses for it.
//
// File layout: the 18-byte header (little-endian, packed), the identification bytes, the
// colour map when there is one, then the pixels — rows from top to bottom (image descriptor
// 0x20), pixels left to right, each pixel blue, green, red. A W × H picture without
// identification or colour map is 18 + W × H × 3 bytes.
//
// Every writer returns false when the stream took fewer bytes than it was given.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace orvane {

// In file order; the defaults are those of a rendered picture apart from its size.
struct TgaHeader {
  uint8_t identificationLength = 0;
  uint8_t colourMapType = 0;
  uint8_t imageType = 2;  // uncompressed true colour
  uint16_t colourMapFirstEntry = 0;
  uint16_t colourMapLength = 0;
  uint8_t colourMapEntrySize = 0;  // bits per entry
  uint16_t xOrigin = 0;
  uint16_t yOrigin = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t bitsPerPixel = 24;
  uint8_t imageDescriptor = 0x20;  // first row is the top row

  // Not part of the 18 bytes: identificationLength bytes of identification and, when
  // colourMapType is non-zero, ColourMapBytes() bytes of colour map. Null writes zeros.
  const uint8_t* identification = nullptr;
  const uint8_t* colourMap = nullptr;

  std::size_t ColourMapBytes() const {
    return colourMapType ? (std::size_t{colourMapEntrySize} + 7) / 8 * colourMapLength : 0;
  }
};

// The header of a width × height render (a panorama's caller passes height = width / 2).
TgaHeader MakeTgaHeader(uint16_t width, uint16_t height);

// The 18 header bytes field by field, then the identification and the colour map.
bool writeTgaHeader(const TgaHeader& header, std::FILE* file);
// One pixel as the bytes b, g, r.
bool writeTgaPixel(uint8_t r, uint8_t g, uint8_t b, std::FILE* file);
// A block of pixels already in b, g, r order, with one fwrite.
bool writeBlock(const void* buffer, std::size_t bytes, std::FILE* file);

}  // namespace orvane
