// The word sort of lstrcmpA / lstrcmpiA on names with accents, digits,
// hyphens and mixed case.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/collate.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using orvella::test::A;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }
// The rules themselves, on 1252 texts (held against the system's comparison
// in windows_test.cpp) and on the same texts in UTF-8 (lstrcmpA and
// lstrcmpiA on the POSIX backend), which must agree.
int Both(const char* a, const char* b, bool ignoreCase) {
  const int in1252 = Sign(
      platform::collate::CompareWordSort(platform::text::Utf8ToCp1252(a), platform::text::Utf8ToCp1252(b), ignoreCase));
  const int inUtf8 = Sign(platform::collate::CompareWordSortUtf8(a, b, ignoreCase));
  EXPECT_EQ(in1252, inUtf8) << a << " / " << b;
  return inUtf8;
}
int Cmp(const char* a, const char* b) { return Both(a, b, false); }
int CmpI(const char* a, const char* b) { return Both(a, b, true); }
int Utf8(const char* a, const char* b, bool ignoreCase = false) {
  return Sign(platform::collate::CompareWordSortUtf8(a, b, ignoreCase));
}

TEST(WordSort, CaseComesLastAndLowerCaseFirst) {
  EXPECT_EQ(Cmp("a", "A"), -1);
  EXPECT_EQ(Cmp("apple", "Banana"), -1);  // not the byte order
  EXPECT_EQ(Cmp("Apple", "apple"), 1);
  EXPECT_EQ(Cmp("KSEA", "ksea"), 1);
  EXPECT_EQ(CmpI("KSEA", "ksea"), 0);
  EXPECT_EQ(CmpI("Zurich", "apt"), 1);
  EXPECT_EQ(Cmp("abc", "abc"), 0);
  EXPECT_EQ(Cmp("ab", "abc"), -1);
}

TEST(WordSort, AccentsCountOnlyAfterTheLetters) {
  EXPECT_EQ(Cmp("école", "ecrit"), -1);
  EXPECT_EQ(Cmp("élan", "Eric"), -1);
  EXPECT_EQ(Cmp("cote", "coté"), -1);
  EXPECT_EQ(Cmp("coté", "côte"), -1);
  EXPECT_EQ(Cmp("côte", "côté"), -1);
  EXPECT_EQ(CmpI("ÉTÉ", "été"), 0);
  EXPECT_NE(CmpI("été", "ete"), 0);
  EXPECT_EQ(Cmp("Ærø", "aero"), 1);
  EXPECT_EQ(CmpI("cœur", "COEUR"), 0);
  EXPECT_EQ(Cmp("cœur", "cof"), -1);
  EXPECT_EQ(Cmp("Straße", "Strasse"), 0);
}

TEST(WordSort, HyphensAndApostrophesCountLast) {
  EXPECT_EQ(Cmp("coop", "co-op"), -1);
  EXPECT_EQ(Cmp("co-op", "cop"), -1);
  EXPECT_EQ(Cmp("Sainte", "Saint-Tropez"), -1);
  EXPECT_EQ(Cmp("lac", "l'Abbaye"), 1);
  EXPECT_EQ(CmpI("co-op", "CO-OP"), 0);
  EXPECT_EQ(Cmp("co-op", "coo-p"), -1);
}

TEST(WordSort, PunctuationThenDigitsThenLetters) {
  EXPECT_EQ(Cmp("_x", "1x"), -1);
  EXPECT_EQ(Cmp("1x", "ax"), -1);
  EXPECT_EQ(Cmp(" x", "!x"), -1);
  EXPECT_EQ(Cmp("(x)", "1"), -1);
  EXPECT_EQ(Cmp("10", "9"), -1);  // digits are characters, not numbers
  EXPECT_EQ(Cmp("~", "+"), -1);
}

TEST(WordSortUtf8, LettersBeyond1252SitWithTheirBaseLetter) {
  // Polish and Czech letters are accented Latin letters, not symbols.
  EXPECT_EQ(Utf8("Łódź", "Lyon"), -1);
  EXPECT_EQ(Utf8("Lodz", "Łódź"), -1);
  EXPECT_EQ(Utf8("Okęcie", "Okecie"), 1);
  EXPECT_EQ(Utf8("Okęcie", "Okf"), -1);
  EXPECT_EQ(Utf8("Česko", "Dakar"), -1);
  EXPECT_EQ(Utf8("Česko", "Cesko"), 1);
  EXPECT_EQ(Utf8("ČESKO", "česko", true), 0);
  EXPECT_EQ(Utf8("ČESKO", "česko"), 1);
  EXPECT_EQ(Utf8("GDAŃSK WAŁĘSA", "gdańsk wałęsa", true), 0);
  EXPECT_EQ(Utf8("İstanbul", "Izmir"), -1);
  // A decomposed accent is the composed one.
  EXPECT_EQ(Utf8("Lie\xCC\x80ge", "Liège"), 0);
  EXPECT_EQ(Utf8("E\xCC\x81vreux", "évreux", true), 0);
  EXPECT_EQ(Utf8("Lie\xCC\x80ge", "Liege"), 1);
}

TEST(WordSortUtf8, OtherScriptsComeAfterLatinLettersWithTheirOwnCase) {
  EXPECT_EQ(Utf8("東京", "Zurich"), 1);
  EXPECT_EQ(Utf8("RJTT 東京", "RJTT Tokyo"), 1);
  EXPECT_EQ(Utf8("東京", "東京"), 0);
  EXPECT_NE(Utf8("東京", "京東"), 0);
  EXPECT_EQ(Utf8("Αθήνα", "αθήνα", true), 0);
  EXPECT_EQ(Utf8("МОСКВА", "москва", true), 0);
  EXPECT_EQ(Utf8("МОСКВА", "москва"), 1);
  // Broken bytes compare, and never equal a character.
  EXPECT_NE(Utf8("a\xE9", "aé"), 0);
  EXPECT_EQ(Utf8("a\xE9", "a\xE9"), 0);
}

#ifndef _WIN32
TEST(WordSort, LstrcmpSortsAListOfSceneryNames) {
  std::vector<std::string> names = {"zz_Mesh",        "KSEA Seattle", "ksea-demo",     "Aérodrome d'Évreux",
                                    "Aerodrome Evry", "1000 lights",  "_Library",      "Orbx-EU",
                                    "orbx EU",        "Île de Ré",    "Ile-de-France", "ÉCOLE"};
  for (auto& n : names) n = A(n.c_str());
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return win::lstrcmpA(a.c_str(), b.c_str()) < 0; });
  std::vector<std::string> expected = {"_Library",  "1000 lights",   "Aérodrome d'Évreux", "Aerodrome Evry", "ÉCOLE",
                                       "Île de Ré", "Ile-de-France", "KSEA Seattle",       "ksea-demo",      "orbx EU",
                                       "Orbx-EU",   "zz_Mesh"};
  for (auto& n : expected) n = A(n.c_str());
  EXPECT_EQ(names, expected);
}

#endif

}  // namespace
