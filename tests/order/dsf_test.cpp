// The header of DSF tiles: parsing the start of a plain tile, and reading
// plain and 7z tiles from real files, damaged ones included.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#include "logic/order/dsf.h"
#include "logic/order/sevenzip.h"
#include "order/packbuilder.h"

namespace orvella {
namespace {

using test::Atom;
using test::DsfFile;
using test::PropPayload;
using test::PutU32;
using test::TestDir;
using Status = DsfStart::Status;

std::string Start(const std::string& atoms, std::uint32_t version = 1) {
  std::string s = "XPLNEDSF";
  PutU32(s, version);
  return s + atoms;
}

TEST(DsfParse, PropertiesOfTheHeaderInFileOrder) {
  const std::string f = DsfFile({{"sim/overlay", "1"}, {"sim/west", "-122"}, {"sim/empty", ""}});
  const DsfStart s = ParseDsfStart(f);
  ASSERT_EQ(s.status, Status::Done);
  EXPECT_EQ(s.properties, (DsfProperties{{"sim/overlay", "1"}, {"sim/west", "-122"}, {"sim/empty", ""}}));
  EXPECT_TRUE(IsOverlay(s.properties));
  EXPECT_FALSE(IsOverlay({{"sim/overlay", "0"}}));
  EXPECT_FALSE(IsOverlay({{"sim/overlay_x", "1"}}));
}

TEST(DsfParse, AShortStartAsksForWhatTheHeaderNeeds) {
  const std::string f = DsfFile({{"sim/west", "2"}, {"sim/south", "48"}});
  // Every cut inside the header asks for more, and never for less than it had.
  const size_t headerEnd = f.find("NFED");  // the next atom, "DEFN" stored little-endian
  ASSERT_NE(headerEnd, std::string::npos);
  for (size_t cut = 0; cut < headerEnd; ++cut) {
    const DsfStart s = ParseDsfStart(std::string_view(f).substr(0, cut));
    ASSERT_EQ(s.status, Status::NeedMore) << cut;
    EXPECT_GT(s.needed, cut);
    EXPECT_LE(s.needed, headerEnd);
  }
  EXPECT_EQ(ParseDsfStart(std::string_view(f).substr(0, headerEnd)).status, Status::Done);
}

TEST(DsfParse, TheHeaderIsFoundBehindOtherAtomsAndWithoutProperties) {
  const std::string head = Atom("HEAD", Atom("PROP", PropPayload({{"sim/overlay", "1"}})));
  DsfStart s = ParseDsfStart(Start(Atom("DEFN", std::string(100, 'x')) + head));
  ASSERT_EQ(s.status, Status::Done);
  EXPECT_TRUE(IsOverlay(s.properties));
  // Another atom in the header before its properties.
  s = ParseDsfStart(Start(Atom("HEAD", Atom("XTRA", "abc") + Atom("PROP", PropPayload({{"a", "b"}})))));
  ASSERT_EQ(s.status, Status::Done);
  EXPECT_EQ(s.properties, (DsfProperties{{"a", "b"}}));
  s = ParseDsfStart(Start(Atom("HEAD", "")));
  EXPECT_EQ(s.status, Status::Done);
  EXPECT_TRUE(s.properties.empty());
}

TEST(DsfParse, DamagedStartsAreRefused) {
  const std::string good = Atom("HEAD", Atom("PROP", PropPayload({{"a", "b"}})));
  std::string zeroLength = Start("");
  PutU32(zeroLength, 0x48454144u);
  PutU32(zeroLength, 4);  // shorter than the atom's own header
  std::string subTooLong = Start("");
  PutU32(subTooLong, 0x48454144u);
  PutU32(subTooLong, 8 + 8);
  PutU32(subTooLong, 0x50524F50u);
  PutU32(subTooLong, 100);  // runs past the header atom
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"other magic", "XPLNEDSX" + good},
      {"a 7z archive is no plain tile", std::string("7z\xBC\xAF\x27\x1C", 6) + std::string(40, '\0')},
      {"version 2", Start(good, 2)},
      {"atom shorter than its header", zeroLength},
      {"property atom past its header", subTooLong},
      {"string without its end", Start(Atom("HEAD", Atom("PROP", std::string("sim/overlay\0"
                                                                             "1",
                                                                             13))))},
      {"odd number of strings", Start(Atom("HEAD", Atom("PROP", std::string("sim/overlay\0", 12))))},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDsfStart(c.bytes).status, Status::Damaged) << c.what;
}

class DsfFileTest : public ::testing::Test {
 protected:
  TestDir dir;
};

