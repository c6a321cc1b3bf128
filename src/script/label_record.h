#pragma once
// LabelRecord: one label of the labels list, found by `goto` and `jump`.

#include <cstdint>

#include "foundation/list.h"
#include "foundation/ov_string.h"

namespace orvane {

class LabelRecord : public ListItem {
 public:
  LabelRecord(const String& label, int32_t line, int32_t token, int32_t brace_depth,
              int32_t byte_pos)
      : name(label), lineNo(line), tokenNo(token), depth(brace_depth), bytePos(byte_pos) {}
  int Match(int) override { return 0; }

  int32_t kind = 0;  // only records of kind 0 are found by goto
  String name;       // without the colon
  int32_t lineNo;    // line of the label
  int32_t tokenNo;   // the label's token number within that line, from 1
  int32_t depth;     // brace depth at the label
  int32_t bytePos;   // where the label starts in its line (0-based): jumps land here
};

}  // namespace orvane
