// The word sort of lstrcmpA / lstrcmpiA on names with accents, digits,
// hyphens and mixed case.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/collate.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using orvella::test::A;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }
// The rules themselves (lstrcmpA and lstrcmpiA on the POSIX backend; held
// against the system's comparison in windows_test.cpp).
int Cmp(const char* a, const char* b) { return Sign(platform::collate::CompareWordSort(A(a), A(b), false)); }
int CmpI(const char* a, const char* b) { return Sign(platform::collate::CompareWordSort(A(a), A(b), true)); }

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

#ifndef _WIN32
TEST(WordSort, LstrcmpSortsAListOfSceneryNames) {
  std::vector<std::string> names = {"zz_Mesh",        "KSEA Seattle", "ksea-demo",     "Aérodrome d'Évreux",
                                    "Aerodrome Evry", "1000 lights",  "_Library",      "Orbx-EU",
                                    "orbx EU",        "Île de Ré",    "Ile-de-France", "ÉCOLE"};
  for (auto& n : names) n = A(n.c_str());
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return win::lstrcmpA(a.c_str(), b.c_str()) < 0;
  });
  std::vector<std::string> expected = {"_Library",       "1000 lights",   "Aérodrome d'Évreux", "Aerodrome Evry",
                                       "ÉCOLE",          "Île de Ré",     "Ile-de-France",      "KSEA Seattle",
                                       "ksea-demo",      "orbx EU",       "Orbx-EU",            "zz_Mesh"};
  for (auto& n : expected) n = A(n.c_str());
  EXPECT_EQ(names, expected);
}

#endif

}  // namespace
