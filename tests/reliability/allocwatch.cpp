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

// The replaceable global allocation functions. The aligned, nothrow and sized
// forms of the standard library end in these or in their own malloc/free
// pairs, so the pairing stays right.
void* operator new(std::size_t size) { return orvella::test::Allocate(size); }
void* operator new[](std::size_t size) { return orvella::test::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
