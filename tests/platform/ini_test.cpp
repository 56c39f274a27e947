// The program's INI reader, by the language file's rules, through the
// system call and directly over bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/ini.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using orvella::test::TestDir;

namespace {

std::string Read(const std::string& bytes, const char* section, const char* key, const char* dflt = "",
                 win::DWORD size = 2048, win::DWORD* count = nullptr) {
  std::string buf(size + 1, '\x7F');
  const win::DWORD n = platform::ReadProfileStringFromBytes(bytes, section, key, dflt, buf.data(), size);
  if (count) *count = n;
  EXPECT_EQ(buf[size], '\x7F') << "wrote past the buffer";
  return std::string(buf.data(), n);
}

const char* const kFile =
    "; a comment line\r\n"
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
    "\t  [ EcrBiblios ]  \r\n"
    "btnOk=D'accord\n"
    "[ecrorvella]\n"
    "caption=second section, ignored\n"
    "extra=only in the second\n";

TEST(Ini, SectionsAndKeysIgnoreCaseAndTheFirstMatchWins) {
  EXPECT_EQ(Read(kFile, "ECRORVELLA", "Caption"), "Mon titre");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "btnquitter"), "  Sortir  ");
  EXPECT_EQ(Read(kFile, "EcrBiblios", "btnOk"), "D'accord");
  // Only the first section of that name is searched.
  EXPECT_EQ(Read(kFile, "EcrOrvella", "extra", "dflt"), "dflt");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "key"), "value=with=equals");
}

TEST(Ini, QuotesBlanksAndEmptyValues) {
  EXPECT_EQ(Read(kFile, "EcrOrvella", "btnTrier"), "Trier");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "rgListeXP"), "\"unbalanced'");
  // An empty value is found: it is empty, not the default.
  EXPECT_EQ(Read(kFile, "EcrOrvella", "btnVide", "dflt"), "");
  EXPECT_EQ(Read("[s]\nk=\"\"\n", "s", "k", "dflt"), "");
  EXPECT_EQ(Read("[s]\nk=\"\n", "s", "k"), "\"");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "orphan", "none"), "none");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "a line without equals", "none"), "none");
  EXPECT_EQ(Read(kFile, "Missing", "caption", "def  "), "def");
  EXPECT_EQ(Read(kFile, "EcrOrvella", "missing", nullptr), "");
  EXPECT_EQ(Read("", "s", "k", "d"), "d");
}

TEST(Ini, LongValuesAreCutToTheBuffer) {
  const std::string value(3000, 'x');
  win::DWORD n = 0;
  EXPECT_EQ(Read("[s]\nk=" + value + "\n", "s", "k", "", 2048, &n), std::string(2047, 'x'));
  EXPECT_EQ(n, 2047u);
  EXPECT_EQ(Read("[s]\nk=abcdef\n", "s", "k", "", 4, &n), "abc");
  EXPECT_EQ(n, 3u);
  char one[1] = {'z'};
  EXPECT_EQ(platform::ReadProfileStringFromBytes("[s]\nk=v\n", "s", "k", "", one, 1), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(platform::ReadProfileStringFromBytes("[s]\nk=v\n", "s", "k", "", one, 0), 0u);
}

TEST(Ini, ListsOfSectionsAndKeys) {
  win::DWORD n = 0;
  EXPECT_EQ(Read(kFile, nullptr, nullptr, "", 2048, &n), std::string("EcrOrvella\0EcrBiblios\0ecrorvella\0", 33));
  EXPECT_EQ(Read("[s]\na=1\nb=2\n", "S", nullptr), std::string("a\0b\0", 4));
  // A list that does not fit is cut and closed by two zeros: size - 2.
  char buf[6];
  EXPECT_EQ(platform::ReadProfileStringFromBytes("[s]\nalpha=1\nb=2\n", "s", nullptr, "", buf, 6), 4u);
  EXPECT_EQ(std::string(buf, 6), std::string("alph\0\0", 6));
  // The first name fills the buffer to its last byte: the next one has no room at all.
  char four[4];
  EXPECT_EQ(platform::ReadProfileStringFromBytes("[s]\nab=1\nc=2\n", "s", nullptr, "", four, 4), 2u);
  EXPECT_EQ(std::string(four, 4), std::string("ab\0\0", 4));
  // A zero byte ends a line's text.
  EXPECT_EQ(Read(std::string("[s]\nk=ab\0cd\n", 12), "s", "k"), "ab");
}

TEST(Ini, ByteOrderMarksAndLineEnds) {
  using orvella::test::A;
  // Whatever the file's encoding, the text comes out in the ANSI code page.
  EXPECT_EQ(Read("\xEF\xBB\xBF[s]\nk=\xC3\xA9t\xC3\xA9\n", "s", "k"), A("été"));
  const std::string utf16("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22);
  EXPECT_EQ(Read(utf16, "s", "k"), A("é"));
  EXPECT_EQ(Read("[s]\rk=old mac\r", "s", "k"), "old mac");
  // A file without a mark in 1252, as language files were written on Windows.
  EXPECT_EQ(Read("[s]\nk=Sc\xE8ne\n", "s", "k"), A("Scène"));
}

#ifndef _WIN32
TEST(Ini, Utf8FilesNamesAndCutsWhereTheCodePageIsUtf8) {
  // Without a mark, text that is UTF-8 is taken as it stands.
  EXPECT_EQ(Read("[s]\nk=Gdańsk 東京\n", "s", "k"), "Gdańsk 東京");
  // Section and key names match without regard to case beyond A-Z.
  EXPECT_EQ(Read("[ÉCRAN]\nCLÉ=oui\n", "écran", "clé"), "oui");
  EXPECT_EQ(Read("[Česko]\nk=1\n", "česko", "k"), "1");
  // A value cut to the buffer never ends in half a character: "東" is 3 bytes.
  win::DWORD n = 0;
  EXPECT_EQ(Read("[s]\nk=a東京\n", "s", "k", "", 6, &n), "a東");
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(Read("[s]\nk=a東京\n", "s", "k", "", 4, &n), "a");
  // The same for a list of key names that does not fit.
  char buf[6];
  std::fill(std::begin(buf), std::end(buf), 'x');
  EXPECT_EQ(platform::ReadProfileStringFromBytes("[s]\né東=1\n", "s", nullptr, "", buf, 6), 4u);
  EXPECT_EQ(std::string(buf, 6), std::string("\xC3\xA9\0\0\0\0", 6));
}
#endif

#ifndef _WIN32
TEST(Ini, TheSystemCallReadsAFileByItsWindowsPath) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/Orvella.lng", kFile);
  char buf[2048];
  EXPECT_EQ(win::GetPrivateProfileStringA("EcrOrvella", "caption", "", buf, sizeof buf, "C:\\orvella.LNG"), 9u);
  EXPECT_STREQ(buf, "Mon titre");
  EXPECT_EQ(win::GetPrivateProfileStringA("EcrOrvella", "caption", "x", buf, sizeof buf, "C:\\missing.lng"), 1u);
  EXPECT_STREQ(buf, "x");
}

#endif

}  // namespace
