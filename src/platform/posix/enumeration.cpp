// Attributes and enumeration (FindFirstFile and its kin) of the POSIX
// backend.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/handles.h"
#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform::posix {

namespace {

std::string_view BaseName(std::string_view host) {
  const size_t s = host.rfind('/');
  return s == std::string_view::npos ? host : host.substr(s + 1);
}

// A host name as the ANSI (UTF-8) name of a listing. Bytes that are not
// UTF-8 have no character to stand for: each becomes '?', as Windows gives
// a character its code page cannot hold, and the program knows such a name
// for one it cannot use. A name is never cut inside a character.
void CopyName(std::string_view utf8, char (&dst)[win::MAX_PATH]) {
  if (utf8.size() < win::MAX_PATH && text::IsValidUtf8(utf8)) {
    std::memcpy(dst, utf8.data(), utf8.size());
    dst[utf8.size()] = '\0';
    return;
  }
  std::string a = text::ReplaceBrokenUtf8(utf8, '?');
  if (a.size() >= win::MAX_PATH) a.resize(text::Utf8CutLength(a, win::MAX_PATH - 1));
  std::memcpy(dst, a.c_str(), a.size() + 1);
}

// Windows wildcard matching, without regard to case: '*' any run, '?' one
// character; a mask ending in ".*" also takes names without an extension,
// and one ending in "." takes only names without one.
bool MatchMask(std::u32string_view mask, std::u32string_view name) {
  size_t m = 0, n = 0, starM = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++m, ++n;
    } else if (m < mask.size() && mask[m] == U'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::u32string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

std::u32string Folded(std::string_view utf8) {
  std::u32string r;
  for (size_t i = 0; i < utf8.size();) r += text::FoldCase(text::DecodeUtf8(utf8, i));
  return r;
}

bool NameMatches(const FindObject& f, std::string_view name) {
  if (f.matchesAll) return true;
  const std::u32string& mask = f.foldedMask;
  const std::u32string n = Folded(name);
  if (MatchMask(mask, n)) return true;
  const bool noDot = n.find(U'.') == std::u32string::npos;
  if (noDot && mask.size() >= 2 && mask.compare(mask.size() - 2, 2, U".*") == 0)
    return MatchMask(std::u32string_view(mask).substr(0, mask.size() - 2), n);
  if (noDot && !mask.empty() && mask.back() == U'.')
    return MatchMask(std::u32string_view(mask).substr(0, mask.size() - 1), n);
  return false;
}

constexpr size_t kListingBuffer = 32 * 1024;

// The next entry of the folder a search reads, or nothing at its end (or
// when it can no longer be read).
const struct dirent64* ReadEntry(FindObject& f) {
  if (f.at >= f.end) {
    if (f.dir < 0) return nullptr;
    if (!f.buffer) f.buffer.reset(new char[kListingBuffer]);  // not cleared: getdents64 fills it
    const ssize_t n = ::getdents64(f.dir, f.buffer.get(), kListingBuffer);
    if (n <= 0) return nullptr;
    f.at = 0;
    f.end = static_cast<size_t>(n);
  }
  const auto* e = reinterpret_cast<const struct dirent64*>(f.buffer.get() + f.at);
  f.at += e->d_reclen;
  return e;
}

// The next entry of a search, or false at its end.
bool NextEntry(FindObject& f, win::WIN32_FIND_DATAA& d) {
  d = win::WIN32_FIND_DATAA();
  if (f.dots > 0) {
    const bool dot = f.dots == 2;
    --f.dots;
    if (NameMatches(f, dot ? "." : "..")) {
      d.dwFileAttributes = win::FILE_ATTRIBUTE_DIRECTORY;
      if (dot) FillFromStat(f.self, d);
      std::strcpy(d.cFileName, dot ? "." : "..");
      return true;
    }
  }
  while (const struct dirent64* e = ReadEntry(f)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == ".." || !NameMatches(f, name)) continue;
    const int dfd = f.dir;
    win::DWORD a = 0;
    struct stat st;
    switch (e->d_type) {
      case DT_DIR:
        a = win::FILE_ATTRIBUTE_DIRECTORY;
        break;
      case DT_REG:
        a = win::FILE_ATTRIBUTE_ARCHIVE;
        break;
      case DT_LNK: {
        // A link needs its target's kind: a folder, or gone, makes it a folder.
        const bool file = ::fstatat(dfd, e->d_name, &st, 0) == 0 && !S_ISDIR(st.st_mode);
        a = win::FILE_ATTRIBUTE_REPARSE_POINT | (file ? win::FILE_ATTRIBUTE_ARCHIVE : win::FILE_ATTRIBUTE_DIRECTORY);
        if (file && !S_ISREG(st.st_mode)) a |= win::FILE_ATTRIBUTE_DEVICE;
        break;
      }
      default:
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished meanwhile
        a = AttributesOf(st, name, f.folderHost + "/" + e->d_name);
        FillFromStat(st, d);
        break;
    }
    // A dot hides a name, never a link's (see AttributesOf).
    if (name.size() > 1 && name[0] == '.' && !(a & win::FILE_ATTRIBUTE_REPARSE_POINT)) a |= win::FILE_ATTRIBUTE_HIDDEN;
    d.dwFileAttributes = a;
    CopyName(name, d.cFileName);
    return true;
  }
  return false;
}

// The one entry of a search by a single name: the path at host, of status st.
void FillSingle(const struct stat& st, const std::string& host, win::WIN32_FIND_DATAA& d) {
  d = win::WIN32_FIND_DATAA();
  const std::string_view name = BaseName(host);
  d.dwFileAttributes = AttributesOf(st, name, host);
  FillFromStat(st, d);
  CopyName(name, d.cFileName);
}

}  // namespace

}  // namespace platform::posix

