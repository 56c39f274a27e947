#include "logic/core/folders.h"

#include <cstring>

namespace orvella {

namespace {
class FindHandle {
 public:
  explicit FindHandle(win::HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (h_ != win::INVALID_HANDLE_VALUE) win::FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  win::HANDLE get() const { return h_; }

 private:
  win::HANDLE h_;
};
}  // namespace

void ForEachEntry(const std::string& folder, const std::function<void(const std::string&, win::DWORD)>& fn) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += "*.*";
  win::WIN32_FIND_DATAA data;
  FindHandle find(win::FindFirstFileA(pattern.c_str(), &data));
  if (find.get() == win::INVALID_HANDLE_VALUE) return;
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
  win::HANDLE h = win::FindFirstFileA(path.c_str(), &data);
  if (h == win::INVALID_HANDLE_VALUE) return false;
  win::FindClose(h);
  return !(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace orvella
