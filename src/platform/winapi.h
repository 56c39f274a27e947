// The platform layer: the system operations Orvella uses, under their Windows
// names and with the Windows contract (arguments, results, last-error codes).
//
// Everything above this header speaks Windows: 8-bit paths in the ANSI code
// page with drive letters and backslashes, junctions as links, Win32 error
// codes. Below it there are two backends: win32/ (the real calls) and posix/
// (Windows semantics on a Unix file system, the way Wine presents one).
//
// The types are the layer's own so that no <windows.h> leaks into the logic.
// Wide strings are UTF-16 in char16_t units on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using HANDLE = void*;
using WCHAR = char16_t;
using INT_PTR = std::intptr_t;

inline constexpr BOOL TRUE_ = 1;
inline constexpr BOOL FALSE_ = 0;

// The system's own definition: the pointer whose value is -1.
// NOLINTNEXTLINE(misc-misplaced-const,performance-no-int-to-ptr)
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// File attributes.
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x00000004;
inline constexpr DWORD FILE_ATTRIBUTE_VOLUME_LABEL = 0x00000008;  // faVolumeID
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
// Set beside ARCHIVE for what is neither folder nor regular file (a FIFO, a
// device, a socket): opening such a name to read it may block.
inline constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x00000040;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x00000400;

// CreateFile.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD FILE_SHARE_DELETE = 0x00000004;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
inline constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
inline constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;
inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;
// Names are taken as written, never matched to an entry of another letter case,
// where the folder tells case apart. With FILE_FLAG_BACKUP_SEMANTICS and the
// attribute FILE_ATTRIBUTE_DIRECTORY, a new entry is made as a folder.
inline constexpr DWORD FILE_FLAG_POSIX_SEMANTICS = 0x01000000;

// MoveFileEx.
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x00000002;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

// Junctions.
inline constexpr DWORD FSCTL_SET_REPARSE_POINT = 0x000900A4;
inline constexpr DWORD IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003u;
inline constexpr DWORD FILE_SUPPORTS_REPARSE_POINTS = 0x00000080;
// Other file-system flags of GetVolumeInformationA.
inline constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
inline constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
inline constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
inline constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;
inline constexpr DWORD MAX_PATH = 260;

// Code pages.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;
// MultiByteToWideChar: fail on a broken sequence instead of replacing it.
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

// ShellExecute.
inline constexpr int SW_SHOWNORMAL = 1;

// Win32 error codes used by the program and its backends.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_BAD_FORMAT = 11;
inline constexpr DWORD ERROR_BAD_LENGTH = 24;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
inline constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_BAD_NETPATH = 53;
inline constexpr DWORD ERROR_BAD_NET_NAME = 67;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_BROKEN_PIPE = 109;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_DIR_NOT_ROOT = 144;
inline constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
inline constexpr DWORD ERROR_BAD_PATHNAME = 161;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
inline constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;
inline constexpr DWORD ERROR_NOT_A_REPARSE_POINT = 4390;
inline constexpr DWORD ERROR_REPARSE_ATTRIBUTE_CONFLICT = 4391;
inline constexpr DWORD ERROR_INVALID_REPARSE_DATA = 4392;
inline constexpr DWORD ERROR_REPARSE_TAG_INVALID = 4393;
inline constexpr DWORD ERROR_REPARSE_TAG_MISMATCH = 4394;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD dwReserved0 = 0;
  DWORD dwReserved1 = 0;
  char cFileName[MAX_PATH] = {};
  char cAlternateFileName[14] = {};
};

// What GetFileAttributesExA answers (GetFileExInfoStandard).
struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
};
inline constexpr int GetFileExInfoStandard = 0;

// --- Errors -----------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD code);
// The system's text for an error code, in the ANSI code page, without the
// trailing line break (FormatMessageA with FORMAT_MESSAGE_FROM_SYSTEM). Empty
// when the system has no text for the code.
std::string FormatMessageA(DWORD code);

