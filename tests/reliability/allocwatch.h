// Allocations larger than a limit, made through operator new while a watch
// is on. The test program replaces the global operator new (allocwatch.cpp),
// so every allocation of the code under test is seen, whoever makes it.
#pragma once

#include <cstddef>
#include <vector>

namespace orvella::test {

class AllocationWatch {
 public:
  explicit AllocationWatch(std::size_t limit);
  ~AllocationWatch();
  AllocationWatch(const AllocationWatch&) = delete;
  AllocationWatch& operator=(const AllocationWatch&) = delete;
  // The sizes of the allocations above the limit since the watch began, in
  // order (the first 64 of them).
  std::vector<std::size_t> oversized() const;
  // The largest allocation since the watch began.
  std::size_t largest() const;
};

}  // namespace orvella::test
