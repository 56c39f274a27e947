// Moves a path's modification time on by two seconds, as a copy over it would.
#pragma once

#include <chrono>
#include <filesystem>

#include "support/filetimes.h"

namespace orvella::test {
inline void Touch(const std::filesystem::path& p) { ShiftWriteTime(p, std::chrono::seconds(2)); }
}  // namespace orvella::test