// --- Attributes and enumeration ---------------------------------------------
DWORD GetFileAttributesA(const char* path);
DWORD GetFileAttributesW(const WCHAR* path);
// Attributes, times and size of a path (of a link itself, not its target).
BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data);
// Only FILE_ATTRIBUTE_READONLY is honoured by the POSIX backend: it takes the
// write permission away from everyone, and its absence gives it back to the
// owner. A link is never changed.
BOOL SetFileAttributesA(const char* path, DWORD attributes);
// The "." entry of a folder's listing carries that folder's times, taken as
// the search opens it; through a link, those of the folder it leads to.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
// FindFirstFileExA by name (FindExSearchNameMatch, no filter); without
// flags, FindFirstFileA. FIND_FIRST_EX_CASE_SENSITIVE: the POSIX backend
// takes every component as spelled, as the host's own programs open a path
// (one lookup, no folder read); it takes a single name there, a pattern
// with a wildcard fails with ERROR_INVALID_PARAMETER.
inline constexpr int FindExInfoStandard = 0;
inline constexpr int FindExInfoBasic = 1;
inline constexpr int FindExSearchNameMatch = 0;
inline constexpr DWORD FIND_FIRST_EX_CASE_SENSITIVE = 1;
HANDLE FindFirstFileExA(const char* pattern, int infoLevel, WIN32_FIND_DATAA* data, int searchOp, void* filter,
                        DWORD flags);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

// --- Folders and files ------------------------------------------------------
BOOL CreateDirectoryA(const char* path, void* securityAttributes);
BOOL CreateDirectoryW(const WCHAR* path, void* securityAttributes);
BOOL RemoveDirectoryA(const char* path);
BOOL RemoveDirectoryW(const WCHAR* path);
BOOL DeleteFileA(const char* path);
BOOL MoveFileExA(const char* existing, const char* replacement, DWORD flags);
BOOL CopyFileA(const char* existing, const char* target, BOOL failIfExists);

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* securityAttributes, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD share, void* securityAttributes, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
BOOL FlushFileBuffers(HANDLE file);
// Size of an open file; INVALID_FILE_SIZE (0xFFFFFFFF) with GetLastError on failure.
DWORD GetFileSize(HANDLE file, DWORD* high);
// What an open handle stands for: a file or folder of a disk, a character
// device, or a pipe (FILE_TYPE_UNKNOWN with GetLastError on failure). The
// POSIX backend answers FILE_TYPE_CHAR for devices and FILE_TYPE_PIPE for
// named pipes and sockets.
inline constexpr DWORD FILE_TYPE_UNKNOWN = 0;
inline constexpr DWORD FILE_TYPE_DISK = 1;
inline constexpr DWORD FILE_TYPE_CHAR = 2;
inline constexpr DWORD FILE_TYPE_PIPE = 3;
DWORD GetFileType(HANDLE file);
// Moves the file pointer of an open file; method FILE_BEGIN, FILE_CURRENT or
// FILE_END. newPosition (may be null) receives the new position.
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::int64_t* newPosition, DWORD method);
BOOL CloseHandle(HANDLE handle);

// What GetFileInformationByHandle answers of an open file or folder: what
// the handle opened, never a link's own status.
struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber = 0;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD nNumberOfLinks = 0;
  DWORD nFileIndexHigh = 0;
  DWORD nFileIndexLow = 0;
};
// The POSIX backend answers the first query of a file opened only to be
// read, asked before any read through it, or of a file or folder opened with
// no access, with the status it took as it opened it (what a query at that
// moment would have answered).
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);

// GetFileInformationByHandleEx, FileCaseSensitiveInfo only: whether the open
// folder tells names apart by case (FILE_CS_FLAG_CASE_SENSITIVE_DIR), so that
// names differing only in case can stand side by side in it.
inline constexpr int FileCaseSensitiveInfo = 23;
inline constexpr DWORD FILE_CS_FLAG_CASE_SENSITIVE_DIR = 0x00000001;
struct FILE_CASE_SENSITIVE_INFO {
  DWORD Flags = 0;
};
BOOL GetFileInformationByHandleEx(HANDLE file, int infoClass, void* info, DWORD size);

