#include "logic/core/folders.h"

#include <cstring>

#include "platform/handle.h"

namespace orvella {

bool FollowedInformation(const std::string& path, win::BY_HANDLE_FILE_INFORMATION& out) {
  const platform::FileHandle h(win::CreateFileA(path.c_str(), 0,
                                                win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE,
                                                nullptr, win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.valid() && win::GetFileInformationByHandle(h.get(), &out);
}

void ForEachEntry(const std::string& folder, const std::function<void(const std::string&, win::DWORD)>& fn) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += "*.*";
  win::WIN32_FIND_DATAA data;
  platform::FindHandle find(win::FindFirstFileA(pattern.c_str(), &data));
  if (!find.valid()) return;
  do {
    if (data.dwFileAttributes & kSkippedAttributes) continue;
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
    fn(data.cFileName, data.dwFileAttributes);
  } while (win::FindNextFileA(find.get(), &data));
}

bool DirectoryExists(const std::string& path) {
  const win::DWORD a = win::GetFileAttributesA(path.c_str());
  return a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  win::WIN32_FIND_DATAA data;
  const platform::FindHandle find(win::FindFirstFileA(path.c_str(), &data));
  if (!find.valid()) return false;
  return !(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace orvella
