#include "support/filetimes.h"

#include <stdexcept>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#endif

namespace orvella::test {

#ifdef _WIN32
namespace {
constexpr std::int64_t kTicksPerSecond = 10000000;  // FILETIME: 100 ns

HANDLE OpenForTimes(const std::filesystem::path& p) {
  HANDLE h = CreateFileW(p.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + p.string());
  return h;
}
}  // namespace

std::int64_t WriteTime(const std::filesystem::path& p) {
  HANDLE h = OpenForTimes(p);
  FILETIME t;
  const bool ok = GetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot read the time of " + p.string());
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

void SetWriteTime(const std::filesystem::path& p, std::int64_t time) {
  HANDLE h = OpenForTimes(p);
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(time) & 0xFFFFFFFFu);
  t.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(time) >> 32);
  const bool ok = SetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot set the time of " + p.string());
}
#else
namespace {
constexpr std::int64_t kTicksPerSecond =
    std::chrono::duration_cast<std::filesystem::file_time_type::duration>(std::chrono::seconds(1)).count();
}  // namespace

std::int64_t WriteTime(const std::filesystem::path& p) {
  return std::filesystem::last_write_time(p).time_since_epoch().count();
}

void SetWriteTime(const std::filesystem::path& p, std::int64_t time) {
  std::filesystem::last_write_time(p, std::filesystem::file_time_type(std::filesystem::file_time_type::duration(time)));
}
#endif

void ShiftWriteTime(const std::filesystem::path& p, std::chrono::seconds delta) {
  SetWriteTime(p, WriteTime(p) + delta.count() * kTicksPerSecond);
}

void SettleTree(const std::filesystem::path& top) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(top)) {
    if (!e.is_symlink()) {
      ShiftWriteTime(e.path(), -std::chrono::hours(1));
      continue;
    }
#ifndef _WIN32
    const timespec hourAgo[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    if (::utimensat(AT_FDCWD, e.path().c_str(), hourAgo, AT_SYMLINK_NOFOLLOW) != 0)
      throw std::runtime_error("cannot set the time of " + e.path().string());
#endif
  }
}

}  // namespace orvella::test
