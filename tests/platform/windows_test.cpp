// On Windows (and under Wine): the program's own pieces held against the
// system's calls, and the junction path the volume allows.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "platform/collate.h"
#include "platform/ini.h"
#include "platform/shelllink.h"
#include "platform/testhooks.h"
#include "platform/winapi.h"
#include "support/shortcutbuilder.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::A;
using orvella::test::TestDir;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// --- The INI reader against GetPrivateProfileStringA -------------------------

TEST(AgainstWindows, IniReaderReadsWhatGetPrivateProfileStringReads) {
  TestDir t;
  const std::string file =
      "orphan=before any section\r\n"
      "[EcrOrvella]\r\n"
      "caption = Mon titre  \r\n"
      "btnQuitter=\"  Sortir  \"\r\n"
      "btnTrier='Trier'\r\n"
      "rgListeXP=\"unbalanced'\r\n"
      "btnVide=\r\n"
      "BTNQUITTER=second, ignored\r\n"
      "a line without equals\r\n"
      "key=value=with=equals\r\n"
      "tab\t=\tvalue with tabs\t\r\n"
      "accent=Sc\xE8ne \xE9t\xE9\r\n"
      "long=" +
      std::string(3000, 'x') +
      "\r\n"
      "\t  [ EcrBiblios ]  \r\n"
      "btnOk=D'accord\r\n"
      "[ecrorvella]\r\n"
      "extra=only in the second\r\n";
  t.file("orvella.lng", file);
  const std::string path = t.win("orvella.lng");
  struct Query {
    const char* section;
    const char* key;
    DWORD size;
  };
  const Query queries[] = {{"EcrOrvella", "caption", 2048},
                           {"ECRORVELLA", "CAPTION", 2048},
                           {"EcrOrvella", "btnQuitter", 2048},
                           {"EcrOrvella", "btnTrier", 2048},
                           {"EcrOrvella", "rgListeXP", 2048},
                           {"EcrOrvella", "btnVide", 2048},
                           {"EcrOrvella", "key", 2048},
                           {"EcrOrvella", "tab", 2048},
                           {"EcrOrvella", "accent", 2048},
                           {"EcrOrvella", "long", 2048},
                           {"EcrOrvella", "caption", 4},
                           {"EcrOrvella", "extra", 2048},
                           {"EcrOrvella", "orphan", 2048},
                           {"EcrOrvella", "missing", 2048},
                           {"EcrBiblios", "btnOk", 2048},
                           {"Missing", "caption", 2048},
                           {"EcrOrvella", "a line without equals", 2048}};
  for (const auto& q : queries) {
    std::string mine(q.size, '\0');
    std::string system(q.size, '\0');
    const DWORD n = platform::ReadProfileString(q.section, q.key, "dflt", mine.data(), q.size, path.c_str());
    const DWORD m = GetPrivateProfileStringA(q.section, q.key, "dflt", system.data(), q.size, path.c_str());
    EXPECT_EQ(std::string(mine.c_str(), n), std::string(system.c_str(), m)) << q.section << "/" << q.key;
    EXPECT_EQ(n, m) << q.section << "/" << q.key;
  }
  // A missing file gives the default to both.
  char a[16];
  char b[16];
  const std::string missing = t.win("none.lng");
  EXPECT_EQ(platform::ReadProfileString("s", "k", "d", a, 16, missing.c_str()),
            GetPrivateProfileStringA("s", "k", "d", b, 16, missing.c_str()));
  EXPECT_STREQ(a, b);
}

// --- The word-sort rules against lstrcmpA / lstrcmpiA ----------------------------

