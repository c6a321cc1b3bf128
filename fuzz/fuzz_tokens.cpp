// libFuzzer target for the script token reader: any text is cut into tokens, read as a stream
// and as a line list (lines of any length), and every call makes progress, so the end of input
// comes within a number of calls bounded by the input size. Names, fields and numbers of every
// token are taken too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "script/token_reader.h"

namespace {

// Reads tokens until the end of input; aborts when more calls are needed than the input has
// bytes and lines (each call takes at least one byte or ends a line).
void ReadAll(orvane::TokenReader& reader, std::size_t size) {
  const std::size_t limit = 2 * size + 4;
  for (std::size_t calls = 0;; ++calls) {
    if (calls > limit) std::abort();
    const orvane::String token = reader.GetToken();
    if (reader.status == orvane::TokenReader::kEndOfInput ||
        reader.status == orvane::TokenReader::kNoInput)
      return;
    if (reader.status == orvane::TokenReader::kTokenError) continue;
    if (reader.tokenType == orvane::TokenReader::kNoToken || token.IsEmpty()) std::abort();
    if (token.Length() > reader.line.Length()) std::abort();
    if (reader.tokenType == orvane::TokenReader::kValue) {
      for (int i = 0; i <= 3; ++i) {
        reader.GetValue(i);
        reader.GetNumber(i);
      }
    } else if (reader.tokenType == orvane::TokenReader::kWord) {
      reader.GetName();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::ostringstream err;

  orvane::TokenReader stream_reader;
  stream_reader.SetErrorStream(&err);
  if (stream_reader.OpenStream(std::make_unique<std::istringstream>(text), "f.ovs") != 0)
    std::abort();
  ReadAll(stream_reader, size);

  // The line list holds lines of any length and any bytes, as an edited script may.
  orvane::LIST lines;
  for (std::size_t begin = 0; begin <= size;) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = size;
    auto* line =
        end > begin ? new orvane::String(' ', static_cast<int>(end - begin)) : new orvane::String();
    if (end > begin) std::memcpy(&(*line)[0], text.data() + begin, end - begin);
    lines.Append(line, 1);
    begin = end + 1;
  }
  orvane::TokenReader list_reader;
  list_reader.SetErrorStream(&err);
  if (list_reader.UseLines(&lines) != 0) std::abort();
  ReadAll(list_reader, size);
  // Jumps back into the text, as loops and calls in a script do.
  list_reader.GotoLine(1, 2);
  ReadAll(list_reader, size);
  list_reader.GotoPosition(2, static_cast<int32_t>(size % 7));
  ReadAll(list_reader, size);
  lines.RemoveAll();
  return 0;
}