namespace win {

using namespace platform::posix;
namespace text = platform::text;

DWORD GetFileAttributesA(const char* path) {
  std::string host;
  struct stat st;
  const ExactStatus exact = StatExact(path, host, st);
  if (exact == ExactStatus::Found) return AttributesOf(st, BaseName(host), host);
  Resolved r;
  if (!ResolveAnsiAfter(path, r, exact)) return INVALID_FILE_ATTRIBUTES;
  if (!r.exists) {
    SetError(r.missing);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);  // "file.txt\" names no file
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(r.st, r.isRoot ? std::string_view() : BaseName(r.host), r.host);
}

BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
  if (infoLevel != GetFileExInfoStandard || !data) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  std::string host;
  struct stat st;
  const ExactStatus exact = StatExact(path, host, st);
  if (exact == ExactStatus::Found) {
    // In full form and there as written: nothing more to resolve.
    *data = WIN32_FILE_ATTRIBUTE_DATA();
    data->dwFileAttributes = AttributesOf(st, BaseName(host), host);
    FillFromStat(st, *data);
    SetError(ERROR_SUCCESS);
    return TRUE_;
  }
  Resolved r;
  if (!ResolveAnsiAfter(path, r, exact)) return FALSE_;
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);
    return FALSE_;
  }
  const DWORD attributes = AttributesOf(r.st, r.isRoot ? std::string_view() : BaseName(r.host), r.host);
  *data = WIN32_FILE_ATTRIBUTE_DATA();
  data->dwFileAttributes = attributes;
  FillFromStat(r.st, *data);
  SetError(ERROR_SUCCESS);
  return TRUE_;
}

