// Drive map and path resolution of the POSIX backend: Windows paths (drive
// letter, backslashes, case-insensitive names) onto a Unix file system, the
// way Wine presents one.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform::posix {

namespace {

using DriveMap = std::array<std::string, 26>;
std::shared_mutex gMapMutex;
DriveMap gMap = [] {
  DriveMap m;
  m['Z' - 'A'] = "/";
  return m;
}();
// Counts the changes of gMap (made under its lock): each thread keeps a copy
// of the map and takes it again only after a change, so that the many
// threads resolving paths share no lock, nor even a written cache line.
std::atomic<std::uint64_t> gMapVersion{1};

const DriveMap& CurrentMap() {
  thread_local std::uint64_t version = 0;
  thread_local DriveMap map;
  if (version != gMapVersion.load(std::memory_order_acquire)) {
    std::shared_lock lock(gMapMutex);
    map = gMap;
    version = gMapVersion.load(std::memory_order_relaxed);
  }
  return map;
}

char UpperDrive(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Lexical normalisation of an absolute host path: doubled "/", "." and "..".
std::string NormalHost(std::string_view p) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i < p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string_view::npos) j = p.size();
    const std::string_view c = p.substr(i, j - i);
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!c.empty() && c != ".") {
      parts.push_back(c);
    }
    i = j + 1;
  }
  std::string out;
  for (auto c : parts) {
    out += '/';
    out += c;
  }
  return out.empty() ? std::string("/") : out;
}

std::string JoinHost(const std::string& folder, std::string_view name) {
  std::string r = folder;
  if (r.empty() || r.back() != '/') r += '/';
  r += name;
  return r;
}

// Splits "a\b\c" into components, applying "." and "..".
void PushComponents(std::string_view rest, std::vector<std::string>& comps) {
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find('\\', i);
    if (j == std::string_view::npos) j = rest.size();
    const std::string_view c = rest.substr(i, j - i);
    if (c == "..") {
      if (!comps.empty()) comps.pop_back();
    } else if (!c.empty() && c != ".") {
      comps.emplace_back(c);
    }
    i = j + 1;
  }
}

bool IsDirectoryOrLinkToOne(const std::string& host, const struct stat& lst) {
  if (S_ISDIR(lst.st_mode)) return true;
  if (!S_ISLNK(lst.st_mode)) return false;
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::u32string FoldedName(std::string_view utf8) {
  std::u32string r;
  r.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) r += text::FoldCase(text::DecodeUtf8(utf8, i));
  return r;
}

// The names of the folder scanned last by this thread, by their folded
// form. A folder's listing changes only with its modification time, so the
// listing is reused while the folder's identity and times are unchanged,
// and kept only when the folder had not changed for a while before the scan
// (a change in the same clock tick would not move the time). Its change time
// is part of its identity too.
struct FolderNames {
  std::string folder;
  dev_t dev = 0;
  ino_t ino = 0;
  struct timespec mtime {};
  struct timespec ctime {};
  std::unordered_map<std::u32string, std::string> names;
};
thread_local FolderNames tNames;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The on-disk name in `folder` that equals `name` without regard to case.
bool FindNoCase(const std::string& folder, const std::string& name, std::string& found) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return false;
  const std::u32string key = FoldedName(name);
  FolderNames& c = tNames;
  if (c.folder == folder && c.dev == st.st_dev && c.ino == st.st_ino && SameTime(c.mtime, st.st_mtim) &&
      SameTime(c.ctime, st.st_ctim)) {
    const auto it = c.names.find(key);
    if (it == c.names.end()) return false;
    found = it->second;
    return true;
  }
  DIR* d = ::opendir(folder.c_str());
  if (!d) return false;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const bool settled = now.tv_sec - st.st_mtim.tv_sec > 2;
  std::unordered_map<std::u32string, std::string> names;
  bool ok = false;
  while (dirent* e = ::readdir(d)) {
    if (settled) {
      names.emplace(FoldedName(e->d_name), e->d_name);  // the first spelling wins, as in the scan
    } else if (text::EqualNoCaseUtf8(e->d_name, name)) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(d);
  if (!settled) return ok;
  c.folder = folder;
  c.dev = st.st_dev;
  c.ino = st.st_ino;
  c.mtime = st.st_mtim;
  c.ctime = st.st_ctim;
  c.names = std::move(names);
  const auto it = c.names.find(key);
  if (it == c.names.end()) return false;
  found = it->second;
  return true;
}

