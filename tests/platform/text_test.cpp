// Code pages and the system's error texts.
#include <gtest/gtest.h>

#include <thread>

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
  const std::u16string w = Wide(ansi);
  EXPECT_EQ(w, u"\u00e9\u00e8\u0153\u20ac Sc\u00e8ne");
  EXPECT_EQ(Narrow(w, CP_ACP), ansi);
  EXPECT_EQ(Wide(ansi, 1252), w);
  EXPECT_EQ(Narrow(w, CP_UTF8), "éèœ€ Scène");
  EXPECT_EQ(Wide("éèœ€ Scène", CP_UTF8), w);
  // Every byte survives the way there and back.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Narrow(Wide(all), CP_ACP), all);
}

TEST(CodePages, WhatWindows1252CannotHoldBecomesAQuestionMark) {
  BOOL lossy = FALSE_;
  EXPECT_EQ(Narrow(u"\u65e5\u672c-\u00f3", CP_ACP, &lossy), "??" "-\xF3");
  EXPECT_TRUE(lossy);
  Narrow(u"plain", CP_ACP, &lossy);
  EXPECT_FALSE(lossy);
  // One '?' for each UTF-16 unit, as Windows writes them.
  EXPECT_EQ(Narrow(u"a\U0001F600b", CP_ACP), "a??b");
#ifndef _WIN32
  // Windows maps some letters to a "best fit" (Ł to L); this backend keeps '?'.
  EXPECT_EQ(Narrow(u"\u0141\u00f3d\u017a", CP_ACP), "?\xF3" "d?");
  EXPECT_EQ(platform::FromHostPath(u"/\U0001F600.txt"), "Z:\\??.txt");
#endif
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
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u4e00x", 2, out, 4, &dflt, nullptr), 2);
  EXPECT_EQ(std::string(out, 2), "#x");
#ifndef _WIN32
  // As documented for Windows (Wine lets it pass).
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"x", 1, out, 4, &dflt, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
#endif
}

#ifndef _WIN32
// The system's own texts on Windows are in the system's language.
TEST(ErrorTexts, FrenchSystemTextsInWindows1252) {
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
