// The one catalogue: the keys the code reads against the keys of the table
// and of the shipped language files, and which language file is read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/core/filelocations.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"
#include "support/catalogueref.h"
#include "support/languagefile.h"
#include "support/testdir.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;
using Key = std::pair<std::string, std::string>;

std::string ReadHostFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The keys named by the source's calls to the catalogue, by their section.
std::set<Key> KeysTheCodeReads(std::set<std::string>& literals) {
  const std::regex text(R"re(\bText\(\s*"(\w+)",\s*"(\w+)")re");
  const std::regex core(R"re(CatalogueText\(\s*(kErrors|"\w+"),\s*"(\w+)")re");
  const std::regex check(R"re(\b(CheckText|EngineText)\(\s*"(\w+)"\s*[,)])re");
  const std::regex literal(R"re("(\w+)")re");
  std::set<Key> keys;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(ORVELLA_SOURCE_DIR) / "src")) {
    const std::string ext = e.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    if (e.path().filename() == "programtexts.cpp") continue;  // the table itself
    const std::string code = ReadHostFile(e.path());
    const bool windowSide = e.path().parent_path().filename() == "ui";
    for (std::sregex_iterator m(code.begin(), code.end(), text), end; m != end; ++m) keys.insert({(*m)[1], (*m)[2]});
    for (std::sregex_iterator m(code.begin(), code.end(), core), end; m != end; ++m) {
      const std::string s = (*m)[1];
      keys.insert({s == "kErrors" ? "EcrOrvella" : s.substr(1, s.size() - 2), (*m)[2]});
    }
    for (std::sregex_iterator m(code.begin(), code.end(), check), end; m != end; ++m)
      keys.insert({(*m)[1] == "CheckText" && windowSide ? "OrvellaCheckFenetre" : "OrvellaCheck", (*m)[2]});
    for (std::sregex_iterator m(code.begin(), code.end(), literal), end; m != end; ++m) literals.insert((*m)[1]);
  }
  return keys;
}

TEST(CatalogueKeys, TheCodeReadsEveryKeyOfTheTableAndNoOther) {
  std::set<std::string> literals;
  const std::set<Key> used = KeysTheCodeReads(literals);
  ASSERT_GT(used.size(), 50u) << "the source was not found at " << ORVELLA_SOURCE_DIR;
  std::set<Key> table;
  for (const TextDefault& t : ProgramTexts()) {
    EXPECT_TRUE(table.insert({t.section, t.key}).second) << t.section << "/" << t.key << " twice";
    // A key chosen at run time ("Genre_" + kind, a table of keys) is named
    // by a literal somewhere, whole or as its prefix.
    const std::string key = t.key;
    const size_t underscore = key.find('_');
    const bool named =
        literals.count(key) || (underscore != std::string::npos && literals.count(key.substr(0, underscore + 1)));
    EXPECT_TRUE(named) << t.section << "/" << t.key << " is in the table but no code reads it";
  }
  for (const Key& k : used)
    EXPECT_TRUE(table.count(k)) << k.first << "/" << k.second << " is read by the code but missing from the table";
}

TEST(CatalogueKeys, WithoutALanguageFileEveryTextIsItsFrenchDefault) {
  test::TestDir dir;
  test::LanguageFileScope none(dir.win("orvella.lng"));
  for (const TextDefault& t : ProgramTexts()) EXPECT_EQ(Text(t.section, t.key), Ansi(t.french)) << t.key;
  EXPECT_EQ(Text("EcrOrvella", "NoSuchKey"), "NoSuchKey") << "a misspelt key shows as itself";
  EXPECT_EQ(OSErrorMessage(0), Ansi("Un appel à une fonction du système d'exploitation a échoué"));
  EXPECT_EQ(InOutErrorText(101), Ansi("Disque plein"));
}

