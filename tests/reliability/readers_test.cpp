// Inputs that the fuzz targets once found wrong, kept as tests of the
// readers they went through.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ini.h"

namespace orvella::test {
namespace {

std::string Lookup(const std::string& file, const char* section, const char* key) {
  char buffer[64];
  const win::DWORD n = platform::ReadProfileStringFromBytes(file, section, key, "", buffer, sizeof buffer);
  return std::string(buffer, n);
}

// A language file with a zero byte in it (fuzz_lng): the count answered is
// the length of the C string the caller gets, and a name list keeps its shape.
TEST(LanguageFileReader, AZeroByteEndsItsLine) {
  static const char kText[] = "[EcrOrvella]\r\ncaption=Ecr\0an\r\nbtn\0Quitter=x\r\n[A\0B]\r\nk=v\r\n";
  const std::string file(kText, sizeof kText - 1);
  EXPECT_EQ(Lookup(file, "EcrOrvella", "caption"), "Ecr");
  EXPECT_EQ(Lookup(file, "EcrOrvella", "btn"), "") << "a key cut at the zero has no '='";
  EXPECT_EQ(Lookup(file, nullptr, nullptr), std::string("EcrOrvella\0A\0", 13));
  EXPECT_EQ(Lookup(file, "A", "k"), "v");
}

// A name list whose names fill the buffer to its last byte, and one more
// name after them (fuzz_lng): the list is cut, nothing is written past it.
TEST(LanguageFileReader, ANameListThatFillsTheBufferExactly) {
  const std::string file = "[abc]\n[de]\n[f]\n";
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  // "abc\0de\0" fills 7 of the 8 bytes; "f" does not fit.
  EXPECT_EQ(platform::ReadProfileStringFromBytes(file, nullptr, nullptr, "", buffer, 8), 6u);
  EXPECT_EQ(std::string(buffer, 8), std::string("abc\0de\0\0", 8));
  // The same names with room for all of them.
  char room[16];
  EXPECT_EQ(platform::ReadProfileStringFromBytes(file, nullptr, nullptr, "", room, 16), 9u);
  EXPECT_EQ(std::string(room, 10), std::string("abc\0de\0f\0\0", 10));
}

}  // namespace
}  // namespace orvella::test