TEST(AgainstWindows, WordSortRulesOrderNamesAsLstrcmpDoes) {
  const char* names[] = {"a",
                         "A",
                         "b",
                         "apple",
                         "Apple",
                         "Banana",
                         "école",
                         "ecrit",
                         "Eric",
                         "élan",
                         "cote",
                         "coté",
                         "côte",
                         "côté",
                         "coop",
                         "co-op",
                         "cop",
                         "Sainte",
                         "Saint-Tropez",
                         "l'Abbaye",
                         "lac",
                         "_x",
                         "1x",
                         "ax",
                         " x",
                         "!x",
                         "(x)",
                         "10",
                         "9",
                         "cœur",
                         "coeur",
                         "KSEA",
                         "ksea",
                         "KSEA Seattle",
                         "ksea-demo",
                         "Orbx-EU",
                         "orbx EU",
                         "Île de Ré",
                         "Ile-de-France",
                         "zz_Mesh",
                         "1000 lights",
                         "~",
                         "+",
                         "Ærø",
                         "aero",
                         "Straße",
                         "Strasse",
                         "x.y",
                         "x-y",
                         "x_y",
                         "x y",
                         "x,y",
                         "ÉCOLE",
                         "Zurich"};
  std::vector<std::string> list;
  for (const char* n : names) list.push_back(A(n));
  std::set<std::string> differ;
  for (const auto& x : list) {
    for (const auto& y : list) {
      const int rules = Sign(platform::collate::CompareWordSort(x, y, false));
      const int system = Sign(lstrcmpA(x.c_str(), y.c_str()));
      if (rules != system) differ.insert("lstrcmpA(" + x + ", " + y + ")");
      const int rulesI = Sign(platform::collate::CompareWordSort(x, y, true));
      const int systemI = Sign(lstrcmpiA(x.c_str(), y.c_str()));
      if (rulesI != systemI) differ.insert("lstrcmpiA(" + x + ", " + y + ")");
    }
  }
  // The system does sort by words here, not by bytes.
  ASSERT_LT(lstrcmpA("apple", "Banana"), 0);
  ASSERT_LT(lstrcmpA("Sainte", "Saint-Tropez"), 0);
  for (const auto& d : differ) std::cout << "differs: " << d << "\n";
  std::cout << differ.size() << " of " << 2 * list.size() * list.size() << " comparisons differ\n";
  EXPECT_TRUE(differ.empty());
}

// --- Junctions: what the volume allows ----------------------------------------------

