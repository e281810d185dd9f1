#pragma once
#include <cstdint>

// Counts calls of operator new and of the malloc family while counting is on (the
// whole test executable's allocations go through the replacements in the .cpp).
namespace AllocationCounter {
// False under AddressSanitizer, which owns malloc itself: nothing is counted there.
bool Available();
void Start();
int64_t Stop();  // allocations since Start
}  // namespace AllocationCounter
