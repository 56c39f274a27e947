#include "order/touch.h"

#include <chrono>
#include <stdexcept>
#ifdef _WIN32
#include <windows.h>
#endif

namespace orvella::test {

void Touch(const std::filesystem::path& p) {
#ifdef _WIN32
  // MinGW's C library sets no times on a folder: the system call does.
  HANDLE h = CreateFileW(p.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + p.string());
  FILETIME t;
  bool ok = GetFileTime(h, nullptr, nullptr, &t);
  if (ok) {
    ULARGE_INTEGER u;
    u.LowPart = t.dwLowDateTime;
    u.HighPart = t.dwHighDateTime;
    u.QuadPart += 2 * 10000000ull;  // 100 ns units
    t.dwLowDateTime = u.LowPart;
    t.dwHighDateTime = u.HighPart;
    ok = SetFileTime(h, nullptr, nullptr, &t);
  }
  CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot set the time of " + p.string());
#else
  std::filesystem::last_write_time(p, std::filesystem::last_write_time(p) + std::chrono::seconds(2));
#endif
}

}  // namespace orvella::test
