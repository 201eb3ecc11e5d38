// Allocations that fail on purpose, so that a test can see what a model too large for memory does.
// The file that defines limitAllocations also replaces the program's global operator new and
// delete, so only the test programs that link it, and call it, get them.
#pragma once

#include <cstddef>
#include <cstdint>

// From now on an allocation through operator new larger than `largest` bytes throws
// std::bad_alloc; SIZE_MAX lifts the limit.
void limitAllocations(std::size_t largest);
