// Attributes, enumeration, files and folders of the platform layer, on real
// temporary folders.
// These pin the POSIX backend's Windows semantics (drive map, links).
#ifndef _WIN32
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fstream>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "platform/testhooks.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::A;
using orvella::test::TestDir;
namespace fs = std::filesystem;

namespace {

std::vector<std::pair<std::string, DWORD>> List(const std::string& pattern) {
  std::vector<std::pair<std::string, DWORD>> r;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA(pattern.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return r;
  do r.emplace_back(d.cFileName, d.dwFileAttributes);
  while (FindNextFileA(h, &d));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(h));
  return r;
}

DWORD AttributesIn(const std::vector<std::pair<std::string, DWORD>>& list, const std::string& name) {
  for (const auto& [n, a] : list)
    if (n == name) return a;
  return INVALID_FILE_ATTRIBUTES;
}

TEST(Attributes, FoldersFilesHiddenReadOnlyAndLinks) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.mkdir("c/folder");
  t.file("c/file.txt", "abc");
  t.file("c/.hidden", "");
  t.mkdir("c/.hiddenfolder");
  t.file("c/locked.txt", "");
  fs::permissions(t.host("c/locked.txt"), fs::perms::owner_read | fs::perms::group_read);
  t.symlink("c/toFolder", "c/folder");
  fs::create_symlink(t.host("c/file.txt"), t.host("c/toFile"));
  fs::create_directory_symlink(t.host("c/gone"), t.host("c/toNothing"));