TEST(CatalogueKeys, TranslationsFollowTheLanguageFileAndItsChanges) {
  test::TestDir dir;
  test::LanguageFileScope texts(dir.win("orvella.lng"));
  dir.file("orvella.lng",
           "[EcrOrvella]\r\nDisquePlein=Disk full\r\nErreurES=I/O error %s!\r\nBoutonOui=\r\n"
           "[EcrOrdre]\r\nAeroportDouble=%s: %s over %s (%s wins)\r\nAlaMain=\" (by hand)\"\r\n");
  EXPECT_EQ(InOutErrorText(101), "Disk full") << "the run-time errors read the catalogue too";
  EXPECT_EQ(InOutErrorText(7), "I/O error 7!");
  EXPECT_EQ(Text("EcrOrvella", "BoutonOui"), Ansi("&Oui")) << "an empty value changes nothing";
  EXPECT_EQ(Text("EcrOrdre", "AeroportDouble", {"LFPG", "A", "B %s", "A"}), "LFPG: A over B %s (A wins)");
  EXPECT_EQ(Text("EcrOrdre", "AlaMain"), " (by hand)") << "quotes keep the leading blank";
  EXPECT_EQ(Text("EcrOrvella", "DisquePlein"), "Disk full");
  EXPECT_EQ(Text("EcrOrdre", "DisquePlein"), "DisquePlein") << "a key belongs to its own section";
  // A window's creation reads the file again, its texts with it.
  dir.file("orvella.lng", "[EcrOrvella]\r\nDisquePlein=Platte voll\r\n");
  EXPECT_EQ(Text("EcrOrvella", "DisquePlein"), "Disk full");
  Form window("EcrOrvella", "X", 10, 10);
  TraduitEcran(window, {});
  EXPECT_EQ(Text("EcrOrvella", "DisquePlein"), "Platte voll");
}

class ShippedFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedFile, GivesEveryKeyWithItsPlaceholdersAndNoOtherKey) {
  const fs::path file = fs::path(ORVELLA_SOURCE_DIR) / "dist" / "lang" / GetParam();
  const std::string bytes = ReadHostFile(file);
  ASSERT_FALSE(bytes.empty()) << file;
  ASSERT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark: it would hide the first section";
  ASSERT_GT(win::MultiByteToWideChar(win::CP_UTF8, win::MB_ERR_INVALID_CHARS, bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, 0),
            0)
      << "the shipped files are UTF-8";

  const std::vector<test::KeyedText> every = test::EveryKeyedText();
  std::set<Key> known;
  for (const test::KeyedText& t : every) known.insert({t.section, t.key});
  // Every section and key the file names is one the program reads.
  std::string section;
  std::set<Key> named;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const Key k{section, line.substr(0, line.find('='))};
    EXPECT_TRUE(known.count(k)) << GetParam() << ": [" << k.first << "] " << k.second << " is read by nothing";
    EXPECT_TRUE(named.insert(k).second) << GetParam() << ": [" << k.first << "] " << k.second << " twice";
  }
  // And the program's own reader finds a text for each of its keys, with
  // the placeholders its arguments fill.
  test::TestDir dir;
  test::LanguageFileScope scope(platform::FromHostPath(file.u16string()));
  for (const test::KeyedText& t : every) {
    const std::string translated = LitTexte(t.section, t.key);
    EXPECT_FALSE(translated.empty()) << GetParam() << " lacks [" << t.section << "] " << t.key;
    EXPECT_EQ(test::Placeholders(translated), test::Placeholders(t.french))
        << GetParam() << ": [" << t.section << "] " << t.key << " = " << Utf8FromAnsi(translated);
  }
}

INSTANTIATE_TEST_SUITE_P(EnglishAndGerman, ShippedFile, ::testing::Values("orvella-en.lng", "orvella-de.lng"));

// Which file is read, by the interface language and the files in place.
struct Placement {
  const char* language;
  std::vector<const char*> files;  // relative to the test's folder
  const char* expected;            // the file read; "bin/orvella.lng" is none
};

class LanguageChoice : public ::testing::TestWithParam<Placement> {};

