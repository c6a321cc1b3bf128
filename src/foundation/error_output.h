#pragma once
// Where the foundation reports allocation failures, and the hook that lets tests make
// allocations fail on purpose.
//
// The foundation never throws: a failed allocation prints its fixed message to the error
// output (standard error unless a caller chose another stream) and the object stays valid.

#include <cstddef>
#include <iosfwd>
#include <new>
#include <utility>

namespace orvane {

// The stream the foundation writes its "ERROR: ..." lines to; std::cerr by default.
std::ostream& ErrorOutput();
// Redirects ErrorOutput(); null restores std::cerr. The caller keeps ownership.
void SetErrorOutput(std::ostream* out);

// Makes the next `count` allocations made through TryNew/TryNewArray fail (tests only).
void FailNextAllocations(int count);
// True when an injected failure is pending; consumes it.
bool InjectedAllocationFailure();

// `new` that answers null instead of throwing, and honours injected failures.
template <class T, class... Args>
T* TryNew(Args&&... args) {
  if (InjectedAllocationFailure()) return nullptr;
  return new (std::nothrow) T(std::forward<Args>(args)...);
}

template <class T>
T* TryNewArray(std::size_t count) {
  if (InjectedAllocationFailure()) return nullptr;
  return new (std::nothrow) T[count];
}

}  // namespace orvane
