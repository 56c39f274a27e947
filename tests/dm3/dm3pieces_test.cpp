// Large blocks left in the stream: the picture read again in pieces must give
// the tags, the dump and the levels of a load that holds every block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "dm3/dm3fixture.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "logic/dm3/dm3pixels.h"
#include "support/dm3writer.h"

namespace orvella::test {
namespace {

using namespace dm3w;

// A memory stream without ReadAt (every block is then held, as by a plain
// stream), or whose ReadAt fails.
class PlainStream : public dm3::Stream {
 public:
  explicit PlainStream(const std::string& bytes, bool failingReadAt = false)
      : inner_(bytes), failingReadAt_(failingReadAt) {}
  void ReadBuffer(void* buffer, std::size_t size) override { inner_.ReadBuffer(buffer, size); }
  std::uint64_t Position() const override { return inner_.Position(); }
  std::uint64_t Remaining() const override { return inner_.Remaining(); }
  bool CanReadAt() const override { return failingReadAt_; }
  void ReadAt(std::uint64_t, void*, std::size_t) override { throw EReadError(); }

 private:
  dm3::MemoryStream inner_;
  bool failingReadAt_;
};

// The levels ConvertPixels gives for the first count values of a block.
std::vector<std::uint8_t> Expected(std::uint32_t type, const std::string& block, std::size_t count) {
  std::vector<std::uint8_t> out(count);
  dm3::ConvertPixels(type, reinterpret_cast<const std::byte*>(block.data()), count, out.data());
  return out;
}

std::vector<float> Wave(std::size_t count) {
  std::vector<float> v(count);
  for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<float>(std::sin(static_cast<double>(i) * 0.01) * 500.0);
  return v;
}

class Dm3PiecesTest : public Dm3Test {
 protected:
  // Loads the bytes from memory (blocks skipped, then viewed) and from a
  // file (blocks read through, then read again); answers the first failure
  // message, or the empty text when both loads give the same pixels.
  std::string LoadBoth(const std::string& bytes) {
    dm3::MemoryStream memory(bytes);
    if (std::string m = LoadFrom(memory); !m.empty()) return "memory: " + m;
    const std::vector<std::uint8_t> fromMemory = image_.Bitmap().pixels;
    dm3::FileStream file(cwd_.dir().file("both.dm3", bytes));
    if (std::string m = LoadFrom(file); !m.empty()) return "file: " + m;
    if (image_.Bitmap().pixels != fromMemory) return "the file gives other levels";
    return {};
  }
  std::string LoadFrom(dm3::Stream& stream) {
    try {
      image_.LoadFromStream(stream);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(Dm3PiecesTest, LeftBlocksGiveTheTagsDumpAndLevelsOfHeldOnes) {
  // 300 x 300 floats: 360,000 bytes, two pieces; a NaN in the second one.
  std::vector<float> values = Wave(300 * 300);
  values[70000] = std::numeric_limits<float>::quiet_NaN();
  const std::string pixels = Block(values);
  Group root;
  root.ArrayOf("Big", 10, 100000, std::string(100000, '\x5A'));
  root.ArrayOf("Small", 10, 3, "abc");
  AddImage(root.AddGroup("ImageList"), 300, 300, 2, 4, 6, pixels);
  root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 0);
  const std::string file = File(root);

  PlainStream plain(file);
  ASSERT_EQ(LoadFrom(plain), "");
  const std::string heldDump = Dump();
  const std::vector<std::uint8_t> held = image_.Bitmap().pixels;
  EXPECT_NE(Node({"ImageList", "0", "ImageData", "Data"})->Data(), nullptr);

  dm3::MemoryStream stream(file);
  ASSERT_EQ(LoadFrom(stream), "");
  EXPECT_EQ(Dump(), heldDump);
  EXPECT_EQ(image_.Bitmap().pixels, held);
  EXPECT_EQ(held, Expected(dm3::kDataFloat32, pixels, values.size()));
  EXPECT_EQ(stream.Remaining(), 0u);
  // Large blocks have their size and place but no data block; small ones keep theirs.
  const TPPMemNode* data = Node({"ImageList", "0", "ImageData", "Data"});
  EXPECT_EQ(data->Data(), nullptr);
  EXPECT_EQ(ChildNames(data->FindChild(".Sz")), "= 360000");
  EXPECT_EQ(Node({"Big"})->Data(), nullptr);
  ASSERT_NE(Node({"Small"})->Data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Node({"Small"})->Data()), 3), "abc");
}

TEST_F(Dm3PiecesTest, BlocksUpToTheLimitAreHeld) {
  constexpr auto kLimit = static_cast<std::int32_t>(TDM3Image::kHeldBlockLimit);
  Group root;
  root.ArrayOf("AtLimit", 10, kLimit, std::string(kLimit, '\1'));
  root.ArrayOf("Above", 10, kLimit + 1, std::string(kLimit + 1, '\2'));
  EXPECT_EQ(Load(File(root)), "DM3 Image data not found.");
  ASSERT_NE(Node({"AtLimit"})->Data(), nullptr);
  EXPECT_EQ(static_cast<char>(Node({"AtLimit"})->Data()[TDM3Image::kHeldBlockLimit - 1]), '\1');
  EXPECT_EQ(Node({"Above"})->Data(), nullptr);
}

// A file stream reads left blocks through, gathering the range of each in its
// element type; the picture may use it only when it stands for exactly the
// values converted, in their data type.
TEST_F(Dm3PiecesTest, TheRangeGatheredOnTheWayServesOnlyTheSameValues) {
  {
    SCOPED_TRACE("fewer pixels than the block holds");
    std::vector<std::int16_t> v(40000);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::int16_t>(i % 200);
    v[30000] = -30000;  // outside the picture: must not widen its range
    v[39999] = 30000;
    const std::string block = Block(v);
    Group root;
    root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 0);
    AddImage(root.AddGroup("ImageList"), 100, 100, 1, 2, 2, block);
    ASSERT_EQ(LoadBoth(File(root)), "");
    EXPECT_EQ(image_.Bitmap().pixels, Expected(dm3::kDataInt16, block, 100 * 100));
    EXPECT_EQ(image_.Bitmap().pixels[199], 255);
  }
  {
    SCOPED_TRACE("32-bit integer elements holding float pixels");
    const std::vector<float> values = Wave(200 * 100);
    const std::string block = Block(values);
    Group root;
    AddImage(root.AddGroup("ImageList"), 200, 100, 2, 4, 3, block);
    ASSERT_EQ(LoadBoth(File(root)), "");
    EXPECT_EQ(image_.Bitmap().pixels, Expected(dm3::kDataFloat32, block, values.size()));
  }
  {
    SCOPED_TRACE("byte elements holding unsigned 16-bit pixels");
    std::vector<std::uint16_t> v(50000);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint16_t>(40000 + i % 9000);
    const std::string block = Block(v);
    Group root;
    AddImage(root.AddGroup("ImageList"), 250, 200, 10, 2, 10, block);
    ASSERT_EQ(LoadBoth(File(root)), "");
    EXPECT_EQ(image_.Bitmap().pixels, Expected(dm3::kDataUInt16, block, v.size()));
  }
}

TEST_F(Dm3PiecesTest, AFailedReadOfTheLeftPictureKeepsThePreviousOne) {
  Group small;
  AddImage(small.AddGroup("ImageList"), 2, 1, 1, 2, 2, Block<std::int16_t>({0, 10}));
  ASSERT_EQ(Load(File(small)), "");
  Group big;
  AddImage(big.AddGroup("ImageList"), 300, 300, 2, 4, 6, Block(Wave(300 * 300)));
  PlainStream failing(File(big), true);
  EXPECT_EQ(LoadFrom(failing), EReadError().what());
  EXPECT_EQ(image_.GetWidth(), 2);
  EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 255}));
  // The tags were read: the dump shows them.
  EXPECT_NE(Dump().find("DataType = 2"), std::string::npos);
}

