// The Win32 backend: the layer's calls are the system's own. The layer's
// header comes first, so that its declarations are read before <windows.h>
// turns the Windows names into macros; below, the macros (same values) and
// the system's functions (::Name) are used.
#include "platform/winapi.h"
// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <cstring>
#include <string>
#include <vector>

#include "platform/reparsedata.h"
#if ORVELLA_PLATFORM_TEST_HOOKS
#include "platform/testhooks.h"
#endif

static_assert(sizeof(win::DWORD) == sizeof(::DWORD), "DWORD is 32 bits on both sides");
static_assert(sizeof(win::WCHAR) == sizeof(::WCHAR), "WCHAR is one UTF-16 unit on both sides");

namespace {

const ::WCHAR* W(const win::WCHAR* s) { return reinterpret_cast<const ::WCHAR*>(s); }
::DWORD* D(win::DWORD* p) { return reinterpret_cast<::DWORD*>(p); }

// The attributes, times and size, which the system's find data, attribute
// data and handle information share with the program's.
template <class From, class To>
void CopyAttributeData(const From& s, To* d) {
  d->dwFileAttributes = s.dwFileAttributes;
  d->ftCreationTime = {s.ftCreationTime.dwLowDateTime, s.ftCreationTime.dwHighDateTime};
  d->ftLastAccessTime = {s.ftLastAccessTime.dwLowDateTime, s.ftLastAccessTime.dwHighDateTime};
  d->ftLastWriteTime = {s.ftLastWriteTime.dwLowDateTime, s.ftLastWriteTime.dwHighDateTime};
  d->nFileSizeHigh = s.nFileSizeHigh;
  d->nFileSizeLow = s.nFileSizeLow;
}

// The ANSI text of a wide one. Where the ANSI code page is not UTF-8 (a
// system older than the manifest's UTF-8 code page), a character it does
// not hold becomes "?" instead of a look-alike ("Okęcie" would be "Okecie",
// a name that does not exist): the logic tells such names by their "?" and
// lists them as names the system cannot give.
std::string AnsiOfWide(const ::WCHAR* w, int length) {
  if (length == 0) return {};
  const bool utf8 = ::GetACP() == CP_UTF8;
  const ::DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = ::WideCharToMultiByte(CP_ACP, flags, w, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, w, length, s.data(), n, utf8 ? nullptr : "?", nullptr);
  if (length < 0 && !s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::wstring WideOfAnsi(const char* s) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
  w.pop_back();
  return w;
}

void CopyName(const ::WCHAR* name, char* out, size_t capacity) {
  const std::string a = AnsiOfWide(name, -1);
  const size_t k = a.size() < capacity ? a.size() : capacity - 1;
  std::memcpy(out, a.data(), k);
  out[k] = '\0';
}

// The wide search's entry with its names in ANSI, never best-fitted.
void CopyFindData(const ::WIN32_FIND_DATAW& s, win::WIN32_FIND_DATAA* d) {
  CopyAttributeData(s, d);
  d->dwReserved0 = s.dwReserved0;
  d->dwReserved1 = s.dwReserved1;
  CopyName(s.cFileName, d->cFileName, sizeof d->cFileName);
  CopyName(s.cAlternateFileName, d->cAlternateFileName, sizeof d->cAlternateFileName);
}

}  // namespace

namespace win {

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD code) { ::SetLastError(code); }

std::string FormatMessageA(DWORD code) {
  char buf[2048];
  const ::DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                                     sizeof buf, nullptr);
  std::string s(buf, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

DWORD GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }
BOOL SetFileAttributesA(const char* path, DWORD attributes) { return ::SetFileAttributesA(path, attributes); }

BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
  if (infoLevel != GetFileExInfoStandard || !data) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExA(path, ::GetFileExInfoStandard, &d)) return FALSE;
  CopyAttributeData(d, data);
  return TRUE;
}
DWORD GetFileAttributesW(const WCHAR* path) { return ::GetFileAttributesW(W(path)); }

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  ::WIN32_FIND_DATAW d{};
  ::HANDLE h = ::FindFirstFileW(WideOfAnsi(pattern).c_str(), &d);
  if (h != INVALID_HANDLE_VALUE && data) CopyFindData(d, data);
  return h;
}