TEST_P(LanguageChoice, TheUsersFileFirstThenTheShippedOneOfTheInterfaceLanguage) {
  test::TestDir dir;
  dir.file("bin/orvella", "");
  for (const char* f : GetParam().files) dir.file(f, "[EcrOrvella]\r\nbtnQuitter=x\r\n");
#ifdef _WIN32
  for (const char* f : GetParam().files)
    if (std::string(f).starts_with("config/")) GTEST_SKIP() << "the configuration folder is the system's own";
  const std::string chosen = LanguageFilePath(dir.win("bin/orvella"), GetParam().language);
#else
  const std::optional<std::string> oldConfig =
      std::getenv("XDG_CONFIG_HOME") ? std::optional<std::string>(std::getenv("XDG_CONFIG_HOME")) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", dir.host("config").c_str(), 1);
  const std::string chosen = LanguageFilePath(dir.win("bin/orvella"), GetParam().language);
  if (oldConfig)
    ::setenv("XDG_CONFIG_HOME", oldConfig->c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
#endif
  EXPECT_EQ(chosen, dir.win(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    FilesAndLanguages, LanguageChoice,
    ::testing::Values(Placement{"en", {}, "bin/orvella.lng"},
                      Placement{"en", {"bin/orvella-en.lng", "bin/orvella-de.lng"}, "bin/orvella-en.lng"},
                      Placement{"de", {"bin/orvella-en.lng", "bin/orvella-de.lng"}, "bin/orvella-de.lng"},
                      Placement{"de", {"share/orvella/orvella-de.lng"}, "share/orvella/orvella-de.lng"},
                      Placement{"de", {"bin/orvella-de.lng", "share/orvella/orvella-de.lng"}, "bin/orvella-de.lng"},
                      Placement{"en", {"bin/orvella-de.lng", "share/orvella/orvella-de.lng"}, "bin/orvella.lng"},
                      // French, and a language the program has no file for, keep the
                      // French texts; so does a locale that names no language.
                      Placement{"fr", {"bin/orvella-en.lng", "bin/orvella-de.lng"}, "bin/orvella.lng"},
                      Placement{"", {"bin/orvella-en.lng", "share/orvella/orvella-de.lng"}, "bin/orvella.lng"},
                      // A file the user put in place always wins.
                      Placement{"en", {"bin/orvella.lng", "bin/orvella-en.lng"}, "bin/orvella.lng"},
                      Placement{
                          "de", {"config/orvella/orvella.lng", "bin/orvella-de.lng"}, "config/orvella/orvella.lng"},
                      Placement{"de", {"bin/orvella.lng", "config/orvella/orvella.lng"}, "bin/orvella.lng"}));

// The interface language from the locale's variables, as the C library
// picks the language of its messages.
struct Locale {
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  const char* expected;
};

class InterfaceLanguage : public ::testing::TestWithParam<Locale> {};

TEST_P(InterfaceLanguage, ComesFromTheFirstVariableSet) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows answers the language of its own interface";
#else
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  const char* values[] = {GetParam().lcAll, GetParam().lcMessages, GetParam().lang};
  std::optional<std::string> old[3];
  for (int i = 0; i < 3; ++i) {
    if (const char* v = std::getenv(names[i])) old[i] = v;
    if (*values[i])
      ::setenv(names[i], values[i], 1);
    else
      ::unsetenv(names[i]);
  }
  const std::string language = UserInterfaceLanguage();
  for (int i = 0; i < 3; ++i) {
    if (old[i])
      ::setenv(names[i], old[i]->c_str(), 1);
    else
      ::unsetenv(names[i]);
  }
  EXPECT_EQ(language, GetParam().expected);
#endif
}

INSTANTIATE_TEST_SUITE_P(Variables, InterfaceLanguage,
                         ::testing::Values(Locale{"", "", "en_US.UTF-8", "en"}, Locale{"", "", "de_AT@euro", "de"},
                                           Locale{"", "", "fr_CA.UTF-8", "fr"}, Locale{"", "de_DE", "en_GB", "de"},
                                           Locale{"C", "de_DE", "de_DE", ""}, Locale{"C.UTF-8", "", "en_US", ""},
                                           Locale{"POSIX", "", "", ""}, Locale{"", "", "", ""},
                                           Locale{"EN_gb.UTF-8", "", "", "en"}, Locale{"", "", "es_ES", ""},
                                           Locale{"", "", "deu", ""}));

}  // namespace
}  // namespace orvella