// The full path of the file an open handle names, after every link on the
// way ("\\?\C:\..."): FILE_NAME_NORMALIZED with VOLUME_NAME_DOS (flags 0)
// only. Answers its length without the terminating zero; when size cannot
// hold it with its zero, the size it needs with the zero (so documented;
// Wine's ANSI call answers the length without it: callers take either,
// asking again with more room until the answer is below size); 0 on failure. The POSIX backend
// answers the host path the open file has now, through the drive map
// (ERROR_PATH_NOT_FOUND when no drive reaches it).
inline constexpr DWORD FILE_NAME_NORMALIZED = 0x0;
inline constexpr DWORD VOLUME_NAME_DOS = 0x0;
DWORD GetFinalPathNameByHandleA(HANDLE file, char* path, DWORD size, DWORD flags);

DWORD GetFullPathNameA(const char* name, DWORD bufferLength, char* buffer, char** filePart);
DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer);
BOOL SetCurrentDirectoryA(const char* path);

BOOL GetVolumeInformationA(const char* root, char* volumeName, DWORD volumeNameSize, DWORD* serial,
                           DWORD* maxComponentLength, DWORD* fileSystemFlags, char* fileSystemName,
                           DWORD fileSystemNameSize);

// --- Code pages --------------------------------------------------------------
// The ANSI code page: the system's on Windows; UTF-8 (65001) on the POSIX
// backend, as on a Windows system running with the UTF-8 code page, so that
// every name the host file system holds round-trips. Code page 1252 stays
// available by its number.
UINT GetACP();
// The language of the user's interface as a language identifier (primary
// language in the low ten bits: 0x07 German, 0x09 English, 0x0C French). The
// POSIX backend answers the language of the locale's messages (LC_ALL, else
// LC_MESSAGES, else LANG), and 0 (neutral) for C, POSIX or none set.
WORD GetUserDefaultUILanguage();
// A source length of -1 means "up to and including the terminating zero".
// A destination length of 0 asks for the size needed.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLength, WCHAR* dst, int dstLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* src, int srcLength, char* dst, int dstLength,
                        const char* defaultChar, BOOL* usedDefaultChar);

// --- Comparisons ---------------------------------------------------------------
// lstrcmpA: the user locale's word sort, case-sensitive. lstrcmpiA: the same
// without regard to case. Both answer <0, 0 or >0.
int lstrcmpA(const char* a, const char* b);
int lstrcmpiA(const char* a, const char* b);

// --- Shell, profile, time -------------------------------------------------------
// Answers a value above 32 on success, a Windows failure code (0..32) otherwise.
INT_PTR ShellExecuteA(HANDLE hwnd, const char* operation, const char* file, const char* parameters,
                      const char* directory, int showCommand);
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* returned,
                               DWORD size, const char* fileName);
void Sleep(DWORD milliseconds);

}  // namespace win