// Whether a path is already in the form FullPathText gives: "X:\" and
// components between single "\", none of them "." or "..", the last one
// (unless followed by "\") without trailing dots or blanks.
bool IsNormalDrivePath(std::string_view p) {
  if (p.size() < 3 || !IsDriveLetter(p[0]) || p[1] != ':' || p[2] != '\\') return false;
  size_t start = 3;
  for (size_t i = 3; i <= p.size(); ++i) {
    if (i < p.size() && p[i] != '\\') {
      if (p[i] == '/') return false;
      continue;
    }
    const std::string_view c = p.substr(start, i - start);
    if (c.empty()) {
      if (i < p.size()) return false;  // a doubled separator
    } else if (c == "." || c == "..") {
      return false;
    } else if (i == p.size() && (c.back() == '.' || c.back() == ' ')) {
      return false;
    }
    start = i + 1;
  }
  return true;
}

std::string JoinedHost(const std::string& root, const std::vector<std::string>& parts) {
  std::string host = root;
  size_t length = root.size();
  for (const auto& p : parts) length += p.size() + 1;
  host.reserve(length);
  for (const auto& p : parts) {
    if (host.back() != '/') host += '/';
    host += p;
  }
  return host;
}

}  // namespace

std::string ExactHostPath(const WinPath& path) {
  const std::string root = DriveFolder(path.drive);
  return root.empty() ? root : JoinedHost(root, path.parts);
}

std::string DriveFolder(char drive) {
  if (!IsDriveLetter(drive)) return {};
  return CurrentMap()[UpperDrive(drive) - 'A'];
}

std::string HostCurrentDirectory() {
  std::string buf(PATH_MAX, '\0');
  if (!::getcwd(buf.data(), buf.size())) return {};
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}

std::string WindowsFromHost(std::string_view hostUtf8) {
  std::string host;
  if (hostUtf8.empty()) return {};
  if (hostUtf8.front() != '/') {
    host = HostCurrentDirectory();
    if (host.empty()) return {};
    host += '/';
  }
  host += hostUtf8;
  host = NormalHost(host);
  std::shared_lock lock(gMapMutex);
  int best = -1;
  size_t bestLength = 0;
  for (int d = 0; d < 26; ++d) {
    const std::string& f = gMap[d];
    if (f.empty()) continue;
    const bool matches =
        f == "/" || host == f || (host.size() > f.size() && host.compare(0, f.size(), f) == 0 && host[f.size()] == '/');
    if (matches && (best < 0 || f.size() > bestLength)) {
      best = d;
      bestLength = f.size();
    }
  }
  if (best < 0) return {};
  std::string rest = gMap[best] == "/" ? host.substr(1) : host.substr(std::min(host.size(), bestLength + 1));
  std::replace(rest.begin(), rest.end(), '/', '\\');
  return std::string(1, static_cast<char>('A' + best)) + ":\\" + rest;
}

