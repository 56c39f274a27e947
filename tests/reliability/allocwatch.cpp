#include "reliability/allocwatch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace orvella::test {
namespace {
// Kept without allocating: the allocator cannot call itself.
std::atomic<bool> gWatching{false};
std::size_t gLimit = 0;
std::size_t gLargest = 0;
std::size_t gOversized[64];
std::size_t gOversizedCount = 0;

void* Allocate(std::size_t size) {
  if (gWatching.load(std::memory_order_relaxed)) {
    if (size > gLargest) gLargest = size;
    if (size > gLimit && gOversizedCount < 64) gOversized[gOversizedCount++] = size;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

AllocationWatch::AllocationWatch(std::size_t limit) {
  gLimit = limit;
  gLargest = 0;
  gOversizedCount = 0;
  gWatching = true;
}
AllocationWatch::~AllocationWatch() { gWatching = false; }

std::vector<std::size_t> AllocationWatch::oversized() const {
  gWatching = false;
  std::vector<std::size_t> out(gOversized, gOversized + gOversizedCount);
  gWatching = true;
  return out;
}
std::size_t AllocationWatch::largest() const { return gLargest; }

}  // namespace orvella::test

// The replaceable global allocation functions, the nothrow forms included
// (a sanitizer's own nothrow new would otherwise meet this free). The
// aligned forms keep the library's own pairs.
void* operator new(std::size_t size) { return orvella::test::Allocate(size); }
void* operator new[](std::size_t size) { return orvella::test::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return orvella::test::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
