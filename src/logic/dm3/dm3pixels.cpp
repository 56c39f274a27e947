#include "logic/dm3/dm3pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(ORVELLA_DM3_NO_SIMD)
#include <emmintrin.h>
#define ORVELLA_DM3_SSE2 1
#endif

namespace orvella::dm3 {

namespace {

// Adding 1.5 * 2^52 to a double from 0 to 2^51 rounds it to an integer in the
// current (nearest, ties to even) rounding mode, held in the low bits of the
// sum's mantissa.
constexpr double kRound = 6755399441055744.0;

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
  const double r = (x + kRound) - kRound;
  return static_cast<std::uint8_t>(static_cast<std::int32_t>(r));
}

#ifdef ORVELLA_DM3_SSE2
// ToLevel of two doubles: the rounded sums, whose low bytes are the levels.
inline __m128d RoundedPair(__m128d v, __m128d lo, __m128d factor) {
  __m128d x = _mm_mul_pd(_mm_sub_pd(v, lo), factor);
  x = _mm_and_pd(x, _mm_cmpge_pd(x, _mm_setzero_pd()));  // a NaN fails too
  x = _mm_and_pd(x, _mm_cmple_pd(x, _mm_set1_pd(65536.0)));
  return _mm_add_pd(x, _mm_set1_pd(kRound));
}

// The low bytes of the low 32 bits of eight rounded sums, as eight 16-bit lanes.
inline __m128i Levels8(__m128d a, __m128d b, __m128d c, __m128d d) {
  const __m128i mask = _mm_set1_epi32(0xFF);
  const __m128i ab = _mm_and_si128(
      _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(a), _mm_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0))), mask);
  const __m128i cd = _mm_and_si128(
      _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(c), _mm_castpd_ps(d), _MM_SHUFFLE(2, 0, 2, 0))), mask);
  return _mm_packs_epi32(ab, cd);
}

// The stretch of floating values sixteen at a time, the same arithmetic as
// ToLevel lane by lane; answers how many values it converted.
template <typename T>
std::size_t StretchFloatsSse2(const std::byte* block, std::size_t count, double lo, double factor, std::uint8_t* out) {
  const __m128d vlo = _mm_set1_pd(lo);
  const __m128d vfactor = _mm_set1_pd(factor);
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128d pairs[8];
    if constexpr (std::is_same_v<T, float>) {
      for (int q = 0; q < 4; ++q) {
        const __m128 f = _mm_loadu_ps(reinterpret_cast<const float*>(block + (i + 4 * q) * sizeof(float)));
        pairs[2 * q] = RoundedPair(_mm_cvtps_pd(f), vlo, vfactor);
        pairs[2 * q + 1] = RoundedPair(_mm_cvtps_pd(_mm_movehl_ps(f, f)), vlo, vfactor);
      }
    } else {
      for (int q = 0; q < 8; ++q)
        pairs[q] = RoundedPair(_mm_loadu_pd(reinterpret_cast<const double*>(block + (i + 2 * q) * sizeof(double))), vlo,
                               vfactor);
    }
    const __m128i low = Levels8(pairs[0], pairs[1], pairs[2], pairs[3]);
    const __m128i high = Levels8(pairs[4], pairs[5], pairs[6], pairs[7]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
  return i;
}
#endif

// Folds the minimum and maximum of count values into lo and hi. Eight
// running pairs, merged at the end, let the compiler use vector instructions;
// the order does not change the result (a NaN never enters either search,
// and a minimum of -0 instead of +0 gives the same levels).
template <typename T>
void FoldExtremes(const std::byte* block, std::size_t count, T& lo, T& hi) {
  constexpr std::size_t kLanes = 8;
  T los[kLanes];
  T his[kLanes];
  for (std::size_t j = 0; j < kLanes; ++j) {
    los[j] = lo;
    his[j] = hi;
  }
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    for (std::size_t j = 0; j < kLanes; ++j) {
      const T v = LoadLittleEndian<T>(block + (i + j) * sizeof(T));
      his[j] = v > his[j] ? v : his[j];
      los[j] = v < los[j] ? v : los[j];
    }
  }
  for (; i < count; ++i) {
    const T v = LoadLittleEndian<T>(block + i * sizeof(T));
    his[0] = v > his[0] ? v : his[0];
    los[0] = v < los[0] ? v : los[0];
  }
  for (std::size_t j = 0; j < kLanes; ++j) {
    hi = his[j] > hi ? his[j] : hi;
    lo = los[j] < lo ? los[j] : lo;
  }
}