bool FullPathText(std::string_view path, std::string& full, std::string* writtenLast) {
  if (writtenLast) writtenLast->clear();
  if (path.empty()) {
    SetError(win::ERROR_INVALID_NAME);
    return false;
  }
  if (IsNormalDrivePath(path)) {
    full.assign(path);
    return true;
  }
  std::string p(path);
  std::replace(p.begin(), p.end(), '/', '\\');
  std::string root;  // "C:\" or "\\server\share"
  std::string_view rest;
  std::vector<std::string> comps;
  auto currentDirectory = [&](std::string& cwd) {
    cwd = WindowsFromHost(HostCurrentDirectory());
    if (cwd.empty()) {
      SetError(win::ERROR_PATH_NOT_FOUND);
      return false;
    }
    return true;
  };
  auto useBase = [&](const std::string& base) {
    root = base.substr(0, 3);
    PushComponents(std::string_view(base).substr(3), comps);
  };
  // "\\?\C:\x" and "\\?\UNC\server\share" name the same things as "C:\x" and "\\server\share".
  if (p.rfind("\\\\?\\", 0) == 0 || p.rfind("\\\\.\\", 0) == 0) {
    if (p.size() >= 6 && IsDriveLetter(p[4]) && p[5] == ':') {
      p.erase(0, 4);
    } else if (p.size() >= 8 && text::FoldCp1252(static_cast<unsigned char>(p[4])) == 'u' &&
               text::FoldCp1252(static_cast<unsigned char>(p[5])) == 'n' &&
               text::FoldCp1252(static_cast<unsigned char>(p[6])) == 'c' && p[7] == '\\') {
      p = "\\" + p.substr(7);
    }
  }
  const std::string_view v(p);
  if (v.size() >= 2 && v[0] == '\\' && v[1] == '\\') {
    size_t server = v.find('\\', 2);
    size_t share = server == std::string_view::npos ? server : v.find('\\', server + 1);
    root = std::string(v.substr(0, share));
    rest = share == std::string_view::npos ? std::string_view() : v.substr(share + 1);
  } else if (v.size() >= 2 && IsDriveLetter(v[0]) && v[1] == ':') {
    if (v.size() >= 3 && v[2] == '\\') {
      root = std::string(v.substr(0, 2)) + "\\";
      rest = v.substr(3);
    } else {
      std::string cwd;
      if (!currentDirectory(cwd)) return false;
      if (UpperDrive(cwd[0]) == UpperDrive(v[0])) {
        useBase(cwd);
      } else {
        root = std::string(v.substr(0, 2)) + "\\";
      }
      rest = v.substr(2);
    }
  } else {
    std::string cwd;
    if (!currentDirectory(cwd)) return false;
    if (v[0] == '\\') {
      root = cwd.substr(0, 3);
      rest = v.substr(1);
    } else {
      useBase(cwd);
      rest = v;
    }
  }
  PushComponents(rest, comps);
  const bool trailing = p.back() == '\\' && !comps.empty();
  if (!trailing && !comps.empty()) {
    std::string& last = comps.back();
    const std::string written = last;
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty())
      comps.pop_back();
    else if (writtenLast && last != written)
      *writtenLast = written;
  }
  full = root;
  for (size_t i = 0; i < comps.size(); ++i) {
    if (i > 0 || full.back() != '\\') full += '\\';
    full += comps[i];
  }
  if (trailing) full += '\\';
  return true;
}

