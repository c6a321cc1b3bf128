#include "imageio/tga.h"

namespace orvane {

namespace {

bool Put8(uint8_t value, std::FILE* file) {
  return std::fputc(value, file) != EOF;
}

bool Put16(uint16_t value, std::FILE* file) {
  return Put8(static_cast<uint8_t>(value), file) && Put8(static_cast<uint8_t>(value >> 8), file);
}

// `count` bytes from `bytes`, or zeros when it is null.
bool PutBytes(const uint8_t* bytes, std::size_t count, std::FILE* file) {
  if (bytes) return writeBlock(bytes, count, file);
  for (std::size_t i = 0; i < count; ++i) {
    if (!Put8(0, file)) return false;
  }
  return true;
}

}  // namespace

TgaHeader MakeTgaHeader(uint16_t width, uint16_t height) {
  TgaHeader header;
  header.width = width;
  header.height = height;
  return header;
}

bool writeTgaHeader(const TgaHeader& header, std::FILE* file) {
  if (!file) return false;
  return Put8(header.identificationLength, file) && Put8(header.colourMapType, file) &&
         Put8(header.imageType, file) && Put16(header.colourMapFirstEntry, file) &&
         Put16(header.colourMapLength, file) && Put8(header.colourMapEntrySize, file) &&
         Put16(header.xOrigin, file) && Put16(header.yOrigin, file) && Put16(header.width, file) &&
         Put16(header.height, file) && Put8(header.bitsPerPixel, file) &&
         Put8(header.imageDescriptor, file) &&
         PutBytes(header.identification, header.identificationLength, file) &&
         PutBytes(header.colourMap, header.ColourMapBytes(), file);
}

bool writeTgaPixel(uint8_t r, uint8_t g, uint8_t b, std::FILE* file) {
  return file && Put8(b, file) && Put8(g, file) && Put8(r, file);
}

bool writeBlock(const void* buffer, std::size_t bytes, std::FILE* file) {
  if (bytes == 0) return true;
  return file && buffer && std::fwrite(buffer, 1, bytes, file) == bytes;
}

}  // namespace orvane
