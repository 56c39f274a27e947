// Code pages and the system's error texts.
#include <gtest/gtest.h>

#include <iterator>
#include <thread>

#include "platform/textcodec.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;

namespace {

std::u16string Wide(const std::string& ansi, UINT cp = CP_ACP) {
  const int n = MultiByteToWideChar(cp, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::u16string w(static_cast<size_t>(n), u'\0');
  EXPECT_EQ(MultiByteToWideChar(cp, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n), n);
  return w;
}

std::string Narrow(const std::u16string& w, UINT cp, BOOL* lossy = nullptr) {
  const int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, lossy);
  return s;
}

TEST(CodePages, Windows1252RoundTrip) {
  const std::string ansi = "\xE9\xE8\x9C\x80 Sc\xE8ne";  // é è œ € Scène
  const std::u16string w = Wide(ansi, 1252);
  EXPECT_EQ(w, u"\u00e9\u00e8\u0153\u20ac Sc\u00e8ne");
  EXPECT_EQ(Narrow(w, 1252), ansi);
  EXPECT_EQ(Narrow(w, CP_UTF8), "éèœ€ Scène");
  EXPECT_EQ(Wide("éèœ€ Scène", CP_UTF8), w);
  // Every byte survives the way there and back.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Narrow(Wide(all, 1252), 1252), all);
}

TEST(CodePages, WhatWindows1252CannotHoldBecomesAQuestionMark) {
  BOOL lossy = FALSE_;
  EXPECT_EQ(Narrow(u"\u65e5\u672c-\u00f3", 1252, &lossy),
            "??"
            "-\xF3");
  EXPECT_TRUE(lossy);
  Narrow(u"plain", 1252, &lossy);
  EXPECT_FALSE(lossy);
  // One '?' for each UTF-16 unit, as Windows writes them.
  EXPECT_EQ(Narrow(u"a\U0001F600b", 1252), "a??b");
#ifndef _WIN32
  // Windows maps some letters to a "best fit" (Ł to L); this backend keeps '?'.
  EXPECT_EQ(Narrow(u"\u0141\u00f3d\u017a", 1252),
            "?\xF3"
            "d?");
#endif
}

#ifndef _WIN32
TEST(CodePages, TheAnsiCodePageIsUtf8AndHoldsEveryName) {
  EXPECT_EQ(GetACP(), CP_UTF8);
  EXPECT_TRUE(platform::AnsiIsUtf8());
  // Polish, Czech, Turkish, Japanese, a decomposed accent and a character
  // beyond the first plane come back as they went.
  for (const char* name :
       {"EPWA Warszawa-Okęcie", "LKPR Praha-Ruzyně", "LTFM İstanbul", "RJTT 東京国際空港", "Lie\xCC\x80ge",
        "a\xF0\x9F\x98\x80"
        "b"}) {
    const std::u16string w = Wide(name);
    EXPECT_EQ(w, Wide(name, CP_UTF8)) << name;
    BOOL lossy = TRUE_;
    EXPECT_EQ(Narrow(w, CP_ACP, &lossy), name);
    EXPECT_FALSE(lossy) << name;
  }
  EXPECT_EQ(Wide("\xE6\x9D\xB1", CP_ACP).size(), 1u);
  // A lone surrogate has no UTF-8 form: U+FFFD, and the caller is told.
  BOOL lossy = FALSE_;
  EXPECT_EQ(Narrow(std::u16string(1, u'\xD800') + u"x", CP_ACP, &lossy), "\xEF\xBF\xBDx");
  EXPECT_TRUE(lossy);
  // Broken UTF-8 is refused when asked, replaced otherwise.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xE9t\xE9", 3, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(Wide("\xE9t\xE9"), u"\ufffdt\ufffd");
  // Host paths cross the boundary whole.
  EXPECT_EQ(platform::FromHostPath(u"/\U0001F600 \u6771\u4eac.txt"), "Z:\\\xF0\x9F\x98\x80 東京.txt");
  EXPECT_EQ(platform::ToHostPath("Z:\\home\\\xC5\x82ukasz"), u"/home/\u0142ukasz");
}

TEST(CodePages, FilesFromElsewhereAreReadAs1252WhenNotUtf8) {
  bool legacy = true;
  EXPECT_EQ(platform::AnsiFromFileBytes("plain\r\n", &legacy), "plain\r\n");
  EXPECT_FALSE(legacy);
  EXPECT_EQ(platform::AnsiFromFileBytes("Köln", &legacy), "Köln");
  EXPECT_FALSE(legacy);
  // "Évreux" and "Köln" as a French Windows writes them; 0x80 is the euro sign.
  EXPECT_EQ(platform::AnsiFromFileBytes("\xC9vreux K\xF6ln \x80", &legacy), "Évreux Köln €");
  EXPECT_TRUE(legacy);
  // One broken sequence is enough to read the whole text as 1252.
  EXPECT_EQ(platform::AnsiFromFileBytes("é \xE9", &legacy), "\xC3\x83\xC2\xA9 é");
  EXPECT_TRUE(legacy);
}
#endif

TEST(Utf8Text, CutsNeverSplitACharacterAndBrokenBytesAreFound) {
  using namespace platform::text;
  const std::string s = "a\xC3\xA9\xE6\x9D\xB1\xF0\x9F\x98\x80z";  // a é 東 😀 z
  // Each cut position inside a character falls back to its first byte.
  const size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 11};
  for (size_t n = 0; n < std::size(expected); ++n) EXPECT_EQ(Utf8CutLength(s, n), expected[n]) << n;
  // Broken text is cut where asked: there is no character to keep whole.
  EXPECT_EQ(Utf8CutLength("ab\x80\x80\x80\x80"
                          "c",
                          5),
            5u);
  EXPECT_EQ(Utf8CutLength("a\xE6\x9Dz", 2), 2u);
  EXPECT_EQ(Utf8CutLength("a\xC3\xA9\x80z", 4), 4u);

