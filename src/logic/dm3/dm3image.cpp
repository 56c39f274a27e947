#include "logic/dm3/dm3image.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3pixels.h"
#include "logic/dm3/dm3text.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

constexpr std::uint8_t kKindGroup = 20;
constexpr std::uint8_t kKindTag = 21;
constexpr std::int32_t kTypeStruct = 15;
constexpr std::int32_t kTypeArray = 20;
constexpr std::int32_t kTypeUInt16 = 4;
constexpr std::int32_t kMaxStructFields = 100;
constexpr std::int32_t kMaxTextLength = 256;

[[noreturn]] void Fail(const std::string& message) { throw EFOpenError(message); }

std::int32_t BigEndian32(const unsigned char* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
                                   static_cast<std::uint32_t>(p[2]) << 8 | p[3]);
}

std::uint64_t SaturatingMul(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::numeric_limits<std::uint64_t>::max();
  return a * b;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

// The picture data type whose values are the elements of an array of this
// type code; 0 when there is none.
std::uint32_t PictureTypeOfElement(std::int32_t code) {
  switch (code) {
    case 2:
      return dm3::kDataInt16;
    case 3:
      return dm3::kDataInt32;
    case 4:
      return dm3::kDataUInt16;
    case 5:
      return dm3::kDataUInt32;
    case 6:
      return dm3::kDataFloat32;
    case 7:
      return dm3::kDataFloat64;
    default:
      return 0;
  }
}

const TPPMemNode* FindPath(const TPPMemNode* node, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (!node) return nullptr;
    node = node->FindChild(name);
  }
  return node;
}

void DumpNode(const TPPMemNode& node, int depth, std::string& out) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  out += node.Name();
  if (node.ChildCount() == 1) {
    const std::string& value = node.FirstChild()->Name();
    if (!value.empty() && value[0] == '=') {
      out += ' ';
      out += value;
      out += "\r\n";
      return;
    }
  }
  out += "\r\n";
  for (const TPPMemNode* child : node.Children()) DumpNode(*child, depth + 1, out);
}