TEST_F(DsfFileTest, PlainAndCompressedTilesGiveTheSameProperties) {
  if (!Dsf7zSupported()) GTEST_SKIP() << "this build reads no 7z";
  const auto props = test::TileProps(true, -123, 47);
  // A large body: the reader must not need it.
  const std::string tile = DsfFile(props, 3u << 20);
  const std::string plain = dir.file("plain.dsf", tile);
  test::Write7z(dir.host("packed.dsf"), "+47-123.dsf", tile);
  const auto a = ReadDsfProperties(plain);
  const auto b = ReadDsfProperties(dir.win("packed.dsf"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, DsfProperties(props.begin(), props.end()));
  EXPECT_EQ(*a, *b);
}

TEST_F(DsfFileTest, AHeaderLargerThanTheFirstReadIsReadOnToItsEnd) {
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 400; ++i) many.emplace_back("sim/key" + std::to_string(i), std::string(20, 'v'));
  const std::string tile = DsfFile(many);
  ASSERT_GT(tile.size(), 4096u * 2);
  const auto p = ReadDsfProperties(dir.file("big.dsf", tile));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->size(), 400u);
  EXPECT_EQ(p->back().first, "sim/key399");
  if (!Dsf7zSupported()) GTEST_SKIP() << "this build reads no 7z: its 7z cases are not run";
  test::Write7z(dir.host("big7z.dsf"), "big.dsf", tile);
  const auto q = ReadDsfProperties(dir.win("big7z.dsf"));
  ASSERT_TRUE(q);
  EXPECT_EQ(*p, *q);
}

TEST_F(DsfFileTest, DamagedAndMissingFilesGiveNothing) {
  const std::string tile = DsfFile(test::TileProps(false));
  EXPECT_FALSE(ReadDsfProperties(dir.win("missing.dsf")));
  EXPECT_FALSE(ReadDsfProperties(dir.file("empty.dsf", "")));
  EXPECT_FALSE(ReadDsfProperties(dir.file("cut.dsf", tile.substr(0, 30))));  // ends inside its header
  EXPECT_FALSE(ReadDsfProperties(dir.file("text.dsf", "not a tile at all")));
  EXPECT_FALSE(ReadDsfProperties(dir.mkdir("folder.dsf")));
  // An atom length that points past every limit.
  std::string huge = Start("");
  PutU32(huge, 0x44454E46u);
  PutU32(huge, 0xFFFFFFF0u);
  EXPECT_FALSE(ReadDsfProperties(dir.file("huge.dsf", huge)));
  if (!Dsf7zSupported()) GTEST_SKIP() << "this build reads no 7z: its 7z cases are not run";
  // A 7z archive cut short, one with garbage after its signature, and one
  // whose file is no tile.
  test::Write7z(dir.host("whole.7z"), "t.dsf", tile);
  const std::string whole = dir.read("whole.7z");
  EXPECT_FALSE(ReadDsfProperties(dir.file("cut7z.dsf", whole.substr(0, whole.size() / 2))));
  EXPECT_FALSE(ReadDsfProperties(dir.file("junk7z.dsf", whole.substr(0, 6) + std::string(200, '\x55'))));
  std::string flipped = whole;
  for (size_t i = 40; i < flipped.size() && i < 80; ++i) flipped[i] = static_cast<char>(~flipped[i]);
  EXPECT_FALSE(ReadDsfProperties(dir.file("flipped7z.dsf", flipped)));
  test::Write7z(dir.host("readme7z.dsf"), "readme.txt", "hello");
  EXPECT_FALSE(ReadDsfProperties(dir.win("readme7z.dsf")));
}

// The archives libarchive writes are of the shape read without it: their
// file comes out whole in any steps; past a smaller limit, what comes out is
// the file or an error, never other bytes; damage is refused or an error.
TEST_F(DsfFileTest, TheUsualArchiveIsReadWithoutLibarchive) {
#if !ORVELLA_TEST_7Z
  GTEST_SKIP() << "this build writes no 7z";
#endif
  if (!SevenZipFirstFile::Supported()) GTEST_SKIP() << "this build has no LZMA decoder of its own";
  // Random blocks repeated far apart: matches reach back 96 KiB.
  std::mt19937 random(7);
  std::string block(96 * 1024, '\0');
  for (char& c : block) c = static_cast<char>(random() % 7);
  const std::string content = block + block + block.substr(0, 5000);
  test::Write7z(dir.host("a.7z"), "t.dsf", content);
  const std::string archive = dir.read("a.7z");
  auto from = [](const std::string& bytes) {
    return [&bytes](std::uint64_t at, size_t n, std::string& out) {
      if (at > bytes.size() || n > bytes.size() - at) return false;
      out.assign(bytes, static_cast<size_t>(at), n);
      return true;
    };
  };
  for (const size_t limit : {content.size(), size_t{4096}}) {
    SCOPED_TRACE(limit);
    SevenZipFirstFile z;
    ASSERT_EQ(z.open(from(archive), archive.size(), limit), SevenZipFirstFile::Opened::Yes);
    std::string out;
    bool ok = true;
    for (size_t had = 1; ok && had != out.size();) {
      had = out.size();
      ok = z.read(out, 1000);
    }
    if (limit == content.size()) {
      EXPECT_TRUE(ok);
    }
    EXPECT_EQ(out, content.substr(0, out.size()));
    EXPECT_GE(out.size(), std::min(limit, content.size()));
  }
  // A header byte changed, or the archive cut: not opened, or a failed read.
  std::string changed = archive;
  changed[archive.size() - 10] ^= 0x40;
  const std::string cut = archive.substr(0, archive.size() / 2);
  for (const std::string* bad : {&std::as_const(changed), &cut}) {
    SevenZipFirstFile z;
    std::string out;
    EXPECT_FALSE(z.open(from(*bad), bad->size(), content.size()) == SevenZipFirstFile::Opened::Yes &&
                 z.read(out, content.size()) && out == content);
  }
}

