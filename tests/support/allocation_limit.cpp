#include "tests/support/allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> largestAllocation{SIZE_MAX};

void* allocate(std::size_t size) {
  void* p = size <= largestAllocation ? std::malloc(size == 0 ? 1 : size) : nullptr;
  if (p == nullptr) {
    throw std::bad_alloc();
  }
  return p;
}

void release(void* p) {
  std::free(p);
}

}  // namespace

void limitAllocations(std::size_t largest) {
  largestAllocation = largest;
}

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete[](void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  release(p);
}