  EXPECT_EQ(GetFileAttributesA("C:\\folder"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:\\file.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("C:\\.hidden"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesA("C:\\.hiddenfolder"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesA("C:\\locked.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesA("C:\\toFolder"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesA("C:\\toFile"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  // A junction whose target has gone is still a folder.
  EXPECT_EQ(GetFileAttributesA("C:\\toNothing"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesW(u"C:\\toNothing"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  // Through a link, the target's own entries are reached.
  t.file("c/folder/inside.txt");
  EXPECT_EQ(GetFileAttributesA("C:\\toFolder\\inside.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("C:\\toNothing\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  // Enumeration gives the same attributes.
  const auto list = List("C:\\*.*");
  EXPECT_EQ(AttributesIn(list, "toFolder"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(AttributesIn(list, "toFile"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(AttributesIn(list, "toNothing"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(AttributesIn(list, ".hidden") & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(AttributesIn(list, "folder"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Enumeration, DotEntriesFirstThenEveryEntryInHostOrder) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.mkdir("c/dir/sub");
  t.file("c/dir/a.txt");
  t.file("c/dir/noext");
  t.file("c/dir/B.DAT");
  const auto list = List("C:\\dir\\*.*");
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0].first, ".");
  EXPECT_EQ(list[1].first, "..");
  EXPECT_EQ(list[0].second, FILE_ATTRIBUTE_DIRECTORY);
  // The rest in the order the host file system gives them.
  std::vector<std::string> host;
  for (const auto& e : fs::directory_iterator(t.host("c/dir"))) host.push_back(e.path().filename().string());
  std::vector<std::string> listed;
  for (size_t i = 2; i < list.size(); ++i) listed.push_back(list[i].first);
  EXPECT_EQ(listed, host);
  // The root of a drive has no dot entries.
  EXPECT_EQ(AttributesIn(List("C:\\*.*"), "."), INVALID_FILE_ATTRIBUTES);
  // Patterns, without regard to case; "*.*" and ".*" take names without a dot.
  auto names = [](const std::vector<std::pair<std::string, DWORD>>& l) {
    std::set<std::string> s;
    for (const auto& e : l) s.insert(e.first);
    return s;
  };
  EXPECT_EQ(names(List("C:\\dir\\*.txt")), (std::set<std::string>{"a.txt"}));
  EXPECT_EQ(names(List("C:\\dir\\*.dat")), (std::set<std::string>{"B.DAT"}));
  EXPECT_EQ(names(List("C:\\dir\\?.t*")), (std::set<std::string>{"a.txt"}));
  EXPECT_EQ(names(List("C:\\dir\\noext.*")), (std::set<std::string>{"noext"}));
  EXPECT_EQ(names(List("C:\\dir\\*")).size(), 6u);
  // A single name is looked up as it stands, and reports its real spelling.
  EXPECT_EQ(names(List("C:\\dir\\b.dat")), (std::set<std::string>{"B.DAT"}));
}

TEST(Enumeration, ErrorsAsWindowsSetsThem) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/dir/file.txt");
  WIN32_FIND_DATAA d;
  EXPECT_EQ(FindFirstFileA("C:\\dir\\*.none", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\missing\\*.*", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\dir\\missing.txt", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\missing\\file.txt", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\dir\\file.txt\\*.*", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(FindNextFileA(reinterpret_cast<HANDLE>(4000), &d));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  // A search handle is not a file handle.
  HANDLE h = FindFirstFileA("C:\\dir\\*.*", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));
}

TEST(Enumeration, LargeFoldersLinksAndOtherSpellingsListTheSame) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  // More entries than one read of the folder brings.
  std::multiset<std::string> made;
  for (int i = 0; i < 1500; ++i) {
    const std::string name = "entry number " + std::to_string(i) + " of many.txt";
    t.file("c/Big/" + name);
    made.insert(name);
  }
  t.symlink("c/Link", "c/Big");
  for (const char* pattern : {"C:\\Big\\*.*", "C:\\bIG\\*", "C:\\Link\\*.*"}) {
    const auto list = List(pattern);
    std::multiset<std::string> names;
    for (size_t i = 2; i < list.size(); ++i) names.insert(list[i].first);
    EXPECT_EQ(names, made) << pattern;
  }
  // The "." entry gives the times of the folder listed, with every mask
  // that meets ".": through a link, of the folder it leads to (the link is
  // newer), as Windows gives a junction's.
  fs::last_write_time(t.host("c/Big"), fs::file_time_type::clock::now() - std::chrono::hours(30));
  for (const char* folder : {"C:\\Big", "C:\\Link"})
    for (const char* mask : {"\\*.*", "\\*", "\\.*"}) {
      WIN32_FIND_DATAA d;
      HANDLE h = FindFirstFileA((std::string(folder) + mask).c_str(), &d);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      FindClose(h);
      WIN32_FILE_ATTRIBUTE_DATA data;
      ASSERT_TRUE(GetFileAttributesExA("C:\\Big", GetFileExInfoStandard, &data));
      EXPECT_STREQ(d.cFileName, ".");
      EXPECT_EQ(d.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime) << folder << mask;
      EXPECT_EQ(d.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime) << folder << mask;
    }
}

TEST(Names, AnsiNamesAreTheHostsUtf8Names) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  const std::string name = A("Scène été œuvre €.txt");
  HANDLE h = CreateFileA(("C:\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_TRUE(fs::exists(t.host("c/Scène été œuvre €.txt")));
  EXPECT_EQ(List("C:\\*.*").at(0).first, name);
  // Every script the host holds is listed and reached as it is.
  t.mkdir("c/RJTT 東京国際空港");
  t.mkdir("c/EPGD Gdańsk Lech Wałęsa");
  t.mkdir("c/Lie\xCC\x80ge");  // decomposed: e + combining grave
  const auto list = List("C:\\*.*");
  for (const char* n : {"RJTT 東京国際空港", "EPGD Gdańsk Lech Wałęsa", "Lie\xCC\x80ge"}) {
    EXPECT_EQ(AttributesIn(list, n), FILE_ATTRIBUTE_DIRECTORY) << n;
    EXPECT_EQ(GetFileAttributesA((std::string("C:\\") + n).c_str()), FILE_ATTRIBUTE_DIRECTORY) << n;
  }
  // Without regard to case, beyond A-Z.
  EXPECT_EQ(GetFileAttributesA("C:\\epgd GDAŃSK lech WAŁĘSA"), FILE_ATTRIBUTE_DIRECTORY);
  // A host name that is not UTF-8 has no ANSI form: '?' for each broken byte,
  // which no Windows name can hold.
  std::ofstream((t.host("c").string() + "/Caf\xE9.txt").c_str()).put('x');
  EXPECT_NE(AttributesIn(List("C:\\*.*"), "Caf?.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("C:\\Caf?.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST(Names, LengthLimitsCountCharactersNotBytes) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  // 80 Japanese characters: 240 bytes, well inside MAX_PATH as Windows counts.
  std::string name;
  for (int i = 0; i < 80; ++i) name += "東";
  t.mkdir("c/" + name);
  EXPECT_EQ(GetFileAttributesA(("C:\\" + name).c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(AttributesIn(List(("C:\\" + name.substr(0, 3) + "*").c_str()), name), FILE_ATTRIBUTE_DIRECTORY);
  // 260 characters are too many, whatever their bytes.
  std::string tooLong = "C:\\";
  for (int i = 0; i < 260; ++i) tooLong += "é";
  EXPECT_EQ(GetFileAttributesA(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(Names, TrailingDotsAndBlanksThatTheHostHolds) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.mkdir("c/KSEA.");
  t.mkdir("c/LFPG ");
  t.mkdir("c/EDDF");
  // The name as it stands on disk is found as it is...
  EXPECT_EQ(GetFileAttributesA("C:\\KSEA."), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:\\LFPG "), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:\\KSEA"), INVALID_FILE_ATTRIBUTES);
  char full[MAX_PATH];
  ASSERT_GT(GetFullPathNameA("C:\\KSEA.", MAX_PATH, full, nullptr), 0u);
  EXPECT_STREQ(full, "C:\\KSEA.");
  // ...while a name written with dots the disk does not hold still means the
  // trimmed one, as on Windows.
  EXPECT_EQ(GetFileAttributesA("C:\\EDDF.."), FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_GT(GetFullPathNameA("C:\\EDDF. ", MAX_PATH, full, nullptr), 0u);
  EXPECT_STREQ(full, "C:\\EDDF");
  // A new folder gets the name as written, and goes again by it.
  EXPECT_TRUE(CreateDirectoryA("C:\\LOWI.", nullptr));
  EXPECT_TRUE(fs::is_directory(t.host("c/LOWI.")));
  EXPECT_FALSE(fs::exists(t.host("c/LOWI")));
  EXPECT_TRUE(RemoveDirectoryA("C:\\LOWI."));
  EXPECT_FALSE(fs::exists(t.host("c/LOWI.")));
}

TEST(Files, CreateReadWriteAndTheirDispositions) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  HANDLE h = CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
  EXPECT_EQ(n, 5u);
  EXPECT_TRUE(FlushFileBuffers(h));
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(h, &high), 5u);
  EXPECT_EQ(high, 0u);
  char buf[8];
  EXPECT_FALSE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // opened for writing only
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(t.read("c/new.txt"), "hello");

  EXPECT_EQ(CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  h = CreateFileA("C:\\NEW.TXT", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "hello");
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // at the end: success, nothing read
  EXPECT_EQ(n, 0u);
  // The file is shared for reading only: a writer is refused meanwhile.
  EXPECT_EQ(CreateFileA("C:\\new.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA("C:\\new.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(h);

  h = CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  // Held without sharing: not even a reader by its exact name gets in.
  EXPECT_EQ(
      CreateFileA("C:\\new.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(h);
  EXPECT_EQ(CreateFileA("C:\\absent.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileA("C:\\absent\\x.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  // Folders open only with backup semantics.
  t.mkdir("c/dir");
  EXPECT_EQ(CreateFileA("C:\\dir", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  h = CreateFileA("C:\\dir", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // A read-only file is not opened for writing, nor deleted.
  t.file("c/ro.txt", "keep");
  fs::permissions(t.host("c/ro.txt"), fs::perms::owner_read);
  EXPECT_EQ(CreateFileA("C:\\ro.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileA("C:\\ro.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(t.read("c/ro.txt"), "keep");
}

TEST(Files, InjectedWriteFailureAfterABudget) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  HANDLE h = CreateFileA("C:\\settings.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  platform::InjectWriteFailureAfter(8, ERROR_DISK_FULL);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "12345", 5, &n, nullptr));
  EXPECT_FALSE(WriteFile(h, "67890", 5, &n, nullptr));  // 3 of 5 fit
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(n, 3u);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));  // the disk stays full
  EXPECT_EQ(n, 0u);
  platform::InjectWriteFailureAfter(~0ull, 0);
  EXPECT_TRUE(WriteFile(h, "!", 1, &n, nullptr));
  CloseHandle(h);
  EXPECT_EQ(t.read("c/settings.ini"), "12345678!");
}

TEST(Files, MoveCopyAndDelete) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/a.txt", "A");
  t.file("c/b.txt", "B");
  EXPECT_FALSE(MoveFileExA("C:\\a.txt", "C:\\b.txt", 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileExA("C:\\a.txt", "C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(t.read("c/b.txt"), "A");
  EXPECT_FALSE(t.exists("c/a.txt"));
  // A change of letter case only renames.
  EXPECT_TRUE(MoveFileExA("C:\\b.txt", "C:\\B.txt", 0));
  EXPECT_TRUE(t.exists("c/B.txt"));
  EXPECT_FALSE(t.exists("c/b.txt"));
  // Folders move too.
  t.mkdir("c/scene/Earth nav data");
  t.mkdir("c/lib");
  EXPECT_TRUE(MoveFileExA("C:\\scene", "C:\\lib\\scene", 0));
  EXPECT_TRUE(fs::is_directory(t.host("c/lib/scene/Earth nav data")));
  EXPECT_FALSE(MoveFileExA("C:\\none", "C:\\x", 0));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_TRUE(CopyFileA("C:\\B.txt", "C:\\copy.txt", TRUE_));
  EXPECT_EQ(t.read("c/copy.txt"), "A");
  EXPECT_FALSE(CopyFileA("C:\\B.txt", "C:\\copy.txt", TRUE_));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(CopyFileA("C:\\lib", "C:\\lib2", FALSE_));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  EXPECT_TRUE(DeleteFileA("C:\\copy.txt"));
  EXPECT_FALSE(t.exists("c/copy.txt"));
  EXPECT_FALSE(DeleteFileA("C:\\copy.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileA("C:\\lib"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Folders, CreateAndRemoveWithTheirErrors) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  EXPECT_TRUE(CreateDirectoryA("C:\\new", nullptr));
  EXPECT_FALSE(CreateDirectoryA("C:\\NEW", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryW(u"C:\\a\\b", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryW(u"C:\\new\\\u00e9t\u00e9", nullptr));
  EXPECT_TRUE(fs::is_directory(t.host("c/new/été")));

  EXPECT_FALSE(RemoveDirectoryA("C:\\new"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\new\\\u00c9T\u00c9"));
  EXPECT_TRUE(RemoveDirectoryA("C:\\new\\"));
  EXPECT_FALSE(t.exists("c/new"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\new"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  t.file("c/file.txt");
  EXPECT_FALSE(RemoveDirectoryA("C:\\file.txt"));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  EXPECT_TRUE(t.exists("c/file.txt"));
}

TEST(Folders, RemovingALinkLeavesItsTargetAlone) {
  TestDir t;
  t.mapDrives({{'C', "c"}, {'E', "e"}});
  t.file("e/Scenes/KSEA/Earth nav data/apt.dat", "data");
  t.symlink("c/Custom Scenery/KSEA", "e/Scenes/KSEA");
  ASSERT_NE(GetFileAttributesA("C:\\Custom Scenery\\KSEA\\Earth nav data\\apt.dat"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(RemoveDirectoryA("C:\\Custom Scenery\\KSEA"));
  EXPECT_FALSE(t.exists("c/Custom Scenery/KSEA"));
  EXPECT_EQ(t.read("e/Scenes/KSEA/Earth nav data/apt.dat"), "data");
  // A link whose target is gone is removed the same way.
  fs::create_directory_symlink(t.host("e/gone"), t.host("c/Custom Scenery/Old"));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Custom Scenery\\Old"));
  EXPECT_FALSE(t.exists("c/Custom Scenery/Old"));
}

TEST(Folders, CaseSensitiveFoldersAndExactNames) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/file.txt");
  t.mkdir("c/egll");
  // This volume tells case apart: a folder says so, a file says nothing.
  const auto caseInfo = [](const char* path, DWORD& flags) {
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILE_CASE_SENSITIVE_INFO info;
    const BOOL ok = GetFileInformationByHandleEx(h, FileCaseSensitiveInfo, &info, sizeof info);
    flags = info.Flags;
    CloseHandle(h);
    return ok;
  };
  DWORD flags = 0;
  ASSERT_TRUE(caseInfo("C:\\", flags));
  EXPECT_EQ(flags, FILE_CS_FLAG_CASE_SENSITIVE_DIR);
  ASSERT_TRUE(caseInfo("C:\\file.txt", flags));
  EXPECT_EQ(flags, 0u);
  FILE_CASE_SENSITIVE_INFO info;
  EXPECT_FALSE(GetFileInformationByHandleEx(INVALID_HANDLE_VALUE, FileCaseSensitiveInfo, &info, sizeof info));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // Names are matched without regard to case, but with POSIX semantics only
  // as written: a folder EGLL is made beside egll and opened.
  const DWORD exact = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_POSIX_SEMANTICS;
  EXPECT_NE(GetFileAttributesA("C:\\EGLL"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(CreateFileA("C:\\EGLL", 0, 0, nullptr, OPEN_EXISTING, exact, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  HANDLE made =
      CreateFileA("C:\\EGLL", GENERIC_WRITE, 0, nullptr, CREATE_NEW, exact | FILE_ATTRIBUTE_DIRECTORY, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(made));
  EXPECT_TRUE(fs::is_directory(t.host("c/EGLL")));
  EXPECT_TRUE(fs::is_directory(t.host("c/egll")));
  EXPECT_EQ(CreateFileA("C:\\EGLL", 0, 0, nullptr, CREATE_NEW, exact | FILE_ATTRIBUTE_DIRECTORY, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

}  // namespace

#endif  // !_WIN32

#ifndef _WIN32
namespace {
TEST(FilePointer, MovesFromEachOriginAndRefusesBeforeTheStart) {
  TestDir dir;
  const std::string path = dir.file("f.bin", "0123456789");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::int64_t at = -1;
  char c = 0;
  DWORD got = 0;
  ASSERT_TRUE(SetFilePointerEx(h, 7, &at, FILE_BEGIN));
  EXPECT_EQ(at, 7);
  ASSERT_TRUE(ReadFile(h, &c, 1, &got, nullptr));
  EXPECT_EQ(c, '7');
  ASSERT_TRUE(SetFilePointerEx(h, -3, &at, FILE_CURRENT));
  EXPECT_EQ(at, 5);
  ASSERT_TRUE(SetFilePointerEx(h, -1, &at, FILE_END));
  EXPECT_EQ(at, 9);
  ASSERT_TRUE(ReadFile(h, &c, 1, &got, nullptr));
  EXPECT_EQ(c, '9');
  // Past the end is allowed (reads give nothing); before the start is not.
  ASSERT_TRUE(SetFilePointerEx(h, 100, nullptr, FILE_END));
  ASSERT_TRUE(ReadFile(h, &c, 1, &got, nullptr));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(SetFilePointerEx(h, -1, &at, FILE_BEGIN));
  EXPECT_EQ(GetLastError(), 131u);
  EXPECT_FALSE(SetFilePointerEx(h, 0, &at, 7));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(SetFilePointerEx(h, 0, &at, FILE_BEGIN));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
}  // namespace
#endif

#ifndef _WIN32
namespace {
// Where an open file is, after every link on the way, in drive terms: the
// longest drive that reaches it names it.
TEST(Files, FinalPathFollowsLinksThroughTheDriveMap) {
  TestDir t;
  t.mapDrives({{'C', "c"}, {'D', "d"}});
  t.file("d/orders/summer.ini", "x");
  t.file("elsewhere/other.ini", "x");
  t.symlink("c/scenery_packs.ini", "d/orders/summer.ini");
  t.symlink("c/linked", "d/orders");
  t.symlink("c/out.ini", "elsewhere/other.ini");
  const std::string summer = "\\\\?\\D:\\orders\\summer.ini";
  std::string other = "\\\\?\\Z:" + t.host("elsewhere/other.ini").string();
  std::replace(other.begin(), other.end(), '/', '\\');
  const std::pair<const char*, std::string> cases[] = {{"C:\\scenery_packs.ini", summer},
                                                       {"C:\\LINKED\\summer.ini", summer},
                                                       {"D:\\orders\\summer.ini", summer},
                                                       {"C:\\out.ini", other}};
  for (const auto& [path, want] : cases) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    char small[8];
    EXPECT_EQ(GetFinalPathNameByHandleA(h, small, sizeof small, FILE_NAME_NORMALIZED), want.size() + 1) << path;
    char buffer[MAX_PATH];
    ASSERT_EQ(GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED), want.size()) << path;
    EXPECT_EQ(std::string(buffer), want);
    CloseHandle(h);
    EXPECT_EQ(GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST(AttributesEx, TimesSizesAndTheLinkItself) {
  TestDir dir;
  const std::string f = dir.file("a.txt", "12345");
  const std::string d = dir.mkdir("sub");
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(f.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA(f.c_str()));
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  // The same times a search gives.
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(f.c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwLowDateTime);
  ASSERT_TRUE(GetFileAttributesExA(d.c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  // A link answers for itself.
  dir.symlink("link", "sub");
  ASSERT_TRUE(GetFileAttributesExA(dir.win("link").c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  // An open file answers what was opened: its path's time and size; through
  // a link, its target's, not the link's own.
  ASSERT_TRUE(GetFileAttributesExA(f.c_str(), GetFileExInfoStandard, &data));
  dir.symlink("file link", "a.txt");
  for (const std::string& path : {f, dir.win("file link")}) {
    h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.dwFileAttributes, data.dwFileAttributes) << path;
    EXPECT_EQ(info.nFileSizeLow, 5u);
    EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(info.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime);
    CloseHandle(h);
    EXPECT_FALSE(GetFileInformationByHandle(h, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  // Missing paths and bad levels.
  EXPECT_FALSE(GetFileAttributesExA(dir.win("none.txt").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(GetFileAttributesExA(dir.win("none\\x.txt").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(GetFileAttributesExA(f.c_str(), 1, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
}  // namespace
#endif