TEST(AgainstWindows, JunctionWhereTheVolumeAllowsIt) {
  TestDir t;
  t.mkdir("target");
  const std::string target = t.win("target");
  const std::string link = t.win("link");
  const std::string root = target.substr(0, 3);
  DWORD flags = 0;
  DWORD maxComponent = 0;
  char fsName[255];
  ASSERT_TRUE(GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255));
  // The backend makes the folder, opens it and sets the mount-point buffer.
  const BOOL ok = platform::MakeDirectoryLink(link, target);
  const DWORD error = GetLastError();
  if (flags & FILE_SUPPORTS_REPARSE_POINTS) {
    std::cout << "volume " << root << " (" << fsName << ") holds reparse points: checked the junction itself\n";
    EXPECT_TRUE(ok) << error;
    EXPECT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_TRUE(platform::RemoveDirectoryLink(link));
  } else {
    std::cout << "volume " << root << " (" << fsName << ") holds no reparse points: checked the refusal, error "
              << error << "\n";
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) << error;
    EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder it made is gone again";
    // An empty folder that was there before stays.
    ASSERT_TRUE(CreateDirectoryA(link.c_str(), nullptr));
    EXPECT_FALSE(platform::MakeDirectoryLink(link, target));
    EXPECT_EQ(GetFileAttributesA(link.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(platform::RemoveDirectoryLink(link));
  }
  EXPECT_EQ(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

// Names outside the ANSI code page: a search gives "?" where the code page
// has no character, never a look-alike that names another file.
TEST(AgainstWindows, NamesOutsideTheCodePageAreNotBestFitted) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8: every name is representable";
  TestDir t;
  t.mkdir("parent");
  const std::string parent = t.win("parent");
  std::u16string wide(parent.begin(), parent.end());
  ASSERT_TRUE(CreateDirectoryW((wide + u"\\EPWA Warszawa-Ok\u0119cie").c_str(), nullptr));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((parent + "\\*.*").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::string> names;
  do names.emplace_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  EXPECT_NE(std::find(names.begin(), names.end(), "EPWA Warszawa-Ok?cie"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "EPWA Warszawa-Okecie"), names.end());
  EXPECT_EQ(platform::FromHostPath(wide + u"\\Ok\u0119cie"), parent + "\\Ok?cie");
  // A character the code page holds is kept as it is.
  EXPECT_EQ(platform::FromHostPath(u"C:\\Sc\u00e8nes"), "C:\\Sc\xe8nes");
}

// --- Other calls of the Win32 backend ---------------------------------------------------

TEST(AgainstWindows, ShortcutReaderAgreesWithTheShellLinkObject) {
  TestDir t;
  t.mkdir("Scenes/KSEA");
  const std::string folder = t.win("Scenes") + "\\KSEA";
  // As Windows writes them: the whole path as the local base, an empty suffix.
  const std::string whole = orvella::test::Shortcut({folder, "", {}, {}, {}});
  // The path split between base and suffix.
  const std::string split = orvella::test::Shortcut({t.win("Scenes") + "\\", "KSEA", {}, {}, {}});
  t.file("whole.lnk", whole);
  t.file("split.lnk", split);
  platform::InitializeCom();
  const std::string systemWhole = platform::ResolveShellLink(t.win("whole.lnk"));
  const std::string systemSplit = platform::ResolveShellLink(t.win("split.lnk"));
  platform::UninitializeCom();
  EXPECT_EQ(platform::ParseShellLink(whole.data(), whole.size()), folder);
  EXPECT_EQ(platform::ParseShellLink(split.data(), split.size()), folder);
  EXPECT_EQ(systemWhole, folder);
  // Wine's shell link object leaves the common suffix out; Windows joins it.
  std::cout << "IShellLinkA::GetPath of a split path: \"" << systemSplit << "\"\n";
  EXPECT_TRUE(systemSplit == folder || systemSplit == t.win("Scenes") + "\\") << systemSplit;
}

TEST(AgainstWindows, WriteFailureInjectionWrapsTheRealWriteFile) {
  TestDir t;
  const std::string path = t.win("settings.ini");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  platform::InjectWriteFailureAfter(4, ERROR_DISK_FULL);
  DWORD n = 0;
  EXPECT_FALSE(WriteFile(h, "123456", 6, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(n, 4u);
  platform::InjectWriteFailureAfter(~0ull, 0);
  CloseHandle(h);
  EXPECT_EQ(t.read("settings.ini"), "1234");
}

// The final path of an open file, as the program strips it, is the full
// path it was opened by (no link on the way); a short buffer is told the
// size needed, with the zero or (Wine's ANSI call) without it.
TEST(AgainstWindows, FinalPathOfAnOpenFile) {
  TestDir t;
  const std::string path = t.file("orders\\summer.ini", "x");
  char full[MAX_PATH];
  ASSERT_GT(GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr), 0u);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const std::string want = std::string("\\\\?\\") + full;
  char small[8];
  const DWORD needed = GetFinalPathNameByHandleA(h, small, sizeof small, FILE_NAME_NORMALIZED);
  EXPECT_TRUE(needed == want.size() || needed == want.size() + 1) << needed;
  char buffer[MAX_PATH + 8];
  ASSERT_EQ(GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED), want.size());
  EXPECT_EQ(_stricmp(buffer, want.c_str()), 0) << buffer;
  CloseHandle(h);
}

TEST(AgainstWindows, SystemTextsAndLaunchFailures) {
  const std::string text = FormatMessageA(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  TestDir t;
  t.mkdir("X-Plane");
  EXPECT_EQ(
      ShellExecuteA(nullptr, nullptr, (t.win("X-Plane") + "\\X-Plane.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL),
      2);
}

}  // namespace
#endif  // _WIN32
