// Windows paths on the host: the drive map both ways, the forms Windows
// accepts, full paths and the current directory.
// The drive map and these path rules are the POSIX backend's own.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::TestDir;

namespace {

class CurrentDirectory {
 public:
  CurrentDirectory() : saved_(std::filesystem::current_path()) {}
  ~CurrentDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST(DriveMap, MapsBothWaysWithTheLongestPrefix) {
  TestDir t;
  t.mapDrives({{'C', "c"}, {'D', "c/inner"}});
  t.mkdir("c/inner/x");
  // A host path below both C: and D: belongs to the longer one.
  EXPECT_EQ(platform::FromHostPath(t.host("c/inner/x").u16string()), "D:\\x");
  EXPECT_EQ(platform::FromHostPath(t.host("c").u16string()), "C:\\");
  // A folder whose name only starts like a drive's folder is not below it.
  t.mkdir("c2");
  EXPECT_EQ(platform::FromHostPath(t.host("c2").u16string()).substr(0, 3), "Z:\\");
  EXPECT_EQ(platform::ToHostPath("D:\\x"), t.host("c/inner/x").u16string());
  EXPECT_EQ(platform::ToHostPath("c:\\INNER\\X"), t.host("c/inner/x").u16string());
  EXPECT_EQ(platform::ToHostPath("Q:\\x"), u"");
  // Without Z: nothing outside the mapped folders is reachable.
  platform::SetDriveMap({{'C', t.host("c").string()}});
  EXPECT_EQ(platform::FromHostPath(u"/etc"), "");
  EXPECT_EQ(GetFileAttributesA("Z:\\etc"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_EQ(platform::GetDriveMap().size(), 1u);
  EXPECT_EQ(platform::GetDriveMap()[0].letter, 'C');
}

// Each thread keeps its own copy of the map: a thread that resolved paths
// before a change must see the change, never its old copy.
TEST(DriveMap, AChangeIsSeenByAThreadThatUsedTheOldMap) {
  TestDir t;
  t.mapDrives({{'C', "one"}});
  t.file("one/a.txt", "x");
  t.file("two/b.txt", "x");
  std::mutex m;
  std::condition_variable cv;
  int step = 0;
  DWORD before = 0, after = 0, gone = 0;
  std::thread other([&] {
    before = GetFileAttributesA("C:\\a.txt");
    std::unique_lock lock(m);
    step = 1;
    cv.notify_all();
    cv.wait(lock, [&] { return step == 2; });
    after = GetFileAttributesA("C:\\b.txt");
    gone = GetFileAttributesA("C:\\a.txt");
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return step == 1; });
    t.mapDrives({{'C', "two"}});
    step = 2;
    cv.notify_all();
  }
  other.join();
  EXPECT_EQ(before, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(after, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(gone, INVALID_FILE_ATTRIBUTES);
}

TEST(DriveMap, DefaultReachesEveryHostPathThroughZ) {
  TestDir t;
  const std::string w = t.win("");
  EXPECT_EQ(w.substr(0, 3), "Z:\\");
  EXPECT_NE(GetFileAttributesA("Z:\\tmp") & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(WindowsPaths, AcceptTheFormsWindowsAccepts) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/Scenes/KSEA/file.txt", "x");
  for (const char* p :
       {"C:\\Scenes\\KSEA", "C:\\\\Scenes\\\\KSEA", "C:\\Scenes\\KSEA\\", "C:/Scenes/KSEA", "C:\\Scenes\\.\\KSEA",
        "C:\\Scenes\\other\\..\\KSEA", "c:\\scenes\\ksea", "C:\\..\\Scenes\\KSEA"}) {
    EXPECT_EQ(GetFileAttributesA(p), FILE_ATTRIBUTE_DIRECTORY) << p;
  }
  EXPECT_EQ(GetFileAttributesA("C:\\SCENES\\ksea\\FILE.TXT"), FILE_ATTRIBUTE_ARCHIVE);
  // A file named with a trailing separator is no file.
  EXPECT_EQ(GetFileAttributesA("C:\\Scenes\\KSEA\\file.txt\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(GetFileAttributesA("C:\\Scenes\\K?EA"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(GetFileAttributesA("\\\\server\\share\\Scenes"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_BAD_NETPATH);
  EXPECT_EQ(GetFileAttributesA("C:\\"), FILE_ATTRIBUTE_DIRECTORY);
  const std::string tooLong = "C:\\" + std::string(270, 'a');
  EXPECT_EQ(GetFileAttributesA(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(WindowsPaths, MissingLastComponentOrMissingParent) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/a/file.txt");
  EXPECT_EQ(GetFileAttributesA("C:\\a\\nothing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("C:\\b\\nothing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("C:\\a\\file.txt\\below"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(WindowsPaths, CaseIsIgnoredOnlyWhenTheExactNameIsMissing) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.mkdir("c/Upper");
  t.mkdir("c/upper");
  t.mkdir("c/Mixed");
  // Both spellings exist on the host: each exact name finds its own.
  EXPECT_EQ(platform::ToHostPath("C:\\upper"), t.host("c/upper").u16string());
  EXPECT_EQ(platform::ToHostPath("C:\\Upper"), t.host("c/Upper").u16string());
  EXPECT_EQ(platform::ToHostPath("C:\\MIXED"), t.host("c/Mixed").u16string());
  // Accented letters fold too.
  t.mkdir("c/Été");
  EXPECT_NE(GetFileAttributesA(orvella::test::A("C:\\éTÉ").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A search asked to tell case apart takes the path as the host's own
// programs open it: every part as spelled, one lookup.
TEST(WindowsPaths, ACaseSensitiveSearchTakesEveryPartAsSpelled) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/Pack/objects/own.obj", "12345");
  struct Case {
    const char* pattern;
    DWORD flags;
    const char* name;  // nullptr: not found, with error
    DWORD error;
  } cases[] = {
      {"C:\\Pack\\objects\\own.obj", FIND_FIRST_EX_CASE_SENSITIVE, "own.obj", 0},
      {"C:/Pack/objects/own.obj", FIND_FIRST_EX_CASE_SENSITIVE, "own.obj", 0},
      {"C:\\Pack\\objects\\OWN.obj", FIND_FIRST_EX_CASE_SENSITIVE, nullptr, ERROR_FILE_NOT_FOUND},
      {"C:\\pack\\objects\\own.obj", FIND_FIRST_EX_CASE_SENSITIVE, nullptr, ERROR_PATH_NOT_FOUND},
      {"C:\\Pack\\objects\\own.obj\\x", FIND_FIRST_EX_CASE_SENSITIVE, nullptr, ERROR_PATH_NOT_FOUND},
      {"C:\\Pack\\objects\\*.obj", FIND_FIRST_EX_CASE_SENSITIVE, nullptr, ERROR_INVALID_PARAMETER},
      {"C:\\Pack\\objects\\own.obj", 0x100, nullptr, ERROR_INVALID_PARAMETER},
      // Without the flag, the search of Windows: any letter case.
      {"C:\\pack\\OBJECTS\\OWN.obj", 0, "own.obj", 0},
  };
  for (const Case& c : cases) {
    WIN32_FIND_DATAA d{};
    HANDLE h = FindFirstFileExA(c.pattern, FindExInfoBasic, &d, FindExSearchNameMatch, nullptr, c.flags);
    if (!c.name) {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << c.pattern;
      EXPECT_EQ(GetLastError(), c.error) << c.pattern;
      continue;
    }
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.pattern;
    EXPECT_STREQ(d.cFileName, c.name);
    EXPECT_EQ(d.nFileSizeLow, 5u);
    EXPECT_EQ(d.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
  }
  // A link is the link itself, as in any search.
  std::filesystem::create_symlink(t.host("c/Pack/objects/own.obj"), t.host("c/Pack/objects/linked.obj"));
  WIN32_FIND_DATAA d{};
  HANDLE h = FindFirstFileExA("C:\\Pack\\objects\\linked.obj", FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_CASE_SENSITIVE);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  FindClose(h);
}

TEST(WindowsPaths, LookupsWithoutCaseSeeEveryChangeOfASettledFolder) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  for (int i = 0; i < 50; ++i) t.file("c/big/File" + std::to_string(i));
  // A folder unchanged for an hour: its listing may be kept between lookups.
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(t.host("c/big"), old);
  EXPECT_EQ(GetFileAttributesA("C:\\big\\MISSING"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("C:\\big\\FILE7"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(platform::ToHostPath("C:\\BIG\\file49"), t.host("c/big/File49").u16string());
  // New, renamed and removed entries are seen at once.
  t.file("c/big/Missing");
  EXPECT_EQ(GetFileAttributesA("C:\\big\\MISSING"), FILE_ATTRIBUTE_ARCHIVE);
  std::filesystem::rename(t.host("c/big/File7"), t.host("c/big/Seven"));
  EXPECT_EQ(GetFileAttributesA("C:\\big\\FILE7"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("C:\\big\\SEVEN"), FILE_ATTRIBUTE_ARCHIVE);
  std::filesystem::last_write_time(t.host("c/big"), old);
  EXPECT_EQ(GetFileAttributesA("C:\\big\\SEVEN"), FILE_ATTRIBUTE_ARCHIVE);
  std::filesystem::remove(t.host("c/big/Seven"));
  std::filesystem::last_write_time(t.host("c/big"), old);  // even with the same time again
  EXPECT_EQ(GetFileAttributesA("C:\\big\\SEVEN"), INVALID_FILE_ATTRIBUTES);
}

TEST(FullPath, ResolvesRelativeFormsAndAsksForRoom) {
  TestDir t;
  CurrentDirectory keep;
  t.mapDrives({{'C', "c"}});
  t.mkdir("c/work/sub");
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\work"));
  char buf[MAX_PATH];
  char* part = nullptr;
  ASSERT_EQ(GetCurrentDirectoryA(MAX_PATH, buf), 7u);
  EXPECT_STREQ(buf, "C:\\work");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"sub", "C:\\work\\sub"},
               {"sub\\..\\x", "C:\\work\\x"},
               {"\\x\\y", "C:\\x\\y"},
               {"C:x", "C:\\work\\x"},
               {"D:x", "D:\\x"},
               {"C:\\a\\\\b\\", "C:\\a\\b\\"},
               {"C:\\a\\b\\..\\..\\..", "C:\\"},
               {"C:\\a.. ", "C:\\a"},
               {"C:/a/./b", "C:\\a\\b"},
               {"c:\\a\\b", "c:\\a\\b"},
               {"C:\\a. \\b.", "C:\\a. \\b"},
               {"C:\\a\\.", "C:\\a"},
               {"C:\\a\\b/c", "C:\\a\\b\\c"},
               {"\\\\srv\\share\\a\\..", "\\\\srv\\share"}};
  for (const auto& c : cases) {
    EXPECT_EQ(GetFullPathNameA(c.in, MAX_PATH, buf, &part), std::strlen(c.out)) << c.in;
    EXPECT_STREQ(buf, c.out) << c.in;
  }
  EXPECT_EQ(GetFullPathNameA("C:\\Scenes\\KSEA", MAX_PATH, buf, &part), 14u);
  EXPECT_STREQ(part, "KSEA");
  // Too small: the size needed with its terminator, and nothing written.
  char small[5] = "....";
  EXPECT_EQ(GetFullPathNameA("C:\\Scenes\\KSEA", sizeof small, small, nullptr), 15u);
  EXPECT_STREQ(small, "....");
  EXPECT_EQ(GetFullPathNameA("", MAX_PATH, buf, nullptr), 0u);
  EXPECT_EQ(GetCurrentDirectoryA(3, small), 8u);
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\missing"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace

#endif  // !_WIN32