// Creates or overwrites a file of the current directory with text; the
// run-time's input/output error when that fails.
void WriteCurrentDirFile(const char* name, const std::string& text) {
  std::string path(win::MAX_PATH, '\0');
  win::DWORD n = win::GetCurrentDirectoryA(static_cast<win::DWORD>(path.size()), path.data());
  if (n >= path.size()) {
    path.resize(n);
    n = win::GetCurrentDirectoryA(static_cast<win::DWORD>(path.size()), path.data());
  }
  if (n == 0 || n >= path.size()) throw EInOutError(InOutCodeFromWin32(win::GetLastError()));
  path.resize(n);
  if (path.back() != '\\') path += '\\';
  path += name;
  platform::FileHandle file(win::CreateFileA(path.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS,
                                             win::FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw EInOutError(InOutCodeFromWin32(win::GetLastError()));
  if (const win::DWORD code = platform::WriteWhole(file.get(), text)) throw EInOutError(InOutCodeFromWin32(code));
  if (!file.close()) throw EInOutError(InOutCodeFromWin32(win::GetLastError()));
}

}  // namespace

namespace dm3 {

std::string FormatTagDump(const TPPMemNode& root) {
  std::string out;
  DumpNode(root, 0, out);
  return out;
}

}  // namespace dm3

TDM3Image::TDM3Image() {
  for (int i = 0; i < 256; ++i) {
    const auto level = static_cast<std::uint8_t>(i);
    palette_[static_cast<std::size_t>(i)] = {level, level, level, 0};
  }
}

void TDM3Image::Draw(dm3::Canvas& canvas, const dm3::Rect& r) const { canvas.CopyRect(r, bitmap_, palette_, r); }

std::int32_t TDM3Image::ReadBigEndian32() {
  unsigned char b[4];
  Read(b, 4);
  return BigEndian32(b);
}

void TDM3Image::LoadFromStream(dm3::Stream& stream) {
  tags_.Clear();
  unsigned char header[12];
  stream.ReadBuffer(header, sizeof header);
  const std::int32_t version = BigEndian32(header);
  const std::int32_t byteOrder = BigEndian32(header + 8);
  if (version != 3) Fail("DM3 version not handled (" + IntToStr(version) + ")");
  if (byteOrder != 0 && byteOrder != 1) Fail("DM3 endian not handled (" + IntToStr(byteOrder) + ")");

  struct StreamScope {
    TDM3Image& self;
    ~StreamScope() {
      self.stream_ = nullptr;
      self.leftBlocks_.clear();
      self.piece_.reset();
    }
  } scope{*this};
  stream_ = &stream;
  bigEndian_ = byteOrder == 0;
  decimalSeparator_ = dm3::LocaleDecimalSeparator();

  std::exception_ptr readError;
  try {
    ReadTagGroup(tags_, 0);
  } catch (...) {
    readError = std::current_exception();
  }
  if (dumpTags_) DumpTags();
  if (readError) std::rethrow_exception(readError);
  BuildImage();
}

void TDM3Image::ReadTagGroup(TPPMemNode& node, int depth) {
  if (depth > kMaxDepth) Fail("DM3 Tag groups nested too deeply (more than " + IntToStr(kMaxDepth) + " levels)");
  unsigned char header[6];
  Read(header, sizeof header);
  const std::int32_t count = BigEndian32(header + 2);
  if (count < 0) Fail("DM3 Tag group entry count negative (" + IntToStr(count) + ") for tag " + node.Path("."));
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint64_t pos = stream_->Position();
    unsigned char entry[3];
    Read(entry, sizeof entry);
    const std::uint8_t kind = entry[0];
    const std::size_t nameLength = static_cast<std::size_t>(entry[1]) << 8 | entry[2];
    std::string name;
    if (nameLength == 0) {
      name = IntToStr(i);
    } else {
      // Not more than the stream still holds: a damaged length must not
      // allocate before the read fails.
      if (nameLength > stream_->Remaining()) throw EReadError();
      name.resize(nameLength);
      Read(name.data(), nameLength);
    }
    if (kind == kKindGroup) {
      ReadTagGroup(*node.AddChild(std::move(name)), depth + 1);
    } else if (kind == kKindTag) {
      ReadTag(*node.AddChild(std::move(name)));
    } else {
      Fail("DM3 RecType unknown : " + IntToStr(kind) + " for tag " + node.Path(".") + "." + name + "(FPos=$" +
           IntToHex(pos, 16) + ")");
    }
  }
}

void TDM3Image::ReadTag(TPPMemNode& node) {
  char mark[4];
  Read(mark, sizeof mark);
  if (std::memcmp(mark, "%%%%", 4) != 0) Fail("DM3 Tag Identifier Mark missing (" + std::string(mark, 4) + ")");
  ReadBigEndian32();  // number of words of the type description
  TypeInfo type;
  ReadTypeInfo(type, 0);
  ReadTagValue(type, node);
}

void TDM3Image::ReadTypeInfo(TypeInfo& type, int depth) {
  if (depth > kMaxDepth) Fail("DM3 Tag types nested too deeply (more than " + IntToStr(kMaxDepth) + " levels)");
  type.code = ReadBigEndian32();
  if (type.code >= 2 && type.code <= 10) return;
  if (type.code == kTypeStruct) {
    if (ReadBigEndian32() > 0) Fail("Struct naming not handled");
    type.count = ReadBigEndian32();
    if (type.count > kMaxStructFields) Fail("Struct type : Too many fields");
    if (type.count < 0) Fail("Struct type : Negative field count");
    // Each field takes at least two words (name length and type code).
    if (static_cast<std::uint64_t>(type.count) * 8 > stream_->Remaining()) throw EReadError();
    type.parts.resize(static_cast<std::size_t>(type.count));
    for (TypeInfo& field : type.parts) {
      if (ReadBigEndian32() > 0) Fail("Struct type : Field naming not handled");
      ReadTypeInfo(field, depth + 1);
    }
    return;
  }
  if (type.code == kTypeArray) {
    type.parts.resize(1);
    ReadTypeInfo(type.parts[0], depth + 1);
    type.count = ReadBigEndian32();
    if (type.count < 0) Fail("Array type : Negative element count (" + IntToStr(type.count) + ")");
    return;
  }
  Fail("Unknown Tag type " + IntToStr(type.code));
}