// ---- Streams ------------------------------------------------------------------

TEST_F(Dm3PiecesTest, ReadAtLeavesThePositionAndRefusesBytesBeyondTheEnd) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i % 251);
  const std::string path = cwd_.dir().file("bytes.bin", bytes);
  dm3::FileStream file(path);
  dm3::MemoryStream memory(bytes);
  for (dm3::Stream* stream : {static_cast<dm3::Stream*>(&file), static_cast<dm3::Stream*>(&memory)}) {
    ASSERT_TRUE(stream->CanReadAt());
    char head[3];
    stream->ReadBuffer(head, 3);
    // Forwards, far forwards, then back: every read sees its own bytes.
    for (std::uint64_t pos : {100000u, 199990u, 10u, 150000u, 0u}) {
      std::string got(10, '\0');
      stream->ReadAt(pos, got.data(), got.size());
      EXPECT_EQ(got, bytes.substr(pos, 10)) << pos;
      EXPECT_EQ(stream->Position(), 3u);
    }
    std::string large(100000, '\0');
    stream->ReadAt(50000, large.data(), large.size());
    EXPECT_EQ(large, bytes.substr(50000, 100000));
    char four[4];
    EXPECT_THROW(stream->ReadAt(199998, four, 4), EReadError);
    EXPECT_THROW(stream->ReadAt(300000, four, 1), EReadError);
    stream->ReadBuffer(head, 3);
    EXPECT_EQ(std::string(head, 3), bytes.substr(3, 3));
  }
  // Memory offers views and skips; the file stream neither (it reads).
  const std::byte* view = memory.ViewAt(199990, 10);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view), 10), bytes.substr(199990, 10));
  EXPECT_EQ(memory.ViewAt(199991, 10), nullptr);
  EXPECT_FALSE(memory.SkipOver(200000));
  EXPECT_EQ(memory.Position(), 6u);
  EXPECT_TRUE(memory.SkipOver(199994));
  EXPECT_EQ(memory.Remaining(), 0u);
  EXPECT_EQ(file.ViewAt(0, 10), nullptr);
  EXPECT_FALSE(file.SkipOver(10));
  EXPECT_EQ(file.Position(), 6u);
}

TEST_F(Dm3PiecesTest, ALargePictureFromAFileEndsTheStreamAtItsEnd) {
  const std::vector<float> values = Wave(512 * 300);
  Group root;
  Group& list = root.AddGroup("ImageList");
  AddImage(list, 64, 64, 2, 4, 6, Block(Wave(64 * 64)));  // a thumbnail first
  AddImage(list, 512, 300, 2, 4, 6, Block(values));
  root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 1);
  const std::string bytes = File(root);
  dm3::FileStream stream(cwd_.dir().file("big.dm3", bytes));
  ASSERT_EQ(LoadFrom(stream), "");
  EXPECT_EQ(stream.Remaining(), 0u);
  ASSERT_EQ(image_.GetWidth(), 512);
  EXPECT_EQ(image_.Bitmap().pixels, Expected(dm3::kDataFloat32, Block(values), values.size()));
}

}  // namespace
}  // namespace orvella::test