HANDLE FindFirstFileExA(const char* pattern, int infoLevel, WIN32_FIND_DATAA* data, int searchOp, void* filter,
                        DWORD flags) {
  ::WIN32_FIND_DATAW d{};
  ::HANDLE h = ::FindFirstFileExW(WideOfAnsi(pattern).c_str(), static_cast<::FINDEX_INFO_LEVELS>(infoLevel), &d,
                                  static_cast<::FINDEX_SEARCH_OPS>(searchOp), filter, flags);
  if (h != INVALID_HANDLE_VALUE && data) CopyFindData(d, data);
  return h;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  ::WIN32_FIND_DATAW d{};
  const ::BOOL ok = ::FindNextFileW(find, &d);
  if (ok && data) CopyFindData(d, data);
  return ok;
}

BOOL FindClose(HANDLE find) { return ::FindClose(find); }

BOOL CreateDirectoryA(const char* path, void* sa) {
  return ::CreateDirectoryA(path, static_cast<LPSECURITY_ATTRIBUTES>(sa));
}
BOOL CreateDirectoryW(const WCHAR* path, void* sa) {
  return ::CreateDirectoryW(W(path), static_cast<LPSECURITY_ATTRIBUTES>(sa));
}
BOOL RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path); }
BOOL RemoveDirectoryW(const WCHAR* path) { return ::RemoveDirectoryW(W(path)); }
BOOL DeleteFileA(const char* path) { return ::DeleteFileA(path); }
BOOL MoveFileExA(const char* existing, const char* replacement, DWORD flags) {
  return ::MoveFileExA(existing, replacement, flags);
}
BOOL CopyFileA(const char* existing, const char* target, BOOL failIfExists) {
  return ::CopyFileA(existing, target, failIfExists);
}

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* sa, DWORD disposition, DWORD flags,
                   HANDLE templateFile) {
#if ORVELLA_PLATFORM_TEST_HOOKS
  const HANDLE h =
      ::CreateFileA(path, access, share, static_cast<LPSECURITY_ATTRIBUTES>(sa), disposition, flags, templateFile);
  if (h != INVALID_HANDLE_VALUE && (access & GENERIC_READ)) platform::detail::NoteOpenedForReading(path);
  return h;
#else
  return ::CreateFileA(path, access, share, static_cast<LPSECURITY_ATTRIBUTES>(sa), disposition, flags, templateFile);
#endif
}
HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD share, void* sa, DWORD disposition, DWORD flags,
                   HANDLE templateFile) {
  return ::CreateFileW(W(path), access, share, static_cast<LPSECURITY_ATTRIBUTES>(sa), disposition, flags,
                       templateFile);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
  return ::ReadFile(file, buffer, toRead, D(read), static_cast<LPOVERLAPPED>(overlapped));
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) {
#if !ORVELLA_PLATFORM_TEST_HOOKS
  return ::WriteFile(file, buffer, toWrite, D(written), static_cast<LPOVERLAPPED>(overlapped));
#else
  std::uint64_t allowed = toWrite;
  DWORD injected = 0;
  if (!platform::detail::TakeWriteBudget(toWrite, allowed, injected))
    return ::WriteFile(file, buffer, toWrite, D(written), static_cast<LPOVERLAPPED>(overlapped));
  // The injected failure: write what the budget allows, then fail.
  DWORD done = 0;
  if (allowed > 0 && !::WriteFile(file, buffer, static_cast<::DWORD>(allowed), D(&done), nullptr)) {
    if (written) *written = done;
    return FALSE;
  }
  if (written) *written = done;
  ::SetLastError(injected);
  return FALSE;
#endif
}