std::uint64_t TDM3Image::DataSize(const TypeInfo& type) {
  switch (type.code) {
    case 2:
    case 4:
      return 2;
    case 3:
    case 5:
    case 6:
      return 4;
    case 7:
      return 8;
    case 8:
    case 9:
    case 10:
      return 1;
    case kTypeStruct: {
      std::uint64_t size = 0;
      for (const TypeInfo& field : type.parts) size = SaturatingAdd(size, DataSize(field));
      return size;
    }
    case kTypeArray:
      return SaturatingMul(DataSize(type.parts[0]), static_cast<std::uint64_t>(type.count));
    default:
      return 0;
  }
}

void TDM3Image::ReadTagValue(const TypeInfo& type, TPPMemNode& node) {
  if (type.code == kTypeStruct) {
    for (std::size_t i = 0; i < type.parts.size(); ++i)
      ReadTagValue(type.parts[i], *node.AddChild("field(" + IntToStr(static_cast<long long>(i)) + ")"));
    return;
  }
  if (type.code != kTypeArray) {
    node.AddChild("= " + ReadDataToStr(type.code));
    return;
  }
  const bool text =
      type.parts[0].code == kTypeUInt16 && type.count < kMaxTextLength && !node.Path(".").ends_with("ImageData.Data");
  if (text) {
    if (type.count == 0) {
      node.AddChild("= \"\"");
      return;
    }
    // 16-bit characters, little-endian whatever the file's byte order.
    unsigned char raw[2 * kMaxTextLength];
    const auto count = static_cast<std::size_t>(type.count);
    Read(raw, count * 2);
    std::u16string wide(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) wide[i] = static_cast<char16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
    const int n =
        win::WideCharToMultiByte(win::CP_ACP, 0, wide.data(), static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(n, 0)), '\0');
    if (n > 0)
      win::WideCharToMultiByte(win::CP_ACP, 0, wide.data(), static_cast<int>(count), narrow.data(), n, nullptr,
                               nullptr);
    node.AddChild("= " + narrow);
    return;
  }
  // A raw block, kept as it stands in the file (little-endian).
  const std::uint64_t size = DataSize(type);
  const std::uint64_t pos = stream_->Position();
  node.AddChild(".Sz")->AddChild("= " + UIntToStr(size));
  node.AddChild(".Of")->AddChild("= $" + IntToHex(pos, 8));
  if (size > stream_->Remaining() || size > std::numeric_limits<std::size_t>::max())
    Fail("DM3 Array data beyond end of file (" + UIntToStr(size) + " bytes at $" + IntToHex(pos, 8) + ")");
  if (size > kHeldBlockLimit && stream_->CanReadAt()) {
    SkipBlock(type, node, pos, size);
    return;
  }
  std::byte* block = dm3::AllocBlock(static_cast<std::size_t>(size));
  node.SetData(block);
  Read(block, static_cast<std::size_t>(size));
}

std::byte* TDM3Image::Piece() {
  if (!piece_) piece_ = std::make_unique<std::byte[]>(kPieceSize);
  return piece_.get();
}

void TDM3Image::SkipBlock(const TypeInfo& type, TPPMemNode& node, std::uint64_t pos, std::uint64_t size) {
  LeftBlock left;
  left.pos = pos;
  left.size = size;
  // Its bytes are needed later only if it is the picture: a stream that can
  // move past them, does.
  if (stream_->SkipOver(size)) {
    leftBlocks_[&node] = left;
    return;
  }
  // Read through, the elements of a picture data type give their range on the
  // way, so that the picture, when it is this block in this type, needs one
  // pass less.
  if (const std::uint32_t dataType = PictureTypeOfElement(type.parts[0].code); dataType != 0)
    left.range.emplace(dataType);
  std::byte* piece = Piece();
  // Pieces hold whole elements: kPieceSize is a multiple of every value size.
  for (std::uint64_t done = 0; done < size;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kPieceSize));
    Read(piece, n);
    if (left.range) left.range->Add(piece, n / left.range->ValueSize());
    done += n;
  }
  leftBlocks_[&node] = left;
}