// Integer types: the range and the offsets are formed in 64 bits, so that no
// difference wraps around; the scale factor has single precision.
template <typename T>
void StretchIntegers(const std::byte* block, std::size_t count, std::int64_t lo, std::int64_t hi, std::uint8_t* out) {
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

// Floating types: the factor has the precision of the values' type.
template <typename T>
void StretchFloats(const std::byte* block, std::size_t count, double lo, double hi, std::uint8_t* out) {
  const double range = hi - lo;
  if (range == 0) {
    std::fill(out, out + count, std::uint8_t{0});
    return;
  }
  const double factor = static_cast<T>(255.0 / range);
  std::size_t i = 0;
#ifdef ORVELLA_DM3_SSE2
  i = StretchFloatsSse2<T>(block, count, lo, factor, out);
#endif
  for (; i < count; ++i) {
    const double v = LoadLittleEndian<T>(block + i * sizeof(T));
    out[i] = ToLevel((v - lo) * factor);
  }
}

template <typename T>
void AddIntegers(const std::byte* block, std::size_t count, std::int64_t& lo, std::int64_t& hi) {
  // The extremes always fit the values' own type: the searches start inside it.
  T l = static_cast<T>(lo);
  T h = static_cast<T>(hi);
  FoldExtremes(block, count, l, h);
  lo = l;
  hi = h;
}

template <typename T>
void AddFloats(const std::byte* block, std::size_t count, double& lo, double& hi) {
  T l = static_cast<T>(lo);
  T h = static_cast<T>(hi);
  FoldExtremes(block, count, l, h);
  lo = l;
  hi = h;
}

}  // namespace

std::size_t PixelValueSize(std::uint32_t dataType) {
  switch (dataType) {
    case kDataInt16:
    case kDataUInt16:
      return 2;
    case kDataInt32:
    case kDataUInt32:
    case kDataFloat32:
      return 4;
    case kDataFloat64:
      return 8;
    default:
      return 0;
  }
}

PixelRange::PixelRange(std::uint32_t dataType) : dataType_(dataType) {
  switch (dataType) {
    case kDataInt16:
    case kDataUInt16:
      intLo_ = 32767;
      break;
    case kDataInt32:
    case kDataUInt32:
      intLo_ = 2147483647;
      break;
    case kDataFloat32:
      floatLo_ = static_cast<float>(3.4e38);
      break;
    case kDataFloat64:
      floatLo_ = 3.4e38;
      break;
    default:
      break;
  }
}

void PixelRange::Add(const std::byte* values, std::size_t count) {
  switch (dataType_) {
    case kDataInt16:
      AddIntegers<std::int16_t>(values, count, intLo_, intHi_);
      break;
    case kDataUInt16:
      AddIntegers<std::uint16_t>(values, count, intLo_, intHi_);
      break;
    case kDataInt32:
      AddIntegers<std::int32_t>(values, count, intLo_, intHi_);
      break;
    case kDataUInt32:
      AddIntegers<std::uint32_t>(values, count, intLo_, intHi_);
      break;
    case kDataFloat32:
      AddFloats<float>(values, count, floatLo_, floatHi_);
      break;
    case kDataFloat64:
      AddFloats<double>(values, count, floatLo_, floatHi_);
      break;
    default:
      break;
  }
}

void PixelRange::Stretch(const std::byte* values, std::size_t count, std::uint8_t* out) const {
  switch (dataType_) {
    case kDataInt16:
      StretchIntegers<std::int16_t>(values, count, intLo_, intHi_, out);
      break;
    case kDataUInt16:
      StretchIntegers<std::uint16_t>(values, count, intLo_, intHi_, out);
      break;
    case kDataInt32:
      StretchIntegers<std::int32_t>(values, count, intLo_, intHi_, out);
      break;
    case kDataUInt32:
      StretchIntegers<std::uint32_t>(values, count, intLo_, intHi_, out);
      break;
    case kDataFloat32:
      StretchFloats<float>(values, count, floatLo_, floatHi_, out);
      break;
    case kDataFloat64:
      StretchFloats<double>(values, count, floatLo_, floatHi_, out);
      break;
    default:
      break;
  }
}

void ConvertPixels(std::uint32_t dataType, const std::byte* block, std::size_t count, std::uint8_t* out) {
  if (PixelValueSize(dataType) == 0) return;
  PixelRange range(dataType);
  range.Add(block, count);
  range.Stretch(block, count, out);
}

}  // namespace orvella::dm3
