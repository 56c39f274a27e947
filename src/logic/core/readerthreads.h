// How many threads read folders and files at once: one per core, at most
// four (more only wait on the disk), never more than there are items.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>

namespace orvella {

inline unsigned ReaderThreads(size_t items) {
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  return static_cast<unsigned>(std::min<size_t>(cores, items));
}

}  // namespace orvella