void TDM3Image::ConvertLeftBlock(const LeftBlock& block, std::uint32_t dataType, std::size_t count, std::uint8_t* out) {
  const std::size_t valueSize = dm3::PixelValueSize(dataType);
  const std::size_t perPiece = kPieceSize / valueSize;
  const auto eachPiece = [&](const auto& use) {
    for (std::size_t done = 0; done < count;) {
      const std::size_t n = std::min(count - done, perPiece);
      const std::uint64_t pos = block.pos + static_cast<std::uint64_t>(done) * valueSize;
      const std::byte* values = stream_->ViewAt(pos, n * valueSize);
      if (!values) {
        stream_->ReadAt(pos, Piece(), n * valueSize);
        values = Piece();
      }
      use(values, done, n);
      done += n;
    }
  };
  // The range gathered while the tags were read serves only when it covers
  // exactly the values converted, in their data type.
  std::optional<dm3::PixelRange> range;
  if (block.range && block.range->DataType() == dataType &&
      block.size == static_cast<std::uint64_t>(count) * valueSize) {
    range = block.range;
  } else {
    range.emplace(dataType);
    eachPiece([&](const std::byte* values, std::size_t, std::size_t n) { range->Add(values, n); });
  }
  eachPiece([&](const std::byte* values, std::size_t done, std::size_t n) { range->Stretch(values, n, out + done); });
}

std::string TDM3Image::ReadDataToStr(std::int32_t code) {
  unsigned char b[8];
  std::size_t size;
  switch (code) {
    case 2:
    case 4:
      size = 2;
      break;
    case 3:
    case 5:
    case 6:
      size = 4;
      break;
    case 7:
      size = 8;
      break;
    default:
      size = 1;
      break;
  }
  Read(b, size);
  // Values as they would stand in memory on a little-endian machine.
  if (bigEndian_ && size > 1) std::reverse(b, b + size);
  std::uint64_t bits = 0;
  for (std::size_t i = size; i-- > 0;) bits = bits << 8 | b[i];
  switch (code) {
    case 2:
      return IntToStr(static_cast<std::int16_t>(bits));
    case 3:
      return IntToStr(static_cast<std::int32_t>(bits));
    case 4:
      return UIntToStr(static_cast<std::uint16_t>(bits));
    case 5:
      return UIntToStr(static_cast<std::uint32_t>(bits));
    case 6: {
      float f;
      const auto u = static_cast<std::uint32_t>(bits);
      std::memcpy(&f, &u, sizeof f);
      return dm3::FloatToStrGeneral(f, decimalSeparator_);
    }
    case 7: {
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return dm3::FloatToStrGeneral(d, decimalSeparator_);
    }
    case 8:
      return b[0] != 0 ? "True" : "False";
    case 9:
      return std::string(1, static_cast<char>(b[0]));
    default:
      return UIntToStr(b[0]);
  }
}

std::int32_t TDM3Image::TagValueAsInt(const TPPMemNode* node) {
  if (!node || node->ChildCount() != 1) return 0;
  const std::string& name = node->FirstChild()->Name();
  const std::string text = name.size() > 1 ? AnsiPrefix(std::string_view(name).substr(1), 155) : std::string();
  const std::optional<std::int32_t> value = dm3::ParseInteger(text);
  if (!value)
    throw EConvertError(
        CatalogueText("Dm3Conv", "ValeurEntiere", "'%s' n'est pas une valeur entière correcte", {text}));
  return *value;
}

