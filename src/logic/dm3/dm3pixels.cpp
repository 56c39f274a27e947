#include "logic/dm3/dm3pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace orvella::dm3 {

namespace {

template <typename T>
T LoadLittleEndian(const std::byte* p) {
  if constexpr (std::endian::native == std::endian::little) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    unsigned char b[sizeof(T)];
    std::memcpy(b, p, sizeof b);
    std::reverse(b, b + sizeof b);
    T v;
    std::memcpy(&v, b, sizeof v);
    return v;
  }
}

// Nearest integer of x, a half going to the even neighbour, low 8 bits.
// x is never negative and at most a little above 255 for finite data; a NaN
// (from NaN or infinite values) gives 0.
inline std::uint8_t ToLevel(double x) {
  x = x >= 0.0 ? x : 0.0;
  x = x <= 65536.0 ? x : 0.0;
  // Adding and removing 1.5 * 2^52 rounds to an integer in the current
  // (nearest, ties to even) rounding mode.
  constexpr double kRound = 6755399441055744.0;
  const double r = (x + kRound) - kRound;
  return static_cast<std::uint8_t>(static_cast<std::int32_t>(r));
}

// Integer types: the range and the offsets are formed in 64 bits, so that no
// difference wraps around; the scale factor has single precision.
template <typename T, std::int64_t kMinStart>
void ConvertIntegers(const std::byte* block, std::size_t count, std::uint8_t* out) {
  std::int64_t lo = kMinStart;
  std::int64_t hi = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t v = LoadLittleEndian<T>(block + i * sizeof(T));
    hi = v > hi ? v : hi;
    lo = v < lo ? v : lo;
  }
  const std::int64_t range = hi - lo;
  if (range == 0) {
    std::fill(out, out + count, std::uint8_t{0});
    return;
  }
  const double factor = static_cast<float>(255.0 / static_cast<double>(range));
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t v = LoadLittleEndian<T>(block + i * sizeof(T));
    out[i] = ToLevel(static_cast<double>(v - lo) * factor);
  }
}

// Floating types: NaN values take no part in the range. The factor has the
// precision of the values' type.
template <typename T>
void ConvertFloats(const std::byte* block, std::size_t count, std::uint8_t* out) {
  T lo = static_cast<T>(3.4e38);
  T hi = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const T v = LoadLittleEndian<T>(block + i * sizeof(T));
    hi = v > hi ? v : hi;
    lo = v < lo ? v : lo;
  }
  const double range = static_cast<double>(hi) - static_cast<double>(lo);
  if (range == 0) {
    std::fill(out, out + count, std::uint8_t{0});
    return;
  }
  const double factor = static_cast<T>(255.0 / range);
  const double dlo = lo;
  for (std::size_t i = 0; i < count; ++i) {
    const double v = LoadLittleEndian<T>(block + i * sizeof(T));
    out[i] = ToLevel((v - dlo) * factor);
  }
}

}  // namespace

std::size_t PixelValueSize(std::uint32_t dataType) {
  switch (dataType) {
    case kDataInt16:
    case kDataUInt16: return 2;
    case kDataInt32:
    case kDataUInt32:
    case kDataFloat32: return 4;
    case kDataFloat64: return 8;
    default: return 0;
  }
}

void ConvertPixels(std::uint32_t dataType, const std::byte* block, std::size_t count,
                   std::uint8_t* out) {
  switch (dataType) {
    case kDataInt16: ConvertIntegers<std::int16_t, 32767>(block, count, out); break;
    case kDataUInt16: ConvertIntegers<std::uint16_t, 32767>(block, count, out); break;
    case kDataInt32: ConvertIntegers<std::int32_t, 2147483647>(block, count, out); break;
    case kDataUInt32: ConvertIntegers<std::uint32_t, 2147483647>(block, count, out); break;
    case kDataFloat32: ConvertFloats<float>(block, count, out); break;
    case kDataFloat64: ConvertFloats<double>(block, count, out); break;
    default: break;
  }
}

}  // namespace orvella::dm3
