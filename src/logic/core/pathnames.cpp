#include "logic/core/pathnames.h"

#include "platform/handle.h"

namespace orvella {

namespace {
size_t LastSeparator(std::string_view path) { return path.find_last_of("\\:"); }
}  // namespace

std::string LastComponent(std::string_view path) {
  const size_t p = LastSeparator(path);
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string FolderPart(std::string_view path) {
  const size_t p = LastSeparator(path);
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractExtension(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  const size_t sep = LastSeparator(path);
  if (sep != std::string_view::npos && dot < sep) return {};
  return std::string(path.substr(dot));
}

std::string ChangeExtension(std::string_view path, std::string_view ext) {
  const std::string old = ExtractExtension(path);
  return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

std::string FullPathName(const std::string& path, win::DWORD* error) {
  // MAX_PATH counts characters; in UTF-8 one takes up to three bytes. A
  // longer result is asked for again with the room it needs.
  std::string full(3 * win::MAX_PATH, '\0');
  for (;;) {
    const win::DWORD n =
        win::GetFullPathNameA(path.c_str(), static_cast<win::DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) {
      if (error) *error = win::GetLastError();
      return {};
    }
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

std::string LinkedFilePath(const std::string& path) {
  const win::DWORD a = win::GetFileAttributesA(path.c_str());
  if (a == win::INVALID_FILE_ATTRIBUTES || !(a & win::FILE_ATTRIBUTE_REPARSE_POINT) ||
      (a & win::FILE_ATTRIBUTE_DIRECTORY))
    return path;
  // Not reached, or not named in the code page: the link is then
  // replaced, as a file that cannot be named through it would be.
  std::string final = FinalPathName(path, false);
  return final.empty() ? path : final;
}

std::string FinalPathName(const std::string& path, bool folder) {
  const platform::FileHandle h(
      win::CreateFileA(path.c_str(), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE, nullptr,
                       win::OPEN_EXISTING, folder ? win::FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
  if (!h.valid()) return {};
  std::string final(3 * win::MAX_PATH, '\0');
  for (;;) {
    const win::DWORD n = win::GetFinalPathNameByHandleA(h.get(), final.data(), static_cast<win::DWORD>(final.size()),
                                                        win::FILE_NAME_NORMALIZED | win::VOLUME_NAME_DOS);
    if (n == 0) return {};
    // Too small: n is the size needed, with the zero or without it (see
    // GetFinalPathNameByHandleA): asked again with room for both.
    const bool fits = n < final.size();
    final.resize(fits ? n : n + 1);
    if (fits) break;
  }
  constexpr std::string_view kUnc = "\\\\?\\UNC\\", kLong = "\\\\?\\";
  if (final.compare(0, kUnc.size(), kUnc) == 0)
    final = "\\\\" + final.substr(kUnc.size());
  else if (final.compare(0, kLong.size(), kLong) == 0)
    final.erase(0, kLong.size());
  // A name the code page cannot hold comes back with '?': no file has that
  // name, and nothing can be reached through it.
  return final.find('?') == std::string::npos ? final : std::string();
}

}  // namespace orvella