bool ParsePath(std::string_view utf8, WinPath& out, bool wildcardsInLast, size_t maxLength) {
  std::string full;
  std::string writtenLast;
  if (!FullPathText(utf8, full, &writtenLast)) return false;
  if (full.rfind("\\\\", 0) == 0) {
    SetError(win::ERROR_BAD_NETPATH);  // no network here
    return false;
  }
  if (text::Utf16Length(full) > maxLength) {
    SetError(win::ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  out.drive = UpperDrive(full[0]);
  out.parts.clear();
  out.trailingSeparator = full.size() > 3 && full.back() == '\\';
  out.writtenLast = writtenLast;
  out.parts.reserve(static_cast<size_t>(std::count(full.begin() + 3, full.end(), '\\')) + 1);
  PushComponents(std::string_view(full).substr(3), out.parts);
  for (size_t k = 0; k < out.parts.size(); ++k) {
    const bool last = k + 1 == out.parts.size();
    for (unsigned char c : out.parts[k]) {
      const bool wildcard = c == '*' || c == '?';
      if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' ||
          (wildcard && !(last && wildcardsInLast))) {
        SetError(win::ERROR_INVALID_NAME);
        return false;
      }
    }
  }
  return true;
}

namespace {
// Fills out for a host path that exists as written, st its own status.
void FoundAsWritten(Resolved& out, std::string host, const struct stat& st) {
  out.st = st;
  const size_t slash = host.rfind('/');
  out.parentHost = slash == 0 ? std::string("/") : host.substr(0, slash);
  out.name = host.substr(slash + 1);
  out.host = std::move(host);
  out.exists = out.parentExists = true;
}
}  // namespace

bool Resolve(const WinPath& path, Resolved& out) {
  if (!path.writtenLast.empty() && !path.parts.empty()) {
    WinPath written = path;
    written.parts.back() = path.writtenLast;
    written.writtenLast.clear();
    if (!Resolve(written, out)) return false;
    if (out.exists || !out.parentExists) return true;
    Resolved trimmed;
    WinPath windows = path;
    windows.writtenLast.clear();
    if (Resolve(windows, trimmed) && trimmed.exists) out = std::move(trimmed);
    return true;
  }
  out = Resolved();
  out.trailingSeparator = path.trailingSeparator;
  if (!path.parts.empty()) out.name = path.parts.back();
  const std::string root = DriveFolder(path.drive);
  if (root.empty()) {
    SetError(win::ERROR_PATH_NOT_FOUND);
    return false;
  }
  out.isRoot = path.parts.empty();
  if (out.isRoot) {
    out.host = root;
    out.parentHost = root;
    out.parentExists = true;
    out.exists = ::lstat(root.c_str(), &out.st) == 0;
    if (!out.exists) out.missing = win::ERROR_PATH_NOT_FOUND;
    return true;
  }
  // Fast path: the names exist exactly as written.
  std::string host = JoinedHost(root, path.parts);
  if (struct stat st; !path.exactMissing && ::lstat(host.c_str(), &st) == 0) {
    FoundAsWritten(out, std::move(host), st);
    return true;
  }
  if (!path.exactMissing && errno != ENOENT && errno != ENOTDIR) {
    out.host = std::move(host);
    out.missing = Win32FromErrno(errno);
    return true;
  }
  // Slow path: look each missing component up without regard to case.
  std::string cur = root;
  const size_t n = path.parts.size();
  size_t first = 0;
  // Most often only the last name is missing (a file about to be made): its
  // folder, as written, needs no walk.
  if (n > 1) {
    std::string parent = host.substr(0, host.rfind('/'));
    struct stat st;
    if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      cur = std::move(parent);
      first = n - 1;
    }
  }
  for (size_t i = first; i < n; ++i) {
    std::string cand = JoinHost(cur, path.parts[i]);
    struct stat st;
    bool found = ::lstat(cand.c_str(), &st) == 0;
    if (!found && errno == ENOENT && !(path.exactLast && i + 1 == n)) {
      std::string real;
      if (FindNoCase(cur, path.parts[i], real)) {
        cand = JoinHost(cur, real);
        found = ::lstat(cand.c_str(), &st) == 0;
      }
    }
    if (!found) {
      const int e = errno;
      out.host = cand;
      for (size_t k = i + 1; k < n; ++k) out.host = JoinHost(out.host, path.parts[k]);
      out.parentHost = cur;
      out.parentExists = i + 1 == n;
      out.missing = (e == ENOENT || e == ENOTDIR) ? (i + 1 == n ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND)
                                                  : Win32FromErrno(e);
      return true;
    }
    if (i + 1 < n && !IsDirectoryOrLinkToOne(cand, st)) {
      out.host = cand;
      for (size_t k = i + 1; k < n; ++k) out.host = JoinHost(out.host, path.parts[k]);
      out.missing = win::ERROR_PATH_NOT_FOUND;
      return true;
    }
    if (i + 1 == n) {
      out.st = st;
      out.parentHost = cur;
    }
    cur = std::move(cand);
  }
  out.host = std::move(cur);
  out.exists = out.parentExists = true;
  return true;
}

