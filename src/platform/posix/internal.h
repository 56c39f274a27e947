// Shared pieces of the POSIX backend: the last-error slot, errno mapping,
// the drive map and the resolution of Windows paths to host paths.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi.h"

namespace platform::posix {

using win::DWORD;

// Sets the calling thread's last error.
void SetError(DWORD code);
// The Win32 code for an errno value, as NTFS would report the same failure.
DWORD Win32FromErrno(int e);
inline void SetErrno(int e) { SetError(Win32FromErrno(e)); }

// A Windows path made absolute and normal, in UTF-8: "C:\a\b", "C:\" or
// "\\server\share\a". Components are split out for the resolver.
struct WinPath {
  char drive = 0;  // 'A'..'Z'; 0 for a UNC path
  std::vector<std::string> parts;
  bool trailingSeparator = false;
  // The last component as written when Windows rules dropped trailing dots
  // or blanks from it (empty otherwise): the host file system can hold such
  // a name, and the resolver takes it when it exists or is being made.
  std::string writtenLast;
  // The last component names the entry of exactly that spelling, never one
  // differing from it in case (FILE_FLAG_POSIX_SEMANTICS).
  bool exactLast = false;
  // The exact host path is already known not to exist (see ExactHost):
  // Resolve goes straight to the lookup without regard to case.
  bool exactMissing = false;
};

// The full form of a path the way GetFullPathName builds it: relative paths
// against the current directory, "\x" against the current drive, "/" taken
// as "\", doubled separators, "." and ".." removed, trailing dots and blanks
// of the last component dropped; a trailing separator is kept. The text is
// UTF-8, the ANSI code page of this backend. `writtenLast` receives the last
// component as written when dots or blanks were dropped from it (else it is
// cleared). False with the last error set when the path is empty or the
// current directory is unknown.
bool FullPathText(std::string_view path, std::string& full, std::string* writtenLast = nullptr);

// Parses a path (UTF-8) into its normal form. `wildcardsInLast` lets the
// last component hold * and ? (search patterns). False with the last error
// set: invalid characters (123), too long (206), a UNC or device path (53).
bool ParsePath(std::string_view utf8, WinPath& out, bool wildcardsInLast = false, size_t maxLength = win::MAX_PATH - 1);

// Host folder of a drive letter, or empty when the drive is not mapped.
std::string DriveFolder(char drive);

// The host path a parsed path names when each component exists as written
// (the drive's folder and the components); empty when the drive is not mapped.
std::string ExactHostPath(const WinPath& path);

// What a Windows path names on the host.
struct Resolved {
  std::string host;        // host path (UTF-8); existing components carry their on-disk names
  std::string parentHost;  // host path of the parent folder
  bool exists = false;     // the last component exists (lstat succeeded)
  bool parentExists = false;
  struct stat st {};               // lstat of the path when it exists
  DWORD missing = 0;               // when !exists: ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND (or another reason)
  bool isRoot = false;             // the path is the root of its drive
  bool trailingSeparator = false;  // the path was written with a final "\"
  std::string name;                // last component as written (empty for a root)
};
// Resolves a parsed path: the exact host path first (the fast path), then,
// when it does not exist, each missing component looked up without regard
// to case in its folder, as Windows names are case-insensitive. A last
// component written with trailing dots or blanks names the entry of that
// very name when it exists, else the trimmed one when that exists (as
// Windows reads it), else the name as written (to be made). False with the
// last error set only when the drive is not mapped (3).
bool Resolve(const WinPath& path, Resolved& out);
// The host path of a path already in full form ("X:\\a\\b": see
// FullPathText) whose names are all valid and whose drive is mapped, without
// splitting it; empty for any other path, which needs ParsePath.
std::string ExactHost(std::string_view path, size_t maxLength = win::MAX_PATH - 1);
// Parse + resolve from an ANSI (UTF-8) or a UTF-16 path.
bool ResolveAnsi(const char* path, Resolved& out, size_t maxLength = win::MAX_PATH - 1, bool exactLast = false);
// The first step of ResolveAnsi on its own, for callers that need no more
// than the status of a path that exists as written (most do): Found with
// host and st set; Missing when the exact host path does not exist;
// Unknown when the path is not in full form (or cannot be looked at so).
enum class ExactStatus { Found, Missing, Unknown };
ExactStatus StatExact(const char* path, std::string& host, struct stat& st, size_t maxLength = win::MAX_PATH - 1);
// The rest of ResolveAnsi after StatExact did not find the path.
bool ResolveAnsiAfter(const char* path, Resolved& out, ExactStatus exact, size_t maxLength = win::MAX_PATH - 1,
                      bool exactLast = false);
bool ResolveWide(const char16_t* path, Resolved& out, size_t maxLength = win::MAX_PATH - 1, bool exactLast = false);

// The Windows path (UTF-8) of a host path, through the drive map; empty
// when no drive reaches it.
std::string WindowsFromHost(std::string_view hostUtf8);
// Host path of the current directory, or empty.
std::string HostCurrentDirectory();

// Attributes of an entry from its lstat result and on-disk name; a link's
// target is looked at through hostPath.
DWORD AttributesOf(const struct stat& st, std::string_view name, const std::string& hostPath);

// Windows file time of a POSIX time.
win::FILETIME FileTimeOf(const struct timespec& ts);
// The times and size of a status into the fields Windows gives them in
// (find data, attribute data, an open file's information); a folder's and a
// link's size stay 0.
template <class Fields>
void FillFromStat(const struct stat& st, Fields& d) {
  if (!S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    d.nFileSizeHigh = static_cast<win::DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<win::DWORD>(size & 0xFFFFFFFFu);
  }
  d.ftCreationTime = FileTimeOf(st.st_ctim);
  d.ftLastAccessTime = FileTimeOf(st.st_atim);
  d.ftLastWriteTime = FileTimeOf(st.st_mtim);
}

// Whether the host file system holding `hostFolder` can carry symbolic
// links (and so the program's junctions).
bool CanHoldLinks(const std::string& hostFolder);

// Whether names differing only in case can stand side by side in the host
// folder open as fd: not on FAT, exFAT and SMB volumes, nor in a folder of
// a case-folding file system (ext4's and f2fs's casefold attribute).
bool FolderTellsCaseApart(int fd);

// Whether the volume holding `hostPath` is mounted read-only.
bool ReadOnlyVolume(const std::string& hostPath);

// Whether a resolved entry is a folder or a link to one (a dangling link
// counts: it stands where a junction would).
inline bool IsFolderLike(const Resolved& r) {
  if (S_ISDIR(r.st.st_mode)) return true;
  if (!S_ISLNK(r.st.st_mode)) return false;
  struct stat st;
  return ::stat(r.host.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
}

// Whether a regular file carries no write permission (the read-only attribute).
inline bool ReadOnlyFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
}

}  // namespace platform::posix