  EXPECT_TRUE(IsValidUtf8(s));
  EXPECT_TRUE(IsValidUtf8(""));
  for (const char* bad : {"\xE9t\xE9", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  EXPECT_EQ(ReplaceBrokenUtf8("Caf\xE9 \xC3\xA9t\xE9", '?'), "Caf? \xC3\xA9t?");
  EXPECT_EQ(ReplaceBrokenUtf8("\xE6\x9D", '?'), "??");
  EXPECT_EQ(ReplaceBrokenUtf8(s, '?'), s);
  // The UTF-16 length of a text, counted without converting it.
  for (const std::string& t : {s, std::string("Caf\xE9 \xC3\xA9t\xE9"), std::string("\xF0\x9F\x98"), std::string()})
    EXPECT_EQ(Utf16Length(t), Utf8ToUtf16(t).size()) << t;
}

TEST(CodePages, LengthsBuffersAndBadArguments) {
  // -1: up to and including the terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  WCHAR small[2];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, small, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, small, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
#ifndef _WIN32
  // Only 1252 and UTF-8 here; Windows knows many more.
  EXPECT_EQ(MultiByteToWideChar(932, 0, "abc", 3, small, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
#endif
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(Wide("a\xC3(", CP_UTF8), u"a\ufffd(");
  const char dflt = '#';
  char out[4];
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u4e00x", 2, out, 4, &dflt, nullptr), 2);
  EXPECT_EQ(std::string(out, 2), "#x");
#ifndef _WIN32
  // As documented for Windows (Wine lets it pass).
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"x", 1, out, 4, &dflt, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
#endif
}

#ifndef _WIN32
// The system's own texts on Windows are in the system's language.
TEST(ErrorTexts, FrenchSystemTextsInTheAnsiCodePage) {
  using orvella::test::A;
  EXPECT_EQ(FormatMessageA(2), A("Le fichier spécifié est introuvable."));
  EXPECT_EQ(FormatMessageA(3), A("Le chemin d'accès spécifié est introuvable."));
  EXPECT_EQ(FormatMessageA(5), A("Accès refusé."));
  EXPECT_EQ(FormatMessageA(145), A("Le répertoire n'est pas vide."));
  EXPECT_EQ(FormatMessageA(112), A("Espace insuffisant sur le disque."));
  for (DWORD code : {19u, 32u, 50u, 87u, 123u, 183u, 206u, 267u, 4390u, 4391u, 4392u, 4393u, 4394u}) {
    const std::string s = FormatMessageA(code);
    EXPECT_FALSE(s.empty()) << code;
    EXPECT_EQ(s.back(), '.') << code;  // no line break at the end
  }
  EXPECT_EQ(FormatMessageA(999999), "");
}
#endif

TEST(LastError, BelongsToEachThread) {
  SetLastError(ERROR_DIR_NOT_EMPTY);
  DWORD seen = 1;
  std::thread([&] {
    seen = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  }).join();
  EXPECT_EQ(seen, 0u);
#ifndef _WIN32
  // (On Windows, joining the thread itself makes system calls that set it.)
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
#endif
}

}  // namespace
