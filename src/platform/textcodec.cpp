#include "platform/textcodec.h"

namespace platform::text {

namespace {
// 0x80..0x9F of Windows-1252.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr char32_t kReplacement = 0xFFFD;
}  // namespace

char16_t FromCp1252(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80];
  return b;
}

int ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

char32_t DecodeUtf8(std::string_view s, size_t& i, bool* bad) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    if (bad) *bad = true;
    return kReplacement;
  }
  if (i + static_cast<size_t>(extra) >= s.size()) {  // truncated sequence
    ++i;
    if (bad) *bad = true;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      if (bad) *bad = true;
      return kReplacement;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    if (bad) *bad = true;
    return kReplacement;
  }
  i += static_cast<size_t>(extra) + 1;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

char32_t DecodeUtf16(std::u16string_view s, size_t& i, bool* bad) {
  const char16_t u = s[i++];
  if (u < 0xD800 || u > 0xDFFF) return u;
  if (u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    const char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i] - 0xDC00);
    ++i;
    return c;
  }
  if (bad) *bad = true;
  return kReplacement;
}

bool IsValidUtf8(std::string_view s) {
  bool bad = false;
  for (size_t i = 0; i < s.size() && !bad;) {
    if (static_cast<unsigned char>(s[i]) < 0x80)
      ++i;
    else
      DecodeUtf8(s, i, &bad);
  }
  return !bad;
}

std::string ReplaceBrokenUtf8(std::string_view s, char replacement) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t start = i;
    bool bad = false;
    DecodeUtf8(s, i, &bad);
    if (bad)
      out += replacement;
    else
      out.append(s.substr(start, i - start));
  }
  return out;
}

size_t Utf8CutLength(std::string_view s, size_t n) {
  if (n >= s.size()) return s.size();
  auto continuation = [&](size_t k) { return (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
  size_t k = n;
  // Back over at most three continuation bytes to the character's first byte.
  while (k > 0 && n - k < 3 && continuation(k)) --k;
  if (k == n || continuation(k)) return n;
  size_t end = k;
  bool bad = false;
  DecodeUtf8(s, end, &bad);
  // A whole character that runs past n is left out; broken bytes are cut where asked.
  return (!bad && end > n) ? k : n;
}

std::string Cp1252ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char b : ansi) AppendUtf8(out, FromCp1252(b));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8, bool* lossy) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const char32_t c = DecodeUtf8(utf8, i);
    const int b = ToCp1252(c);
    if (b < 0 && lossy) *lossy = true;
    // As Windows does, one '?' per UTF-16 unit: two beyond the first plane.
    if (b < 0 && c > 0xFFFF) out += '?';
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
    } else {
      AppendUtf16(out, DecodeUtf8(utf8, i));
    }
  }
  return out;
}

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      ++i;
      ++n;
    } else {
      n += DecodeUtf8(utf8, i) >= 0x10000 ? 2 : 1;
    }
  }
  return n;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size();) AppendUtf8(out, DecodeUtf16(utf16, i));
  return out;
}

std::u16string Cp1252ToUtf16(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (unsigned char b : ansi) out += FromCp1252(b);
  return out;
}

std::string Utf16ToCp1252(std::u16string_view utf16, bool* lossy) {
  std::string out;
  out.reserve(utf16.size());
  for (char16_t u : utf16) {
    // Unit by unit, as Windows converts: each half of a surrogate pair is a '?'.
    const int b = ToCp1252(u);
    if (b < 0 && lossy) *lossy = true;
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: pairs upper/lower at even/odd positions, with the
  // two stretches that pair the other way round.
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

bool EqualNoCaseUtf8(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldCase(DecodeUtf8(a, i)) != FoldCase(DecodeUtf8(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

unsigned char FoldCp1252(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 32);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<unsigned char>(b + 16);  // Š Œ Ž
  if (b == 0x9F) return 0xFF;                                                          // Ÿ
  return b;
}

}  // namespace platform::text
