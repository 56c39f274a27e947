#include "platform/collate.h"

#include "platform/textcodec.h"

#include <array>
#include <cstdint>
#include <vector>

namespace platform::collate {

namespace {

// Primary weight ranges: symbols, then digits, then letters.
constexpr std::uint16_t kSymbolBase = 0x100;
constexpr std::uint16_t kDigitBase = 0x400;
constexpr std::uint16_t kLetterBase = 0x500;

enum Accent : std::uint8_t {
  kNone = 0,
  kAcute,
  kGrave,
  kCircumflex,
  kCaron,
  kRing,
  kDiaeresis,
  kTilde,
  kStroke,
  kCedilla,
  kHook,
  kMacron,
  kBreve,
  kOgonek,
  kDotAbove,
  kDoubleAcute,
  kMiddleDot,
  kDotless
};
enum Case : std::uint8_t { kLower = 0, kUpper = 1, kSuperscript = 2 };

// Characters 1252 does not hold and Latin Extended-A does not decompose
// weigh from here on, by folded code point.
constexpr std::uint32_t kOtherBase = kLetterBase + 28;

struct Element {
  std::uint32_t primary = 0;
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
  for (const unsigned char* p = kSymbolOrder; *p; ++p)
    one(*p, {static_cast<std::uint16_t>(kSymbolBase + rank++), kNone, kLower});
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
      {0xC0, 'a', kGrave},     {0xC1, 'a', kAcute},      {0xC2, 'a', kCircumflex}, {0xC3, 'a', kTilde},
      {0xC4, 'a', kDiaeresis}, {0xC5, 'a', kRing},       {0xC7, 'c', kCedilla},    {0xC8, 'e', kGrave},
      {0xC9, 'e', kAcute},     {0xCA, 'e', kCircumflex}, {0xCB, 'e', kDiaeresis},  {0xCC, 'i', kGrave},
      {0xCD, 'i', kAcute},     {0xCE, 'i', kCircumflex}, {0xCF, 'i', kDiaeresis},  {0xD0, 'd', kStroke},
      {0xD1, 'n', kTilde},     {0xD2, 'o', kGrave},      {0xD3, 'o', kAcute},      {0xD4, 'o', kCircumflex},
      {0xD5, 'o', kTilde},     {0xD6, 'o', kDiaeresis},  {0xD8, 'o', kStroke},     {0xD9, 'u', kGrave},
      {0xDA, 'u', kAcute},     {0xDB, 'u', kCircumflex}, {0xDC, 'u', kDiaeresis},  {0xDD, 'y', kAcute}};
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
  static const std::array<Weights, 256> kTable = BuildTable();
  return kTable;
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

// Latin Extended-A letters that 1252 does not hold: each upper-case letter
// is followed by its lower-case form.
struct Decomposed {
  char32_t upper;
  char base;
  Accent accent;
};
constexpr Decomposed kLatinA[] = {
    {0x100, 'a', kMacron},     {0x102, 'a', kBreve},       {0x104, 'a', kOgonek},     {0x106, 'c', kAcute},
    {0x108, 'c', kCircumflex}, {0x10A, 'c', kDotAbove},    {0x10C, 'c', kCaron},      {0x10E, 'd', kCaron},
    {0x110, 'd', kStroke},     {0x112, 'e', kMacron},      {0x114, 'e', kBreve},      {0x116, 'e', kDotAbove},
    {0x118, 'e', kOgonek},     {0x11A, 'e', kCaron},       {0x11C, 'g', kCircumflex}, {0x11E, 'g', kBreve},
    {0x120, 'g', kDotAbove},   {0x122, 'g', kCedilla},     {0x124, 'h', kCircumflex}, {0x126, 'h', kStroke},
    {0x128, 'i', kTilde},      {0x12A, 'i', kMacron},      {0x12C, 'i', kBreve},      {0x12E, 'i', kOgonek},
    {0x134, 'j', kCircumflex}, {0x136, 'k', kCedilla},     {0x139, 'l', kAcute},      {0x13B, 'l', kCedilla},
    {0x13D, 'l', kCaron},      {0x13F, 'l', kMiddleDot},   {0x141, 'l', kStroke},     {0x143, 'n', kAcute},
    {0x145, 'n', kCedilla},    {0x147, 'n', kCaron},       {0x14A, 'n', kHook},       {0x14C, 'o', kMacron},
    {0x14E, 'o', kBreve},      {0x150, 'o', kDoubleAcute}, {0x154, 'r', kAcute},      {0x156, 'r', kCedilla},
    {0x158, 'r', kCaron},      {0x15A, 's', kAcute},       {0x15C, 's', kCircumflex}, {0x15E, 's', kCedilla},
    {0x162, 't', kCedilla},    {0x164, 't', kCaron},       {0x166, 't', kStroke},     {0x168, 'u', kTilde},
    {0x16A, 'u', kMacron},     {0x16C, 'u', kBreve},       {0x16E, 'u', kRing},       {0x170, 'u', kDoubleAcute},
    {0x172, 'u', kOgonek},     {0x174, 'w', kCircumflex},  {0x176, 'y', kCircumflex}, {0x179, 'z', kAcute},
    {0x17B, 'z', kDotAbove}};

// The accent a combining mark gives the letter before it; kNone for marks
// that weigh nothing here.
Accent CombiningAccent(char32_t c) {
  switch (c) {
    case 0x300:
      return kGrave;
    case 0x301:
      return kAcute;
    case 0x302:
      return kCircumflex;
    case 0x303:
      return kTilde;
    case 0x304:
      return kMacron;
    case 0x306:
      return kBreve;
    case 0x307:
      return kDotAbove;
    case 0x308:
      return kDiaeresis;
    case 0x30A:
      return kRing;
    case 0x30B:
      return kDoubleAcute;
    case 0x30C:
      return kCaron;
    case 0x327:
      return kCedilla;
    case 0x328:
      return kOgonek;
    default:
      return kNone;
  }
}

void AddWeights(Key& k, const Weights& w, std::uint32_t specialByte) {
  if (w.special) {
    k.specials.push_back(static_cast<std::uint32_t>(k.elements.size()) << 8 | specialByte);
    return;
  }
  for (int i = 0; i < w.count; ++i) k.elements.push_back(w.e[i]);
}

Key MakeKeyUtf8(std::string_view s) {
  Key k;
  k.elements.reserve(s.size());
  const auto& t = Table();
  for (size_t i = 0; i < s.size();) {
    const char32_t c = text::DecodeUtf8(s, i);
    if (const int b = text::ToCp1252(c); b >= 0) {
      AddWeights(k, t[static_cast<unsigned>(b)], static_cast<std::uint32_t>(b));
      continue;
    }
    if (c >= 0x300 && c <= 0x36F) {
      // A combining mark: the accent of the letter before it, if it has none.
      const Accent a = CombiningAccent(c);
      if (a != kNone && !k.elements.empty() && k.elements.back().accent == kNone) k.elements.back().accent = a;
      continue;
    }
    if (c >= 0x100 && c <= 0x17F) {
      bool done = false;
      for (const Decomposed& d : kLatinA) {
        if (c == d.upper || c == d.upper + 1) {
          k.elements.push_back(Letter(d.base, d.accent, c == d.upper ? kUpper : kLower));
          done = true;
          break;
        }
      }
      if (done) continue;
      switch (c) {
        case 0x130:
          k.elements.push_back(Letter('i', kDotAbove, kUpper));
          continue;
        case 0x131:
          k.elements.push_back(Letter('i', kDotless, kLower));
          continue;
        case 0x132:
        case 0x133: {
          const Case cs = c == 0x132 ? kUpper : kLower;
          k.elements.push_back(Letter('i', kNone, cs));
          k.elements.push_back(Letter('j', kNone, cs));
          continue;
        }
        case 0x138:
          k.elements.push_back(Letter('k', kHook, kLower));
          continue;
        case 0x149:
          k.elements.push_back(Letter('n', kHook, kLower));
          continue;
        case 0x17F:
          k.elements.push_back(Letter('s', kHook, kLower));
          continue;
        default:
          break;
      }
    }
    // Variation selectors and invisible spaces weigh nothing.
    if ((c >= 0xFE00 && c <= 0xFE0F) || c == 0x200B || c == 0xFEFF) continue;
    const char32_t folded = text::FoldCase(c);
    k.elements.push_back({static_cast<std::uint32_t>(kOtherBase + folded), kNone, folded != c ? kUpper : kLower});
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

namespace {
int CompareKeys(const Key& ka, const Key& kb, bool ignoreCase) {
  if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.primary); })) return r;
  if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.accent); })) return r;
  if (!ignoreCase) {
    if (int r = CompareLevel(ka, kb, [](const Element& e) { return static_cast<int>(e.caseWeight); })) return r;
  }
  if (ka.specials != kb.specials) return ka.specials < kb.specials ? -1 : 1;
  return 0;
}

}  // namespace

int CompareWordSort(std::string_view a, std::string_view b, bool ignoreCase) {
  return CompareKeys(MakeKey(a), MakeKey(b), ignoreCase);
}

int CompareWordSortUtf8(std::string_view a, std::string_view b, bool ignoreCase) {
  return CompareKeys(MakeKeyUtf8(a), MakeKeyUtf8(b), ignoreCase);
}

}  // namespace platform::collate