TDM3Image::ImageInfo TDM3Image::ReadImageInfo(const TPPMemNode* entry) {
  ImageInfo info;
  const TPPMemNode* imageData = entry ? entry->FindChild("ImageData") : nullptr;
  info.data = imageData ? imageData->FindChild("Data") : nullptr;
  info.size = TagValueAsInt(info.data ? info.data->FindChild(".Sz") : nullptr);
  info.width = TagValueAsInt(FindPath(imageData, {"Dimensions", "0"}));
  info.height = TagValueAsInt(FindPath(imageData, {"Dimensions", "1"}));
  info.depth = TagValueAsInt(FindPath(imageData, {"PixelDepth"}));
  info.dataType = TagValueAsInt(FindPath(imageData, {"DataType"}));
  return info;
}

void TDM3Image::BuildImage() {
  // Sizes are compared as unsigned 64-bit numbers, so no product wraps round.
  const auto area = [](const ImageInfo& info) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(info.width)) * static_cast<std::uint32_t>(info.height);
  };
  const TPPMemNode* list = tags_.FindChild("ImageList");
  const TPPMemNode* candidate = nullptr;
  ImageInfo info;

  if (const TPPMemNode* ref = FindPath(&tags_, {"ImageSourceList", "0", "ImageRef"})) {
    const auto n = static_cast<std::uint32_t>(TagValueAsInt(ref));
    if (const TPPMemNode* entry = list ? list->FindChild(UIntToStr(n)) : nullptr) {
      info = ReadImageInfo(entry);
      if (area(info) != 0) candidate = entry;
    }
  }
  if (!candidate && list) {
    std::uint64_t best = 0;
    for (const TPPMemNode* entry : list->Children()) {
      const ImageInfo e = ReadImageInfo(entry);
      const std::uint64_t pixels = area(e);
      const std::uint64_t bytes = SaturatingMul(pixels, static_cast<std::uint32_t>(e.depth));
      if (e.size >= 0 && bytes == static_cast<std::uint64_t>(e.size) && pixels > best) {
        candidate = entry;
        info = e;
        best = pixels;
      }
    }
  }
  if (!candidate) Fail("DM3 Image data not found.");

  const auto dataType = static_cast<std::uint32_t>(info.dataType);
  const std::size_t valueSize = dm3::PixelValueSize(dataType);
  if (valueSize == 0) {
    if (dataType <= dm3::kLastKnownDataType) Fail("DM3 image format " + UIntToStr(dataType) + " not supported.");
    Fail("DM3 image format " + UIntToStr(dataType) + " unknown.");
  }
  // The conversion reads width x height values: the block must hold them.
  const std::uint64_t count = area(info);
  const std::uint64_t needed = SaturatingMul(count, valueSize);
  const std::byte* block = info.data ? info.data->Data() : nullptr;
  const LeftBlock* left = nullptr;
  if (!block && info.data) {
    const auto it = leftBlocks_.find(info.data);
    if (it != leftBlocks_.end()) left = &it->second;
  }
  const bool present = block || left;
  if (!present || info.size < 0 || needed > static_cast<std::uint64_t>(info.size) || (left && needed > left->size))
    Fail("DM3 Image data too short (" + IntToStr(present ? info.size : 0) + " bytes for " +
         UIntToStr(static_cast<std::uint32_t>(info.width)) + " x " +
         UIntToStr(static_cast<std::uint32_t>(info.height)) + " pixels).");

  dm3::Bitmap8 bitmap;
  bitmap.width = info.width;
  bitmap.height = info.height;
  bitmap.pixels.resize(static_cast<std::size_t>(count));
  if (left)
    ConvertLeftBlock(*left, dataType, static_cast<std::size_t>(count), bitmap.pixels.data());
  else
    dm3::ConvertPixels(dataType, block, static_cast<std::size_t>(count), bitmap.pixels.data());
  bitmap_ = std::move(bitmap);
}

dm3::Bitmap8 TDM3Image::TakeBitmap() {
  dm3::Bitmap8 out = std::move(bitmap_);
  bitmap_ = {};
  return out;
}

void TDM3Image::DumpTags() const { WriteCurrentDirFile(kDumpFileName, dm3::FormatTagDump(tags_)); }

}  // namespace orvella
