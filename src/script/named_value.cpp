#include "script/named_value.h"

namespace orvane {

NamedValue* FindVariable(LIST* variables, const String& name, int index) {
  if (!variables) return nullptr;
  NamedValue* found = nullptr;
  int seen = 0;
  // Walk the nodes directly: a caller may be in the middle of its own walk of the list.
  for (ListNode* node = variables->head; node; node = node->next) {
    auto* variable = dynamic_cast<NamedValue*>(node->item);
    if (!variable || variable->name != name) continue;
    if (seen == index || index < 0) return variable;
    found = variable;
    ++seen;
  }
  return found;
}

}  // namespace orvane
