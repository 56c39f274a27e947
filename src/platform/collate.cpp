#include "platform/collate.h"

#include <array>
#include <cstdint>
#include <vector>

namespace platform::collate {

namespace {

// Primary weight ranges: symbols, then digits, then letters.
constexpr std::uint16_t kSymbolBase = 0x100;
constexpr std::uint16_t kDigitBase = 0x400;
constexpr std::uint16_t kLetterBase = 0x500;

enum Accent : std::uint8_t { kNone = 0, kAcute, kGrave, kCircumflex, kCaron, kRing, kDiaeresis, kTilde, kStroke, kCedilla, kHook };
enum Case : std::uint8_t { kLower = 0, kUpper = 1, kSuperscript = 2 };

struct Element {
  std::uint16_t primary = 0;
  std::uint8_t accent = 0;
  std::uint8_t caseWeight = 0;
};

// What one 1252 byte contributes: up to three elements (ligatures and
// fractions expand), or nothing (ignorable), or a special weight (hyphen,
// apostrophe).
struct Weights {
  std::uint8_t count = 0;
  bool special = false;
  std::array<Element, 3> e{};
};

Element Letter(char base, Accent accent, Case c) {
  return {static_cast<std::uint16_t>(kLetterBase + (base - 'a')), accent, c};
}
Element Digit(int d, Case c = kLower) { return {static_cast<std::uint16_t>(kDigitBase + d), kNone, c}; }

// Symbols in the order the word sort gives them: blanks, then punctuation,
// then the other signs, then the mathematical ones.
constexpr unsigned char kSymbolOrder[] =
    "\t\n\v\f\r \xA0"
    "!\xA1\"\xAB\xBB#%&()*,.\x85/:;?\xBF@[\\]^_`{|}~\xA6"
    "\x91\x92\x82\x93\x94\x84\x8B\x9B\x86\x87\x95\x89\x88\x98\xB4\xA8\xAF\xB8\xB7\x96\x97"
    "\xA7\xB6\xA9\xAE\x99\xB0"
    "\xA4$\xA2\xA3\xA5\x80"
    "+\xB1<=>\xAC\xD7\xF7";

std::array<Weights, 256> BuildTable() {
  std::array<Weights, 256> t{};
  auto one = [&](unsigned b, Element e) {
    t[b].count = 1;
    t[b].e[0] = e;
  };
  auto two = [&](unsigned b, Element x, Element y) {
    t[b].count = 2;
    t[b].e[0] = x;
    t[b].e[1] = y;
  };
  std::uint16_t rank = 0;
  for (const unsigned char* p = kSymbolOrder; *p; ++p) one(*p, {static_cast<std::uint16_t>(kSymbolBase + rank++), kNone, kLower});
  // Symbols not placed above come after them, in byte order.
  for (unsigned b = 0x21; b < 256; ++b) {
    const bool letterOrDigit = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 0xC0;
    if (!letterOrDigit && t[b].count == 0) one(b, {static_cast<std::uint16_t>(kSymbolBase + rank++), kNone, kLower});
  }
  for (int d = 0; d <= 9; ++d) one('0' + d, Digit(d));
  for (char c = 'a'; c <= 'z'; ++c) {
    one(static_cast<unsigned char>(c), Letter(c, kNone, kLower));
    one(static_cast<unsigned char>(c - 32), Letter(c, kNone, kUpper));
  }
  // Accented letters of Latin-1: both cases, 0xC0.. upper, 0xE0.. lower.
  struct Accented {
    unsigned upper;
    char base;
    Accent accent;
  };
  constexpr Accented kAccented[] = {
      {0xC0, 'a', kGrave}, {0xC1, 'a', kAcute}, {0xC2, 'a', kCircumflex}, {0xC3, 'a', kTilde}, {0xC4, 'a', kDiaeresis},
      {0xC5, 'a', kRing},  {0xC7, 'c', kCedilla}, {0xC8, 'e', kGrave}, {0xC9, 'e', kAcute}, {0xCA, 'e', kCircumflex},
      {0xCB, 'e', kDiaeresis}, {0xCC, 'i', kGrave}, {0xCD, 'i', kAcute}, {0xCE, 'i', kCircumflex}, {0xCF, 'i', kDiaeresis},
      {0xD0, 'd', kStroke}, {0xD1, 'n', kTilde}, {0xD2, 'o', kGrave}, {0xD3, 'o', kAcute}, {0xD4, 'o', kCircumflex},
      {0xD5, 'o', kTilde}, {0xD6, 'o', kDiaeresis}, {0xD8, 'o', kStroke}, {0xD9, 'u', kGrave}, {0xDA, 'u', kAcute},
      {0xDB, 'u', kCircumflex}, {0xDC, 'u', kDiaeresis}, {0xDD, 'y', kAcute}};
  for (const auto& a : kAccented) {
    one(a.upper, Letter(a.base, a.accent, kUpper));
    one(a.upper + 0x20, Letter(a.base, a.accent, kLower));
  }
  one(0xFF, Letter('y', kDiaeresis, kLower));
  one(0x9F, Letter('y', kDiaeresis, kUpper));
  one(0x8A, Letter('s', kCaron, kUpper));
  one(0x9A, Letter('s', kCaron, kLower));
  one(0x8E, Letter('z', kCaron, kUpper));
  one(0x9E, Letter('z', kCaron, kLower));
  one(0x83, Letter('f', kHook, kLower));
  one(0xAA, Letter('a', kNone, kSuperscript));
  one(0xBA, Letter('o', kNone, kSuperscript));
  // Thorn and micro are letters of their own, after z.
  one(0xDE, {static_cast<std::uint16_t>(kLetterBase + 26), kNone, kUpper});
  one(0xFE, {static_cast<std::uint16_t>(kLetterBase + 26), kNone, kLower});
  one(0xB5, {static_cast<std::uint16_t>(kLetterBase + 27), kNone, kLower});
  // Ligatures.
  two(0xC6, Letter('a', kNone, kUpper), Letter('e', kNone, kUpper));
  two(0xE6, Letter('a', kNone, kLower), Letter('e', kNone, kLower));
  two(0x8C, Letter('o', kNone, kUpper), Letter('e', kNone, kUpper));
  two(0x9C, Letter('o', kNone, kLower), Letter('e', kNone, kLower));
  two(0xDF, Letter('s', kNone, kLower), Letter('s', kNone, kLower));
  // Superscript digits and fractions.
  one(0xB9, Digit(1, kSuperscript));
  one(0xB2, Digit(2, kSuperscript));
  one(0xB3, Digit(3, kSuperscript));
  const Element slash = t['/'].e[0];
  t[0xBC] = {3, false, {Digit(1), slash, Digit(4)}};
  t[0xBD] = {3, false, {Digit(1), slash, Digit(2)}};
  t[0xBE] = {3, false, {Digit(3), slash, Digit(4)}};
  // The word sort's special characters, and those that weigh nothing.
  t['-'] = {0, true, {}};
  t['\''] = {0, true, {}};
  for (unsigned b = 0; b < 0x20; ++b)
    if (b < '\t' || b > '\r') t[b] = {};
  t[0x7F] = {};
  t[0xAD] = {};  // soft hyphen
  return t;
}

const std::array<Weights, 256>& Table() {
  static const std::array<Weights, 256> table = BuildTable();
  return table;
}

struct Key {
  std::vector<Element> elements;
  std::vector<std::uint32_t> specials;  // position << 8 | byte
};

Key MakeKey(std::string_view s) {
  Key k;
  k.elements.reserve(s.size());
  const auto& t = Table();
  for (unsigned char b : s) {
    const Weights& w = t[b];
    if (w.special) {
      k.specials.push_back(static_cast<std::uint32_t>(k.elements.size()) << 8 | b);
      continue;
    }
    for (int i = 0; i < w.count; ++i) k.elements.push_back(w.e[i]);
  }
  return k;
}

template <class F>
int CompareLevel(const Key& a, const Key& b, F field) {
  const size_t n = std::min(a.elements.size(), b.elements.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = field(a.elements[i]);
    const int y = field(b.elements[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.elements.size() != b.elements.size()) return a.elements.size() < b.elements.size() ? -1 : 1;
  return 0;
}

}  // namespace

int CompareWordSort(std::string_view a, std::string_view b, bool ignoreCase) {
  const Key ka = MakeKey(a);
  const Key kb = MakeKey(b);
  if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.primary); })) return r;
  if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.accent); })) return r;
  if (!ignoreCase) {
    if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.caseWeight); })) return r;
  }
  if (ka.specials != kb.specials) return ka.specials < kb.specials ? -1 : 1;
  return 0;
}

}  // namespace platform::collate
