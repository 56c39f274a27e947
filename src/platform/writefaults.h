// The write-failure injection shared by both backends (see
// platform::InjectWriteFailureAfter).
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace platform::detail {

// Takes `wanted` bytes from the budget. Answers false when the write may go
// through whole; true when only `allowed` bytes may be written and the write
// must then fail with `error`.
bool TakeWriteBudget(std::uint64_t wanted, std::uint64_t& allowed, win::DWORD& error);

}  // namespace platform::detail
