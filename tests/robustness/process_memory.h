#pragma once

// What the process holds in memory, for the tests that run the program for a
// long time and require it not to grow.

#include <cstddef>

namespace robustness {

// True in a build with AddressSanitizer, whose allocator keeps freed blocks
// in a quarantine (so resident memory keeps rising for a while by design).
bool AddressSanitized();

// Resident memory, after returning the allocator's free pages to the system
// (malloc_trim), so that cached free blocks do not count as growth.
std::size_t ResidentBytes();

// Heap bytes in use: allocated and not yet freed. With AddressSanitizer this
// is its allocator's live total, which leaves the quarantine out.
std::size_t HeapBytesInUse();

constexpr std::size_t kMiB = std::size_t{1} << 20;

} // namespace robustness
