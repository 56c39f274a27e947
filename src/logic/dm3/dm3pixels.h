// Pixel conversion of DM3 pictures into 8-bit grey: a linear stretch of the
// value range onto 0..255, one routine per data type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvella::dm3 {

// DM3 picture data types the reader converts.
inline constexpr std::uint32_t kDataInt16 = 1;
inline constexpr std::uint32_t kDataFloat32 = 2;
inline constexpr std::uint32_t kDataInt32 = 7;
inline constexpr std::uint32_t kDataUInt16 = 10;
inline constexpr std::uint32_t kDataUInt32 = 11;
inline constexpr std::uint32_t kDataFloat64 = 12;
// Data types above this one are unknown to the format.
inline constexpr std::uint32_t kLastKnownDataType = 36;

// Bytes per value of a data type the reader converts; 0 for any other type.
std::size_t PixelValueSize(std::uint32_t dataType);

// Converts count little-endian values of dataType (one PixelValueSize each)
// from block into count grey levels. The minimum and maximum searches start
// at the values the format's readers have always used (32767 or 2147483647
// or 3.4e38 for the minimum, 0 for the maximum); a picture whose range is
// empty gives 0 everywhere. Values are rounded to the nearest level, a half
// to the even one. dataType must have a PixelValueSize.
void ConvertPixels(std::uint32_t dataType, const std::byte* block, std::size_t count, std::uint8_t* out);

// The same conversion for a picture that arrives in pieces: every piece is
// added to the range first (Add), then each piece is stretched (Stretch) into
// its part of the levels. Pieces must hold whole values. The levels equal
// those of ConvertPixels on the whole picture.
class PixelRange {
 public:
  // dataType must have a PixelValueSize.
  explicit PixelRange(std::uint32_t dataType);
  std::uint32_t DataType() const { return dataType_; }
  std::size_t ValueSize() const { return PixelValueSize(dataType_); }
  // Takes count more little-endian values into the minimum and maximum.
  void Add(const std::byte* values, std::size_t count);
  // The grey levels of count values, from the range of every value added.
  void Stretch(const std::byte* values, std::size_t count, std::uint8_t* out) const;

 private:
  std::uint32_t dataType_;
  // Integer types: the extremes, exact in 64 bits. Floating types: the
  // extremes in the values' own precision, exact as doubles.
  std::int64_t intLo_ = 0;
  std::int64_t intHi_ = 0;
  double floatLo_ = 0;
  double floatHi_ = 0;
};

}  // namespace orvella::dm3