std::string ExactHost(std::string_view p, size_t maxLength) {
  // A UTF-16 length is never more than the UTF-8 one.
  if (p.size() > maxLength || p.size() <= 3 || !IsDriveLetter(p[0]) || p[1] != ':' || p[2] != '\\') return {};
  const std::string& root = CurrentMap()[UpperDrive(p[0]) - 'A'];
  if (root.empty()) return {};
  // Bytes no name may hold (a separator is told apart before).
  static constexpr auto kForbidden = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 32; ++c) t[c] = true;
    for (const unsigned char c : std::string_view("/<>:\"|*?")) t[c] = true;
    return t;
  }();
  std::string host;
  host.reserve(root.size() + 1 + p.size());
  host += root;
  if (host.back() != '/') host += '/';
  // One pass over the names, appended whole: each checked as FullPathText
  // and ParsePath would have it, its "\\" turned to "/".
  const size_t base = host.size();
  host.append(p.substr(3));
  for (size_t i = base, start = base;; ++i) {
    const bool end = i == host.size();
    if (end || host[i] == '\\') {
      const std::string_view name = std::string_view(host).substr(start, i - start);
      if (name.empty() || name == "." || name == "..") return {};
      if (end) return name.back() == '.' || name.back() == ' ' ? std::string() : host;
      host[i] = '/';
      start = i + 1;
    } else if (kForbidden[static_cast<unsigned char>(host[i])]) {
      return {};
    }
  }
}

ExactStatus StatExact(const char* path, std::string& host, struct stat& st, size_t maxLength) {
  if (!path) return ExactStatus::Unknown;
  host = ExactHost(path, maxLength);
  if (host.empty()) return ExactStatus::Unknown;
  if (::lstat(host.c_str(), &st) == 0) return ExactStatus::Found;
  return errno == ENOENT || errno == ENOTDIR ? ExactStatus::Missing : ExactStatus::Unknown;
}

bool ResolveAnsi(const char* path, Resolved& out, size_t maxLength, bool exactLast) {
  // Most paths the program passes are in full form and exist as written:
  // one lstat answers, as Resolve's own fast path would.
  std::string host;
  struct stat st;
  const ExactStatus exact = StatExact(path, host, st, maxLength);
  if (exact == ExactStatus::Found) {
    out = Resolved();
    FoundAsWritten(out, std::move(host), st);
    return true;
  }
  return ResolveAnsiAfter(path, out, exact, maxLength, exactLast);
}

