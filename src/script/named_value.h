#pragma once
// NamedValue: one script variable. An array is several entries of the same name in the
// variables list; element i is the i-th entry of that name in list order.

#include "foundation/list.h"
#include "foundation/ov_string.h"

namespace orvane {

class NamedValue : public ListItem {
 public:
  explicit NamedValue(const String& variable_name, float initial = 0.0f)
      : value(initial), name(variable_name) {}

  int Match(int) override { return 0; }
  int GetType() const override { return kItemVariable; }

  float value;
  String name;
};

// The i-th entry (from 0) named `name` in `variables`; the last entry of that name when i is
// past it, the first when i is negative. Null when no entry has that name or the list is null.
// Does not move the list's current position.
NamedValue* FindVariable(LIST* variables, const String& name, int index = 0);

}  // namespace orvane
