#include "logic/check/dsfdefs.h"

#include <cstdint>
#include <cstring>

namespace orvella::check {

namespace {

constexpr size_t kFileHeader = 12;  // "XPLNEDSF" and the version
constexpr size_t kAtomHeader = 8;   // id and length (the length counts the header)

// Atom ids: four characters read as one little-endian number.
constexpr std::uint32_t Id(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}
constexpr std::uint32_t kHead = Id("HEAD");
constexpr std::uint32_t kDefn = Id("DEFN");
constexpr std::uint32_t kProp = Id("PROP");
constexpr std::uint32_t kTert = Id("TERT");
constexpr std::uint32_t kObjt = Id("OBJT");
constexpr std::uint32_t kPoly = Id("POLY");
constexpr std::uint32_t kNetw = Id("NETW");

std::uint32_t U32(std::string_view b, size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

DsfStart Status(DsfStart::Status status, size_t needed = 0) {
  DsfStart s;
  s.status = status;
  s.needed = needed;
  return s;
}

// Where the HEAD and DEFN atoms lie, as far as bytes tell.
struct Layout {
  size_t head = 0, headLength = 0, defn = 0, defnLength = 0;
};

}  // namespace

DsfStart ScanDsfDefinitions(std::string_view b) {
  constexpr char kMagic[] = "XPLNEDSF";
  if (std::memcmp(b.data(), kMagic, std::min<size_t>(b.size(), 8)) != 0) return Status(DsfStart::Status::Damaged);
  if (b.size() < kFileHeader) return Status(DsfStart::Status::NeedMore, kFileHeader);
  if (U32(b, 8) != 1) return Status(DsfStart::Status::Damaged);
  bool head = false, defn = false;
  size_t at = kFileHeader;
  while (!(head && defn)) {
    if (b.size() < at + kAtomHeader) return Status(DsfStart::Status::NeedMore, at + kAtomHeader);
    const std::uint32_t id = U32(b, at);
    const size_t length = U32(b, at + 4);
    if (length < kAtomHeader) return Status(DsfStart::Status::Damaged);
    if (id == kHead || id == kDefn) {
      if (b.size() < at + length) return Status(DsfStart::Status::NeedMore, at + length);
      (id == kHead ? head : defn) = true;
    }
    at += length;
  }
  return Status(DsfStart::Status::Done);
}

namespace {

// The strings of the HEAD and DEFN atoms of bytes that ScanDsfDefinitions
// found whole: property(key, value) for each property, name(table, s) for
// each non-empty name of a table; false when an atom is damaged.
template <typename Property, typename Name>
bool WalkDefinitions(std::string_view b, Property&& property, Name&& name) {
  if (ScanDsfDefinitions(b).status != DsfStart::Status::Done) return false;
  bool head = false, defn = false;
  size_t at = kFileHeader;
  while (!(head && defn)) {
    const std::uint32_t id = U32(b, at);
    const size_t length = U32(b, at + 4);
    if (id == kHead || id == kDefn) {
      const size_t end = at + length;
      size_t in = at + kAtomHeader;
      while (in < end) {
        if (end - in < kAtomHeader) return false;
        const std::uint32_t sub = U32(b, in);
        const size_t subLength = U32(b, in + 4);
        if (subLength < kAtomHeader || subLength > end - in) return false;
        const std::string_view payload = b.substr(in + kAtomHeader, subLength - kAtomHeader);
        if (id == kHead && sub == kProp) {
          // Pairs of key and value, empty values included.
          if (!payload.empty() && payload.back() != '\0') return false;
          size_t count = 0;
          for (size_t p = 0; p < payload.size(); ++count) p = payload.find('\0', p) + 1;
          if (count % 2 != 0) return false;
          for (size_t p = 0; p < payload.size();) {
            const size_t k = payload.find('\0', p);
            const size_t v = payload.find('\0', k + 1);
            property(payload.substr(p, k - p), payload.substr(k + 1, v - k - 1));
            p = v + 1;
          }
        } else if (id == kDefn && (sub == kTert || sub == kObjt || sub == kPoly || sub == kNetw)) {
          // Zero-ended strings; empty ones are kept out.
          for (size_t p = 0; p < payload.size();) {
            const size_t z = payload.find('\0', p);
            if (z == std::string_view::npos) return false;
            if (z > p) name(sub, payload.substr(p, z - p));
            p = z + 1;
          }
        }
        in += subLength;
      }
      (id == kHead ? head : defn) = true;
    }
    at += length;
  }
  return true;
}

}  // namespace

std::optional<DsfDefinitions> ParseDsfDefinitions(std::string_view b) {
  DsfDefinitions d;
  const bool ok = WalkDefinitions(
      b, [&](std::string_view key, std::string_view value) { d.properties.emplace_back(key, value); },
      [&](std::uint32_t table, std::string_view s) {
        (table == kTert   ? d.terrains
         : table == kObjt ? d.objects
         : table == kPoly ? d.polygons
                          : d.networks)
            .emplace_back(s);
      });
  if (!ok) return std::nullopt;
  return d;
}

bool DsfDefinitionNames(std::string_view b, bool& overlay, std::vector<std::string_view>& names) {
  overlay = false;
  names.clear();
  return WalkDefinitions(
      b,
      [&](std::string_view key, std::string_view value) {
        overlay = overlay || (key == "sim/overlay" && value == "1");
      },
      [&](std::uint32_t, std::string_view s) { names.push_back(s); });
}

}  // namespace orvella::check