BOOL FlushFileBuffers(HANDLE file) { return ::FlushFileBuffers(file); }
DWORD GetFileSize(HANDLE file, DWORD* high) { return ::GetFileSize(file, D(high)); }
DWORD GetFileType(HANDLE file) { return ::GetFileType(file); }
BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::int64_t* newPosition, DWORD method) {
  LARGE_INTEGER d;
  d.QuadPart = distance;
  LARGE_INTEGER n;
  n.QuadPart = 0;
  const BOOL ok = ::SetFilePointerEx(file, d, &n, method);
  if (ok && newPosition) *newPosition = n.QuadPart;
  return ok;
}
BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  if (!info) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::BY_HANDLE_FILE_INFORMATION d;
  if (!::GetFileInformationByHandle(file, &d)) return FALSE;
  *info = BY_HANDLE_FILE_INFORMATION();
  CopyAttributeData(d, info);
  info->dwVolumeSerialNumber = d.dwVolumeSerialNumber;
  info->nNumberOfLinks = d.nNumberOfLinks;
  info->nFileIndexHigh = d.nFileIndexHigh;
  info->nFileIndexLow = d.nFileIndexLow;
  return TRUE;
}

BOOL GetFileInformationByHandleEx(HANDLE file, int infoClass, void* info, DWORD size) {
  if (infoClass != FileCaseSensitiveInfo) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ::GetFileInformationByHandleEx(file, static_cast<FILE_INFO_BY_HANDLE_CLASS>(infoClass), info, size);
}

DWORD GetFinalPathNameByHandleA(HANDLE file, char* path, DWORD size, DWORD flags) {
  return ::GetFinalPathNameByHandleA(file, path, size, flags);
}

DWORD GetFullPathNameA(const char* name, DWORD bufferLength, char* buffer, char** filePart) {
  return ::GetFullPathNameA(name, bufferLength, buffer, filePart);
}
DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer) { return ::GetCurrentDirectoryA(bufferLength, buffer); }
BOOL SetCurrentDirectoryA(const char* path) { return ::SetCurrentDirectoryA(path); }

BOOL GetVolumeInformationA(const char* root, char* volumeName, DWORD volumeNameSize, DWORD* serial,
                           DWORD* maxComponentLength, DWORD* fileSystemFlags, char* fileSystemName,
                           DWORD fileSystemNameSize) {
  return ::GetVolumeInformationA(root, volumeName, volumeNameSize, D(serial), D(maxComponentLength), D(fileSystemFlags),
                                 fileSystemName, fileSystemNameSize);
}

UINT GetACP() { return ::GetACP(); }
WORD GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLength, WCHAR* dst, int dstLength) {
  return ::MultiByteToWideChar(codePage, flags, src, srcLength, reinterpret_cast<::WCHAR*>(dst), dstLength);
}
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* src, int srcLength, char* dst, int dstLength,
                        const char* defaultChar, BOOL* usedDefaultChar) {
  return ::WideCharToMultiByte(codePage, flags, W(src), srcLength, dst, dstLength, defaultChar, usedDefaultChar);
}

int lstrcmpA(const char* a, const char* b) { return ::lstrcmpA(a, b); }
int lstrcmpiA(const char* a, const char* b) { return ::lstrcmpiA(a, b); }

INT_PTR ShellExecuteA(HANDLE hwnd, const char* operation, const char* file, const char* parameters,
                      const char* directory, int showCommand) {
  return reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(static_cast<HWND>(hwnd), operation, file, parameters, directory, showCommand));
}

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* returned,
                               DWORD size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, returned, size, fileName);
}

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }

}  // namespace win

