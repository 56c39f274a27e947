// A small DM3 writer for the tests: builds tag groups, tags and pictures in
// memory and serialises them as a version 3 file, so that every edge case of
// the reader can be made on demand.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvella::test::dm3w {

// A type description as the words that follow a tag's "%%%%" and word count.
struct Type {
  std::vector<std::int32_t> words;
};
inline Type Simple(std::int32_t code) { return {{code}}; }
inline Type Array(const Type& element, std::int32_t count) {
  Type t{{20}};
  t.words.insert(t.words.end(), element.words.begin(), element.words.end());
  t.words.push_back(count);
  return t;
}
inline Type Struct(const std::vector<Type>& fields) {
  Type t{{15, 0, static_cast<std::int32_t>(fields.size())}};
  for (const Type& f : fields) {
    t.words.push_back(0);
    t.words.insert(t.words.end(), f.words.begin(), f.words.end());
  }
  return t;
}

inline void PutBE32(std::string& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  out += static_cast<char>(u >> 24);
  out += static_cast<char>(u >> 16);
  out += static_cast<char>(u >> 8);
  out += static_cast<char>(u);
}

// Bytes of a value in little- or big-endian order.
template <typename T>
std::string Bytes(T v, bool bigEndian = false) {
  std::string s(sizeof(T), '\0');
  std::memcpy(s.data(), &v, sizeof(T));
  if (bigEndian) s.assign(s.rbegin(), s.rend());
  return s;
}
// Little-endian bytes of a row of values (picture blocks).
template <typename T>
std::string Block(const std::vector<T>& values) {
  std::string s(values.size() * sizeof(T), '\0');
  if (!values.empty()) std::memcpy(s.data(), values.data(), s.size());
  return s;
}

class Group {
 public:
  explicit Group(bool bigEndian = false) : bigEndian_(bigEndian) {}

  // A nested group; an empty name writes a name length of 0.
  Group& AddGroup(const std::string& name = {}) {
    entries_.push_back(Entry{20, name, std::make_unique<Group>(bigEndian_), {}});
    return *entries_.back().group;
  }
  // A tag with its type description and value bytes as given.
  Group& Tag(const std::string& name, const Type& type, const std::string& value, const std::string& mark = "%%%%") {
    std::string body = mark;
    PutBE32(body, static_cast<std::int32_t>(type.words.size()));
    for (std::int32_t w : type.words) PutBE32(body, w);
    body += value;
    entries_.push_back(Entry{21, name, nullptr, body});
    return *this;
  }
  // An entry of any kind byte followed by raw bytes.
  Group& Raw(std::uint8_t kind, const std::string& name, const std::string& bytes) {
    entries_.push_back(Entry{kind, name, nullptr, bytes});
    return *this;
  }

  template <typename T>
  Group& Value(const std::string& name, std::int32_t code, T v) {
    return Tag(name, Simple(code), Bytes(v, bigEndian_));
  }
  Group& Int16(const std::string& n, std::int16_t v) { return Value(n, 2, v); }
  Group& Int32(const std::string& n, std::int32_t v) { return Value(n, 3, v); }
  Group& UInt16(const std::string& n, std::uint16_t v) { return Value(n, 4, v); }
  Group& UInt32(const std::string& n, std::uint32_t v) { return Value(n, 5, v); }
  Group& Float(const std::string& n, float v) { return Value(n, 6, v); }
  Group& Double(const std::string& n, double v) { return Value(n, 7, v); }
  Group& Bool(const std::string& n, std::uint8_t v) { return Value(n, 8, v); }
  Group& Char(const std::string& n, char v) { return Value(n, 9, v); }
  Group& UInt8(const std::string& n, std::uint8_t v) { return Value(n, 10, v); }
  // A 16-bit text, little-endian characters.
  Group& Text(const std::string& n, const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) bytes += Bytes<std::uint16_t>(c);
    return Tag(n, Array(Simple(4), static_cast<std::int32_t>(text.size())), bytes);
  }
  // An array of count elements of a simple type, its bytes as given.
  Group& ArrayOf(const std::string& n, std::int32_t elementCode, std::int32_t count, const std::string& bytes) {
    return Tag(n, Array(Simple(elementCode), count), bytes);
  }

  void Serialise(std::string& out) const {
    out += '\0';  // sorted
    out += '\1';  // open
    PutBE32(out, count_ ? *count_ : static_cast<std::int32_t>(entries_.size()));
    for (const Entry& e : entries_) {
      out += static_cast<char>(e.kind);
      out += static_cast<char>(e.name.size() >> 8);
      out += static_cast<char>(e.name.size() & 0xFF);
      out += e.name;
      if (e.group)
        e.group->Serialise(out);
      else
        out += e.body;
    }
  }
  // Writes this entry count instead of the real one.
  void OverrideCount(std::int32_t count) { count_ = count; }
  bool bigEndian() const { return bigEndian_; }

 private:
  struct Entry {
    std::uint8_t kind;
    std::string name;
    std::unique_ptr<Group> group;
    std::string body;
  };
  bool bigEndian_;
  std::optional<std::int32_t> count_;
  std::vector<Entry> entries_;
};

// A whole file: the 12-byte header, then the root group.
inline std::string File(const Group& root, std::int32_t version = 3, std::int32_t byteOrder = -1) {
  std::string out;
  PutBE32(out, version);
  PutBE32(out, 0);
  PutBE32(out, byteOrder >= 0 ? byteOrder : (root.bigEndian() ? 0 : 1));
  root.Serialise(out);
  return out;
}

// Adds an image entry (unnamed) to an "ImageList" group: ImageData with its
// Data block, Dimensions 0 and 1 (uint32), PixelDepth and DataType.
inline Group& AddImage(Group& imageList, std::int32_t width, std::int32_t height, std::int32_t dataType,
                       std::int32_t depth, std::int32_t elementCode, const std::string& pixels) {
  Group& image = imageList.AddGroup();
  Group& data = image.AddGroup("ImageData");
  const std::int32_t elementSize = elementCode == 2 || elementCode == 4                        ? 2
                                   : elementCode == 7                                          ? 8
                                   : elementCode == 8 || elementCode == 9 || elementCode == 10 ? 1
                                                                                               : 4;
  data.ArrayOf("Data", elementCode, static_cast<std::int32_t>(pixels.size()) / elementSize, pixels);
  data.Int32("DataType", dataType);
  Group& dims = data.AddGroup("Dimensions");
  dims.UInt32("", static_cast<std::uint32_t>(width));
  dims.UInt32("", static_cast<std::uint32_t>(height));
  data.Int32("PixelDepth", depth);
  return image;
}

}  // namespace orvella::test::dm3w
