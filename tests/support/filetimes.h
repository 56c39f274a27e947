// Modification times of files and folders for the tests that stamp them, set
// through the system where the C++ library cannot (MinGW's sets no time on a
// folder). A time is a count in the system's own unit.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

namespace orvella::test {

std::int64_t WriteTime(const std::filesystem::path& p);
void SetWriteTime(const std::filesystem::path& p, std::int64_t time);
// Moves the path's modification time by delta (later when positive).
void ShiftWriteTime(const std::filesystem::path& p, std::chrono::seconds delta);
// Moves the time of everything under top an hour back, as a tree that
// settled long ago. A link's own time is set an hour ago (where the system
// lets a link have one), never the time of what it leads to.
void SettleTree(const std::filesystem::path& top);

}  // namespace orvella::test