DWORD GetFileAttributesW(const WCHAR* path) {
  Resolved r;
  if (!ResolveWide(path, r)) return INVALID_FILE_ATTRIBUTES;
  if (!r.exists) {
    SetError(r.missing);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(r.st, r.isRoot ? std::string_view() : BaseName(r.host), r.host);
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string p = pattern;
  // A UTF-16 length is never more than the UTF-8 one.
  if (p.size() >= MAX_PATH && text::Utf16Length(p) >= MAX_PATH) {
    SetError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  for (char& c : p)
    if (c == '/') c = '\\';
  const size_t sep = p.rfind('\\');
  std::string folder = sep == std::string::npos ? std::string() : p.substr(0, sep + 1);
  const std::string mask = sep == std::string::npos ? p : p.substr(sep + 1);
  if (sep == std::string::npos && p.size() >= 2 && p[1] == ':') folder = p.substr(0, 2);
  if (mask.empty() || (sep == std::string::npos && p.size() == 2 && p[1] == ':')) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  if (mask.find_first_of("*?") == std::string::npos) {
    // One name: look it up directly, without reading the folder.
    WinPath wp;
    Resolved r;
    if (!ParsePath(p, wp) || !Resolve(wp, r)) return INVALID_HANDLE_VALUE;
    if (!r.exists || r.isRoot) {
      SetError(r.exists ? ERROR_FILE_NOT_FOUND : r.missing);
      return INVALID_HANDLE_VALUE;
    }
    FillSingle(r.st, r.host, *data);
    return AddObject(std::move(find));
  }
  find->mask = mask;
  find->matchesAll = mask == "*" || mask == "*.*";
  if (!find->matchesAll) find->foldedMask = Folded(mask);
  // The folder's own status is given only with its "." entry: a mask that
  // never meets "." ("*.dsf") needs none.
  const bool selfWanted = NameMatches(*find, ".");
  Resolved r;
  // A folder (not a link) named exactly as written is opened at once, its
  // own status taken from the open folder when wanted: the same as
  // resolving it. True when nothing of that exact name exists.
  auto openExact = [&](std::string host) {
    if (host.empty()) return false;
    r.host = std::move(host);
    find->dir = ::open(r.host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (find->dir >= 0 && selfWanted && ::fstat(find->dir, &r.st) != 0) {
      ::close(find->dir);
      find->dir = -1;
    }
    r.exists = find->dir >= 0;
    return find->dir < 0 && errno == ENOENT;
  };
  // A folder already in full form needs no parsing.
  std::string exact = folder.size() > 4 ? ExactHost(std::string_view(folder).substr(0, folder.size() - 1)) : "";
  const bool triedExact = !exact.empty();
  bool exactMissing = triedExact && openExact(std::move(exact));
  if (find->dir < 0) {
    WinPath wp;
    if (!ParsePath(folder.empty() ? std::string(".") : folder, wp)) return INVALID_HANDLE_VALUE;
    if (!triedExact && !wp.parts.empty() && wp.writtenLast.empty()) exactMissing = openExact(ExactHostPath(wp));
    if (find->dir < 0) {
      wp.exactMissing = exactMissing;
      if (!Resolve(wp, r)) return INVALID_HANDLE_VALUE;
      if (!r.exists) {
        SetError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
      }
    }
  }
  for (char c : mask) {
    if (static_cast<unsigned char>(c) < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':') {
      SetError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (find->dir < 0) find->dir = ::open(r.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (find->dir < 0) {
    SetError(errno == ENOTDIR ? ERROR_DIRECTORY : errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32FromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // Through a link, the folder read is the one it leads to, and "." is that
  // folder's entry, as on Windows: its time changes as entries come and go.
  if (selfWanted && S_ISLNK(r.st.st_mode)) {
    struct stat target;
    if (::fstat(find->dir, &target) == 0) r.st = target;
  }
  find->folderHost = r.host == "/" ? std::string() : r.host;
  find->dots = r.isRoot ? 0 : 2;  // a drive's root has no "." and ".."
  find->self = r.st;
  if (!NextEntry(*find, *data)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return AddObject(std::move(find));
}

HANDLE FindFirstFileExA(const char* pattern, int infoLevel, WIN32_FIND_DATAA* data, int searchOp, void* filter,
                        DWORD flags) {
  if ((infoLevel != FindExInfoStandard && infoLevel != FindExInfoBasic) || searchOp != FindExSearchNameMatch ||
      filter || (flags & ~FIND_FIRST_EX_CASE_SENSITIVE)) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (!(flags & FIND_FIRST_EX_CASE_SENSITIVE)) return FindFirstFileA(pattern, data);
  if (!pattern || !data) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string_view p = pattern;
  const size_t sep = p.find_last_of("\\/");
  if (p.substr(sep == std::string_view::npos ? 0 : sep + 1).find_first_of("*?") != std::string_view::npos) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  WinPath wp;
  if (!ParsePath(p, wp)) return INVALID_HANDLE_VALUE;
  const std::string host = ExactHostPath(wp);
  if (host.empty()) {
    SetError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (wp.parts.empty() || ::lstat(host.c_str(), &st) != 0) {
    // Which part is missing, as Windows tells: the name, or a folder on the way.
    const int e = wp.parts.empty() ? ENOENT : errno;
    struct stat parent;
    const size_t slash = host.rfind('/');
    const bool inFolder = e == ENOENT && slash != std::string::npos &&
                          ::stat(slash == 0 ? "/" : host.substr(0, slash).c_str(), &parent) == 0 &&
                          S_ISDIR(parent.st_mode);
    SetError(inFolder || wp.parts.empty()  ? ERROR_FILE_NOT_FOUND
             : e == ENOENT || e == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                           : Win32FromErrno(e));
    return INVALID_HANDLE_VALUE;
  }
  FillSingle(st, host, *data);
  SetError(ERROR_SUCCESS);
  return AddObject(std::make_shared<FindObject>());
}

BOOL FindNextFileA(HANDLE h, WIN32_FIND_DATAA* data) {
  auto find = Get<FindObject>(h);
  if (!find || !data) {
    SetError(find ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE_;
  }
  if (find->mask.empty() || !NextEntry(*find, *data)) {
    SetError(ERROR_NO_MORE_FILES);
    return FALSE_;
  }
  return TRUE_;
}

BOOL FindClose(HANDLE h) { return CloseObjectOf<FindObject>(h) ? TRUE_ : FALSE_; }

}  // namespace win
