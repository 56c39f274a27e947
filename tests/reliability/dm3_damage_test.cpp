// Damaged DM3 files: cut short at every byte, and with every count of the
// file (entries, name lengths, fields, elements) replaced by values no
// writer makes. Each load ends in a clear error of the reader or in a
// picture, never in a crash, and no single allocation is larger than the
// file (beyond a small allowance for messages and bookkeeping).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <typeinfo>

#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "logic/dm3/dm3stream.h"
#include "logic/texts/textes.h"
#include "reliability/allocwatch.h"
#include "support/dm3writer.h"
#include "support/testdir.h"

namespace orvella::test {
namespace {

using namespace dm3w;

// Messages, node names and the tree's bookkeeping may exceed a tiny file.
constexpr std::size_t kAllowance = 512;

// The sizes of the allocations above the allowance that every load makes
// whatever the file holds (the platform's buffer for the current directory,
// where the tag dump goes): a load of a file without tags.
std::vector<std::size_t> FixedAllocations() {
  // The catalogue reads the texts of errors once, from the language file.
  for (const TextDefault& t : ProgramTexts()) Text(t.section, t.key);
  const std::string empty = File(Group());
  TDM3Image image;
  dm3::MemoryStream stream(empty.data(), empty.size());
  AllocationWatch watch(empty.size() + kAllowance);
  try {
    image.LoadFromStream(stream);
  } catch (const Error&) {
  }
  return watch.oversized();
}

// A file as a microscope writes one, in small: tags of every kind, a
// structure, texts, and two pictures with a reference to the second.
std::string RealisticFile() {
  Group root;
  root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 1);
  Group& values = root.AddGroup("Values");
  values.Int16("i16", -5).Int32("i32", 7).UInt16("u16", 9).UInt32("u32", 11).Float("f32", 1.5f);
  values.Double("f64", -0.25).Bool("b", 1).Char("c", 'x').UInt8("u8", 200);
  values.Tag("Calibration", Struct({Simple(6), Simple(6), Array(Simple(4), 2)}),
             Bytes(1.0f) + Bytes(0.5f) + std::string("n\0m\0", 4));
  root.Text("Name", u"Échantillon 12");
  Group& list = root.AddGroup("ImageList");
  AddImage(list, 4, 2, 1, 2, 2, Block<std::int16_t>({0, 1, 2, 3, 4, 5, 6, 7}));
  std::vector<float> pixels(8 * 6);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<float>(i) / 3.0f;
  AddImage(list, 8, 6, 2, 4, 6, Block(pixels));
  return File(root);
}

class DamagedDm3 : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::current_path(dir.host()); }
  void TearDown() override { std::filesystem::current_path(saved); }

  // Loads bytes: the error message, or "" for a picture. Records a failure
  // for anything but the reader's own errors, and for an allocation larger
  // than the file.
  std::string load(const std::string& bytes) {
    TDM3Image image;
    dm3::MemoryStream stream(bytes.data(), bytes.size());
    std::string result;
    AllocationWatch watch(bytes.size() + kAllowance);
    try {
      image.LoadFromStream(stream);
    } catch (const Error& e) {
      result = e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << typeid(e).name() << ": " << e.what();
      result = "?";
    }
    // Beyond the fixed ones, no allocation is larger than the file.
    std::vector<std::size_t> over = watch.oversized();
    for (std::size_t fixed : fixedAllocations) {
      if (auto it = std::find(over.begin(), over.end(), fixed); it != over.end()) over.erase(it);
    }
    EXPECT_TRUE(over.empty()) << "an allocation of " << over.front() << " bytes for a file of " << bytes.size();
    if (result.empty()) {
      EXPECT_EQ(image.Bitmap().pixels.size(),
                static_cast<std::size_t>(image.GetWidth()) * static_cast<std::size_t>(image.GetHeight()));
    }
    return result;
  }

  std::filesystem::path saved = std::filesystem::current_path();
  TestDir dir;
  const std::vector<std::size_t> fixedAllocations = FixedAllocations();
};

TEST_F(DamagedDm3, CutAtEveryByteIsAReadError) {
  const std::string full = RealisticFile();
  ASSERT_EQ(load(full), "");
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE("file cut after " + std::to_string(cut) + " bytes");
    const std::string message = load(full.substr(0, cut));
    EXPECT_TRUE(message == "Erreur de lecture du flux" || message.starts_with("DM3 Array data beyond end of file ("))
        << message;
  }
}

TEST_F(DamagedDm3, CorruptedCountsAreRefusedWithoutHugeAllocations) {
  const std::string full = RealisticFile();
  // Every 32-bit and 16-bit field of the file is some offset of it: each
  // value lands on every count, length and type word in turn.
  const std::uint32_t words[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x00010000, 0x0000FFFF, 101, 100};
  int loaded = 0;
  for (std::size_t at = 12; at < full.size(); ++at) {
    for (std::uint32_t word : words) {
      if (at + 4 > full.size()) break;
      std::string bytes = full;
      for (int k = 0; k < 4; ++k) bytes[at + static_cast<std::size_t>(k)] = static_cast<char>(word >> (24 - 8 * k));
      SCOPED_TRACE("word " + std::to_string(word) + " at " + std::to_string(at));
      loaded += load(bytes).empty();
    }
    std::string bytes = full;
    bytes[at] = '\xFF';
    if (at + 1 < full.size()) bytes[at + 1] = '\xFF';
    SCOPED_TRACE("0xFFFF at " + std::to_string(at));
    loaded += load(bytes).empty();
  }
  EXPECT_GT(loaded, 0) << "changes to values that do not matter still give a picture";
}

TEST_F(DamagedDm3, LongNamesAndWideStructuresInATinyFile) {
  // A name length of 65535 with 3 bytes behind it.
  std::string name = File(Group());
  name[17] = 1;  // one entry
  name += std::string(
      "\x15\xFF\xFF"
      "abc",
      6);
  EXPECT_EQ(load(name), "Erreur de lecture du flux");

  // A structure of 100 fields whose description the file cuts short.
  Group root;
  root.Tag("S", Type{{15, 0, 100, 0, 2}}, "");
  EXPECT_EQ(load(File(root)), "Erreur de lecture du flux");
}

}  // namespace
}  // namespace orvella::test
