// Hooks for the test programs, compiled only into the platform library they
// link (orvella_platform_testable, built with ORVELLA_PLATFORM_TEST_HOOKS=1).
// The program's own platform library has none of them: no budget is taken
// and nothing is counted on its reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace platform {

// After `bytes` more bytes have been written by WriteFile (on any handle),
// WriteFile fails with `error`. Pass ~0ull to switch it off.
void InjectWriteFailureAfter(std::uint64_t bytes, win::DWORD error);

// The paths CreateFileA opened for reading since the last call, in the order
// they were opened (from any thread).
std::vector<std::string> TakeOpenedForReading();

namespace detail {

// Takes `wanted` bytes from the budget. Answers false when the write may go
// through whole; true when only `allowed` bytes may be written and the write
// must then fail with `error`.
bool TakeWriteBudget(std::uint64_t wanted, std::uint64_t& allowed, win::DWORD& error);

// Called by CreateFileA for each file it opened for reading.
void NoteOpenedForReading(const char* path);

}  // namespace detail
}  // namespace platform