// What no reader could take is refused as damaged before libarchive sees
// it; another shape is left to libarchive.
TEST_F(DsfFileTest, SevenZipStartsThatPointNowhereAreDamaged) {
  if (!SevenZipFirstFile::Supported()) GTEST_SKIP() << "this build has no LZMA decoder of its own";
  auto fixture = [](const std::string& name) {
    std::ifstream in(std::string(ORVELLA_SOURCE_DIR) + "/tests/order/data/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string good = fixture("lzma2.7z");
  ASSERT_GT(good.size(), 64u);
  // The start header's checksum covers bytes 12 to 31 (the next header's
  // place, size and checksum).
  auto withStart = [&good](size_t at, char value, bool keepCrc) {
    std::string b = good;
    b[at] = value;
    if (keepCrc) {
      std::uint32_t crc = 0xFFFFFFFFu;  // CRC-32, as the format uses
      for (size_t i = 12; i < 32; ++i) {
        crc ^= static_cast<unsigned char>(b[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
      }
      crc = ~crc;
      for (int i = 0; i < 4; ++i) b[8 + i] = static_cast<char>(crc >> (8 * i));
    }
    return b;
  };
  using Opened = SevenZipFirstFile::Opened;
  const struct {
    const char* what;
    std::string bytes;
    Opened expected;
  } cases[] = {
      {"as made", good, Opened::Yes},
      {"start checksum wrong", withStart(13, '\x7f', false), Opened::Damaged},
      {"next header beyond the end", withStart(19, '\x01', true), Opened::Damaged},
      {"next header checksum wrong", withStart(28, static_cast<char>(good[28] ^ 1), true), Opened::Damaged},
      {"a later major version", withStart(6, '\x01', true), Opened::Other},
      {"no 7z at all", std::string(64, 'x'), Opened::Other},
  };
  for (const auto& c : cases) {
    SevenZipFirstFile z;
    const Opened got = z.open(
        [&c](std::uint64_t at, size_t n, std::string& out) {
          if (at > c.bytes.size() || n > c.bytes.size() - at) return false;
          out.assign(c.bytes, static_cast<size_t>(at), n);
          return true;
        },
        c.bytes.size(), 4096);
    EXPECT_EQ(got, c.expected) << c.what;
  }
  if (!Dsf7zSupported()) GTEST_SKIP() << "this build reads no 7z";
  EXPECT_EQ(
      ReadDsfPrefix(
          dir.file("damaged.dsf", withStart(19, '\x01', true)), [](std::string_view) { return DsfStart(); }, 1u << 20)
          .status,
      DsfPrefix::Status::Unreadable7z);
}

// Tiles packed by 7-Zip (LZMA2, its default, and LZMA; and one archive of
// two files, whose header 7-Zip compresses): read as libarchive reads them,
// the one-file ones without it.
TEST_F(DsfFileTest, ArchivesMadeBy7ZipGiveTheirTilesProperties) {
  if (!Dsf7zSupported()) GTEST_SKIP() << "this build reads no 7z";
  auto fixture = [](const std::string& name) {
    std::ifstream in(std::string(ORVELLA_SOURCE_DIR) + "/tests/order/data/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string plain = fixture("+46+007.dsf");
  const auto expected = ReadDsfProperties(dir.file("plain.dsf", plain));
  ASSERT_TRUE(expected);
  ASSERT_EQ(expected->size(), 6u);
  for (const auto& [name, simple] : {std::pair{"lzma2.7z", true}, {"lzma1.7z", true}, {"two.7z", false}}) {
    SCOPED_TRACE(name);
    const std::string archive = fixture(name);
    ASSERT_FALSE(archive.empty());
    EXPECT_EQ(ReadDsfProperties(dir.file(name, archive)), expected);
    SevenZipFirstFile z;
    const bool opened = SevenZipFirstFile::Opened::Yes == z.open(
                                                              [&archive](std::uint64_t at, size_t n, std::string& out) {
                                                                if (at > archive.size() || n > archive.size() - at)
                                                                  return false;
                                                                out.assign(archive, static_cast<size_t>(at), n);
                                                                return true;
                                                              },
                                                              archive.size(), plain.size());
    EXPECT_EQ(opened, simple && SevenZipFirstFile::Supported());
    std::string out;
    if (opened) {
      EXPECT_TRUE(z.read(out, plain.size() + 10));
      EXPECT_EQ(out, plain);
    }
  }
}

}  // namespace
}  // namespace orvella
