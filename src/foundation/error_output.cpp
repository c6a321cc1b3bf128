#include "foundation/error_output.h"

#include <iostream>

namespace orvane {

namespace {
std::ostream* g_error_output = nullptr;
int g_failures_pending = 0;
}  // namespace

std::ostream& ErrorOutput() { return g_error_output ? *g_error_output : std::cerr; }

void SetErrorOutput(std::ostream* out) { g_error_output = out; }

void FailNextAllocations(int count) { g_failures_pending = count > 0 ? count : 0; }

bool InjectedAllocationFailure() {
  if (g_failures_pending <= 0) return false;
  --g_failures_pending;
  return true;
}

}  // namespace orvane