// Operations of the layer that have no single Windows call behind them.
namespace platform {

// Full path of the running executable, in the ANSI code page.
std::string ExecutablePath();

// Text read from a file that may come from elsewhere (the settings file, the
// language file, the 8-bit fields of a shortcut), in the ANSI code page.
// Where that code page is UTF-8, bytes that are not valid UTF-8 were written
// by an earlier version or on a Windows machine and are read as
// Windows-1252; `legacy` then tells that they were. Elsewhere the bytes are
// the system's own and come back unchanged.
std::string AnsiFromFileBytes(std::string_view bytes, bool* legacy = nullptr);
// Whether the ANSI code page is UTF-8 (the POSIX backend, or Windows in UTF-8 mode).
bool AnsiIsUtf8();

// The system the program runs on, for the few things that are named
// differently on each (the simulator's own executable, the settings folder).
enum class HostSystem { Windows, Linux, MacOS, OtherUnix };
HostSystem CurrentHostSystem();

// The decimal separator of the user's locale: on Windows the user's regional
// setting (LOCALE_SDECIMAL), elsewhere the C library's numeric locale (which
// Qt takes from the environment). '.' when it is not one ASCII character.
char UserDecimalSeparator();

// The user's folder for program settings, without a final backslash:
// %APPDATA% on Windows; $XDG_CONFIG_HOME (when it is an absolute path) or
// else ~/.config on Unix, as a Windows path through the drive map. Empty
// when the system names none (no home folder) or the drive map cannot reach it.
std::string UserConfigFolder();

// Scene links: the one call that makes a link and the one that removes it;
// each backend makes them its own way. Both answer FALSE with the last error
// set on failure.
//
// MakeDirectoryLink: linkPath (ANSI, no trailing backslash) becomes a link to
// the folder fullTarget (an absolute path, as GetFullPathNameA gives it). A
// missing linkPath is made, an empty folder there becomes the link, a link
// there is pointed anew; a folder with contents (145) and a file (267) are
// refused and kept. Whatever the call made is undone when it fails.
//   Windows: a directory junction, the mount-point buffer of
//   BuildMountPointBuffer (platform/reparsedata.h) set on the folder with
//   FSCTL_SET_REPARSE_POINT.
//   POSIX: a symbolic link; where linkPath and the target lie on one NTFS
//   volume mounted through ntfs-3g, a relative directory symbolic link
//   written as NTFS reparse data, which Windows follows too (dual boot).
// With exactName, linkPath's last component is taken as spelled, never as an
// entry differing from it only in case (FILE_FLAG_POSIX_SEMANTICS), and the
// entry is made new.
win::BOOL MakeDirectoryLink(const std::string& linkPath, const std::string& fullTarget, bool exactName = false);
// Removes the link at linkPath, never what it leads to; an empty folder
// standing there goes too (RemoveDirectory), one with contents is refused.
win::BOOL RemoveDirectoryLink(const std::string& linkPath);

// IShellLinkA::GetPath of a shortcut file (SLGP_UNCPRIORITY), or the empty
// text when the shortcut cannot be read. Thread must have COM initialised on
// Windows (InitializeCom).
std::string ResolveShellLink(const std::string& lnkPath);

// Initialise / release the component object library for this thread (Windows);
// nothing elsewhere.
void InitializeCom();
void UninitializeCom();

// Host paths. On Windows a host path is a Windows path in UTF-16; on POSIX it
// is a UTF-8 path that the drive map turns into a Windows path (longest
// matching prefix). Answers the empty text when no drive reaches the path.
std::string FromHostPath(const std::u16string& hostPath);
// The reverse: a Windows path (ANSI) to a host path (UTF-16). Empty when the
// path names no mapped drive.
std::u16string ToHostPath(const std::string& windowsPath);

// The drive map of the POSIX backend: drive letter -> host folder (UTF-8).
// The default map is Z: = "/". Setting a map replaces the whole map. Ignored
// on Windows.
struct DriveMapping {
  char letter;
  std::string hostFolder;
};
void SetDriveMap(const std::vector<DriveMapping>& map);
std::vector<DriveMapping> GetDriveMap();

#ifdef _WIN32
// The shell's browse-for-folder dialog (SHBrowseForFolderA accepting only
// file-system folders, rooted at the desktop, no initial folder), owned by
// `owner` and titled `title`, with critical-error boxes suppressed while it
// is open; the choice through SHGetPathFromIDListA. Answers the folder, or
// the empty text when the user cancelled. Windows only: elsewhere the user
// interface shows its own picker.
std::string BrowseForFolder(win::HANDLE owner, const std::string& title);
#endif

}  // namespace platform
