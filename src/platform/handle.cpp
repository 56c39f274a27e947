#include "platform/handle.h"

#include <algorithm>

namespace platform {

win::DWORD WriteWhole(win::HANDLE file, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<win::DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    win::DWORD written = 0;
    if (!win::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
      const win::DWORD code = win::GetLastError();
      return code ? code : win::ERROR_DISK_FULL;
    }
    if (written == 0) return win::ERROR_DISK_FULL;
    done += written;
  }
  return 0;
}

}  // namespace platform