bool ResolveAnsiAfter(const char* path, Resolved& out, ExactStatus exact, size_t maxLength, bool exactLast) {
  if (!path) {
    SetError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  // The length limit counts UTF-16 units, not the bytes of UTF-8 text:
  // ParsePath applies it.
  WinPath wp;
  if (!ParsePath(std::string_view(path), wp, false, maxLength)) return false;
  wp.exactLast = exactLast;
  wp.exactMissing = exact == ExactStatus::Missing;
  return Resolve(wp, out);
}

bool ResolveWide(const char16_t* path, Resolved& out, size_t maxLength, bool exactLast) {
  if (!path) {
    SetError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::u16string_view v(path);
  // "\\?\" paths are not limited to MAX_PATH.
  if (v.rfind(u"\\\\?\\", 0) == 0) maxLength = 32767;
  WinPath wp;
  if (!ParsePath(text::Utf16ToUtf8(v), wp, false, maxLength)) return false;
  wp.exactLast = exactLast;
  return Resolve(wp, out);
}

DWORD AttributesOf(const struct stat& st, std::string_view name, const std::string& hostPath) {
  DWORD a = 0;
  if (S_ISLNK(st.st_mode)) {
    // A link is a reparse point; like a junction it is a folder when its
    // target is one or is gone.
    struct stat target;
    const bool file = ::stat(hostPath.c_str(), &target) == 0 && !S_ISDIR(target.st_mode);
    a = win::FILE_ATTRIBUTE_REPARSE_POINT | (file ? win::FILE_ATTRIBUTE_ARCHIVE : win::FILE_ATTRIBUTE_DIRECTORY);
    if (file && !S_ISREG(target.st_mode)) a |= win::FILE_ATTRIBUTE_DEVICE;
  } else if (S_ISDIR(st.st_mode)) {
    a = win::FILE_ATTRIBUTE_DIRECTORY;
  } else {
    a = win::FILE_ATTRIBUTE_ARCHIVE | (S_ISREG(st.st_mode) ? 0 : win::FILE_ATTRIBUTE_DEVICE);
  }
  // A dot hides a name, as Wine shows it; never a link's, though: a link in a
  // scenery folder is loaded by the simulator whatever its name, and one the
  // program made must show in its listings so that it can be taken away.
  if (name.size() > 1 && name[0] == '.' && name != ".." && !S_ISLNK(st.st_mode)) a |= win::FILE_ATTRIBUTE_HIDDEN;
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) a |= win::FILE_ATTRIBUTE_READONLY;
  return a;
}

win::FILETIME FileTimeOf(const struct timespec& ts) {
  // 100-nanosecond intervals since 1601-01-01.
  const std::uint64_t t = (static_cast<std::uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull +
                          static_cast<std::uint64_t>(ts.tv_nsec) / 100;
  return {static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

}  // namespace platform::posix

// --- The layer's own path operations -----------------------------------------

namespace platform {

using posix::SetError;

std::string FromHostPath(const std::u16string& hostPath) { return posix::WindowsFromHost(text::Utf16ToUtf8(hostPath)); }

std::u16string ToHostPath(const std::string& windowsPath) {
  posix::WinPath wp;
  if (!posix::ParsePath(windowsPath, wp, false, 32767)) return {};
  posix::Resolved r;
  if (!posix::Resolve(wp, r)) return {};
  return text::Utf8ToUtf16(r.host);
}

void SetDriveMap(const std::vector<DriveMapping>& map) {
  std::array<std::string, 26> m;
  for (const auto& d : map) {
    if (!posix::IsDriveLetter(d.letter) || d.hostFolder.empty()) continue;
    std::string f = d.hostFolder.front() == '/' ? posix::NormalHost(d.hostFolder) : std::string();
    if (f.empty()) continue;
    m[posix::UpperDrive(d.letter) - 'A'] = f;
  }
  std::unique_lock lock(posix::gMapMutex);
  posix::gMap = std::move(m);
  posix::gMapVersion.fetch_add(1, std::memory_order_release);
}

std::vector<DriveMapping> GetDriveMap() {
  std::shared_lock lock(posix::gMapMutex);
  std::vector<DriveMapping> r;
  for (int d = 0; d < 26; ++d)
    if (!posix::gMap[d].empty()) r.push_back({static_cast<char>('A' + d), posix::gMap[d]});
  return r;
}

}  // namespace platform

namespace win {

using platform::posix::SetError;

DWORD GetFullPathNameA(const char* name, DWORD bufferLength, char* buffer, char** filePart) {
  if (!name) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string full;
  std::string writtenLast;
  if (!platform::posix::FullPathText(name, full, &writtenLast)) return 0;
  if (!writtenLast.empty()) {
    // A name the host holds with its trailing dots or blanks keeps them.
    const size_t sep = full.rfind('\\');
    std::string written = full.substr(0, sep + 1) + writtenLast;
    if (full.back() == '\\') written.clear();
    platform::posix::Resolved r;
    if (!written.empty() && platform::posix::ResolveAnsi(written.c_str(), r) && r.exists && r.name == writtenLast)
      full = std::move(written);
  }
  if (full.size() + 1 > bufferLength || !buffer) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart) {
    const size_t sep = full.rfind('\\');
    *filePart = (sep == std::string::npos || sep + 1 == full.size()) ? nullptr : buffer + sep + 1;
  }
  return static_cast<DWORD>(full.size());
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer) {
  const std::string cwd = platform::posix::WindowsFromHost(platform::posix::HostCurrentDirectory());
  if (cwd.empty()) {
    SetError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (cwd.size() + 1 > bufferLength || !buffer) return static_cast<DWORD>(cwd.size() + 1);
  std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
  return static_cast<DWORD>(cwd.size());
}

BOOL SetCurrentDirectoryA(const char* path) {
  platform::posix::Resolved r;
  if (!platform::posix::ResolveAnsi(path, r)) return FALSE_;
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  struct stat st;
  if (::stat(r.host.c_str(), &st) != 0) {
    SetError(ERROR_PATH_NOT_FOUND);  // a junction whose target is gone
    return FALSE_;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetError(ERROR_DIRECTORY);
    return FALSE_;
  }
  if (::chdir(r.host.c_str()) != 0) {
    platform::posix::SetErrno(errno);
    return FALSE_;
  }
  return TRUE_;
}

}  // namespace win