namespace platform {

std::string ExecutablePath() {
  std::vector<::WCHAR> buf(MAX_PATH);
  for (;;) {
    const ::DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<::DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return AnsiOfWide(buf.data(), static_cast<int>(n));
    buf.resize(buf.size() * 2);
  }
}

BOOL MakeDirectoryLink(const std::string& linkPath, const std::string& fullTarget, bool exactName) {
  const std::wstring link = WideOfAnsi(linkPath.c_str());
  bool created = false;
  ::HANDLE h = INVALID_HANDLE_VALUE;
  if (exactName) {
    // The folder is made and opened in one step, by its exact name.
    h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_DIRECTORY | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_POSIX_SEMANTICS |
                          FILE_FLAG_OPEN_REPARSE_POINT,
                      nullptr);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    created = true;
  } else {
    if (::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
      // A folder that cannot be made ends here, with its own reason (a
      // read-only scenery folder is "access denied", not "not found").
      if (!::CreateDirectoryW(link.c_str(), nullptr)) return FALSE;
      created = true;
    }
    h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  }
  ::DWORD error = ERROR_SUCCESS;
  if (h == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
  } else {
    MountPointBuffer buffer = BuildMountPointBuffer(fullTarget);
    ::DWORD returned = 0;
    if (!::DeviceIoControl(h, win::FSCTL_SET_REPARSE_POINT, buffer.bytes.data(), buffer.passed, nullptr, 0, &returned,
                           nullptr))
      error = ::GetLastError();
    ::CloseHandle(h);
  }
  if (error == ERROR_SUCCESS) return TRUE;
  // The folder is removed once the handle that holds it unshared is closed.
  if (created) ::RemoveDirectoryW(link.c_str());
  ::SetLastError(error);
  return FALSE;
}

BOOL RemoveDirectoryLink(const std::string& linkPath) {
  return ::RemoveDirectoryW(WideOfAnsi(linkPath.c_str()).c_str());
}

std::string BrowseForFolder(win::HANDLE owner, const std::string& title) {
  const ::UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  ::BROWSEINFOA info{};
  info.hwndOwner = static_cast<HWND>(owner);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  std::string result;
  if (::PIDLIST_ABSOLUTE item = ::SHBrowseForFolderA(&info)) {
    ::WCHAR path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(item, path)) result = AnsiOfWide(path, -1);
    ::CoTaskMemFree(item);
  }
  ::SetErrorMode(previousMode);
  return result;
}

HostSystem CurrentHostSystem() { return HostSystem::Windows; }

char UserDecimalSeparator() {
  ::WCHAR separator[8] = {};
  const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
  return n == 2 && separator[0] > 0 && separator[0] < 0x80 ? static_cast<char>(separator[0]) : '.';
}

std::string UserConfigFolder() {
  ::WCHAR buf[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return AnsiOfWide(buf, -1);
}

std::string ResolveShellLink(const std::string& lnkPath) {
  std::string result;
  ::IShellLinkA* link = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
  // A thread that has not initialised COM gets it for the time of the call.
  bool ownCom = false;
  if (hr == CO_E_NOTINITIALIZED && SUCCEEDED(::CoInitialize(nullptr))) {
    ownCom = true;
    hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                            reinterpret_cast<void**>(&link));
  }
  if (FAILED(hr)) {
    if (ownCom) ::CoUninitialize();
    return result;
  }
  ::IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, wide.data(), n);
    if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      char path[MAX_PATH] = {};
      if (link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY) == S_OK) result = path;
    }
    file->Release();
  }
  link->Release();
  if (ownCom) ::CoUninitialize();
  return result;
}

void InitializeCom() { ::CoInitialize(nullptr); }
void UninitializeCom() { ::CoUninitialize(); }

std::string FromHostPath(const std::u16string& hostPath) {
  return AnsiOfWide(W(hostPath.c_str()), static_cast<int>(hostPath.size()));
}

std::u16string ToHostPath(const std::string& windowsPath) {
  if (windowsPath.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), static_cast<int>(windowsPath.size()), nullptr, 0);
  std::u16string w(static_cast<size_t>(n), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), static_cast<int>(windowsPath.size()),
                        reinterpret_cast<::WCHAR*>(w.data()), n);
  return w;
}

// Windows has real drives: the map is the POSIX backend's.
void SetDriveMap(const std::vector<DriveMapping>&) {}
std::vector<DriveMapping> GetDriveMap() { return {}; }

}  // namespace platform
