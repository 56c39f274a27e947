#include "logic/model/linknames.h"

#include "logic/core/pathnames.h"
#include "platform/handle.h"

namespace orvella {

std::string LinkName(const std::string& scenePath) { return LastComponent(scenePath); }

bool FolderTellsCaseApart(const std::string& folder) {
  if (folder.empty()) return false;
  const platform::FileHandle dir(
      win::CreateFileA(folder.c_str(), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE,
                       nullptr, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  win::FILE_CASE_SENSITIVE_INFO info;
  return dir.valid() && win::GetFileInformationByHandleEx(dir.get(), win::FileCaseSensitiveInfo, &info, sizeof info) &&
         (info.Flags & win::FILE_CS_FLAG_CASE_SENSITIVE_DIR);
}

win::DWORD EntryAttributes(const std::string& path, bool exact) {
  if (exact) {
    // Opening the entry by its exact name tells whether it is there; what it
    // is comes from its attributes, which then name that very entry.
    const platform::FileHandle entry(win::CreateFileA(
        path.c_str(), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE, nullptr,
        win::OPEN_EXISTING,
        win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT | win::FILE_FLAG_POSIX_SEMANTICS, nullptr));
    if (!entry.valid()) {
      const win::DWORD e = win::GetLastError();
      if (e == win::ERROR_FILE_NOT_FOUND || e == win::ERROR_PATH_NOT_FOUND) return win::INVALID_FILE_ATTRIBUTES;
    }
  }
  return win::GetFileAttributesA(path.c_str());
}

}  // namespace orvella
