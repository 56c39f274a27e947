#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "logic/dm3/dm3pixels.h"
#include "support/dm3writer.h"

namespace orvella::dm3 {
namespace {

template <typename T>
std::vector<int> Levels(std::uint32_t type, const std::vector<T>& values) {
  const std::string block = test::dm3w::Block(values);
  std::vector<std::uint8_t> out(values.size(), 0xAA);
  ConvertPixels(type, reinterpret_cast<const std::byte*>(block.data()), values.size(), out.data());
  return {out.begin(), out.end()};
}

TEST(Dm3Pixels, HalvesGoToTheEvenLevel) {
  // 0..510: the factor is 0.5, so 5 -> 2.5 -> 2 and 7 -> 3.5 -> 4.
  EXPECT_EQ(Levels<std::int16_t>(kDataInt16, {0, 5, 7, 9, 510}), (std::vector<int>{0, 2, 4, 4, 255}));
  // The same through 64-bit floats: 0.5 * 255 = 127.5 -> 128.
  EXPECT_EQ(Levels<double>(kDataFloat64, {0.0, 0.5, 1.0}), (std::vector<int>{0, 128, 255}));
}

TEST(Dm3Pixels, SearchesStartAtTheFormatsStartingValues) {
  // Signed values all below 0: the maximum stays 0.
  EXPECT_EQ(Levels<std::int16_t>(kDataInt16, {-200, -150, -100}), (std::vector<int>{0, 64, 127}));
  // Unsigned 16-bit values above 32767: the minimum stays 32767.
  EXPECT_EQ(Levels<std::uint16_t>(kDataUInt16, {40000, 50000}), (std::vector<int>{107, 255}));
  // Unsigned 32-bit values above 2147483647: the minimum stays there.
  EXPECT_EQ(Levels<std::uint32_t>(kDataUInt32, {3000000000u, 4294967295u}), (std::vector<int>{101, 255}));
  // Floats all above 0: the maximum search starts at 0 but the minimum is theirs.
  EXPECT_EQ(Levels<float>(kDataFloat32, {1.0f, 2.0f, 3.0f, 4.0f}), (std::vector<int>{0, 85, 170, 255}));
  EXPECT_EQ(Levels<float>(kDataFloat32, {-4.0f, -2.0f}), (std::vector<int>{0, 128}));
}

TEST(Dm3Pixels, RangesWiderThan32BitsDoNotWrapRound) {
  constexpr auto lo = std::numeric_limits<std::int32_t>::min();
  constexpr auto hi = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(Levels<std::int32_t>(kDataInt32, {lo, 0, hi}), (std::vector<int>{0, 128, 255}));
  EXPECT_EQ(Levels<std::uint32_t>(kDataUInt32, {0u, 4294967295u}), (std::vector<int>{0, 255}));
  EXPECT_EQ(Levels<std::int16_t>(kDataInt16, {-32768, 32767}), (std::vector<int>{0, 255}));
  EXPECT_EQ(Levels<std::uint16_t>(kDataUInt16, {0, 65535}), (std::vector<int>{0, 255}));
}

TEST(Dm3Pixels, AnEmptyRangeGivesBlack) {
  EXPECT_EQ(Levels<std::int16_t>(kDataInt16, {0, 0, 0}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Levels<std::int32_t>(kDataInt32, {9, 9}), (std::vector<int>{0, 0}));
  EXPECT_EQ(Levels<std::uint16_t>(kDataUInt16, {32767}), (std::vector<int>{0}));
  EXPECT_EQ(Levels<float>(kDataFloat32, {2.5f, 2.5f}), (std::vector<int>{0, 0}));
  EXPECT_EQ(Levels<double>(kDataFloat64, {0.0}), (std::vector<int>{0}));
}

TEST(Dm3Pixels, NotANumberAndInfinitiesStayInsideTheLevels) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // A NaN takes no part in the range and shows black.
  EXPECT_EQ(Levels<float>(kDataFloat32, {nan, 0.0f, 1.0f}), (std::vector<int>{0, 0, 255}));
  // An infinite range leaves no finite factor: everything black.
  EXPECT_EQ(Levels<float>(kDataFloat32, {0.0f, inf, 1.0f}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Levels<double>(kDataFloat64, {-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()}),
            (std::vector<int>{0, 0}));
}

// Pictures long enough for the vector path (sixteen values at a time) and its
// tail: every lane must give the level of the formula, halves to even, NaN
// and the clamps included.
TEST(Dm3Pixels, LongPicturesFollowTheFormulaInEveryPosition) {
  // 0..510 in steps of 1, so the factor is 0.5 and every odd value is a half.
  std::vector<float> floats;
  for (int i = 0; i <= 510; ++i) floats.push_back(static_cast<float>(i));
  floats[17] = std::numeric_limits<float>::quiet_NaN();
  floats[40] = -0.0f;
  std::vector<double> doubles(floats.begin(), floats.end());
  std::vector<int> expected;
  for (int i = 0; i <= 510; ++i) expected.push_back(static_cast<int>(std::nearbyint(i * 0.5)) & 0xFF);
  expected[17] = 0;
  expected[40] = 0;
  EXPECT_EQ(Levels<float>(kDataFloat32, floats), expected);
  EXPECT_EQ(Levels<double>(kDataFloat64, doubles), expected);

  // An infinity anywhere leaves no finite factor: black everywhere.
  std::vector<float> infinite(40, 1.0f);
  infinite[0] = 0.0f;
  infinite[21] = std::numeric_limits<float>::infinity();
  EXPECT_EQ(Levels<float>(kDataFloat32, infinite), std::vector<int>(40, 0));
  std::vector<double> negative(40, 1.0);
  negative[33] = -std::numeric_limits<double>::infinity();
  EXPECT_EQ(Levels<double>(kDataFloat64, negative), std::vector<int>(40, 0));
}

// A picture added and stretched piece by piece gives the levels of the whole
// at once, for every data type and for pieces of any length.
TEST(Dm3Pixels, PiecesGiveTheLevelsOfTheWholePicture) {
  std::mt19937 random(42);
  for (std::uint32_t type : {kDataInt16, kDataUInt16, kDataInt32, kDataUInt32, kDataFloat32, kDataFloat64}) {
    SCOPED_TRACE(type);
    const std::size_t size = PixelValueSize(type);
    const std::size_t count = 1001;
    std::string block(count * size, '\0');
    for (char& c : block) c = static_cast<char>(random() % 256);
    if (type == kDataFloat32 || type == kDataFloat64) {
      // Finite values, some of them repeated extremes in the middle.
      for (std::size_t i = 0; i < count; ++i) {
        const double v = static_cast<double>(random() % 20001) / 7.0 - 1000.0;
        if (type == kDataFloat32) {
          const float f = static_cast<float>(v);
          std::memcpy(block.data() + i * 4, &f, 4);
        } else {
          std::memcpy(block.data() + i * 8, &v, 8);
        }
      }
    }
    const auto* bytes = reinterpret_cast<const std::byte*>(block.data());
    std::vector<std::uint8_t> whole(count);
    ConvertPixels(type, bytes, count, whole.data());
    for (std::size_t piece : {1u, 7u, 16u, 333u, 1001u}) {
      SCOPED_TRACE(piece);
      PixelRange range(type);
      EXPECT_EQ(range.DataType(), type);
      for (std::size_t i = 0; i < count; i += piece) range.Add(bytes + i * size, std::min(piece, count - i));
      std::vector<std::uint8_t> levels(count, 0xAA);
      for (std::size_t i = 0; i < count; i += piece)
        range.Stretch(bytes + i * size, std::min(piece, count - i), levels.data() + i);
      EXPECT_EQ(levels, whole);
    }
  }
}

}  // namespace
}  // namespace orvella::dm3
