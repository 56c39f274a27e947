// U_DM3: the picture class for Digital Micrograph version 3 files. Loading
// reads the whole tag structure into a tag tree, writes it to "DM3_Tags.txt"
// in the current directory, picks the picture among the file's images and
// stretches its values onto an 8-bit grey bitmap. The class only loads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "logic/dm3/dm3pixels.h"
#include "logic/dm3/dm3stream.h"
#include "logic/dm3/memtree.h"

namespace orvella {

namespace dm3 {

// A rectangle, right and bottom excluded.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// An 8-bit indexed bitmap: width bytes per row, rows from the top.
struct Bitmap8 {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t flags = 0;
};
using Palette = std::array<PaletteEntry, 256>;

// Where a picture is drawn: the user-interface layer implements it.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Copies sourceRect of source, in the palette's colours, onto dest.
  virtual void CopyRect(const Rect& dest, const Bitmap8& source, const Palette& palette, const Rect& sourceRect) = 0;
};

// The text of the tag tree as "DM3_Tags.txt" holds it: one line per node,
// two blanks per depth, CR LF after each line; a node whose only child is a
// value ("= ...") shares its line with it.
std::string FormatTagDump(const TPPMemNode& root);

}  // namespace dm3

class TDM3Image {
 public:
  static constexpr const char* kDumpFileName = "DM3_Tags.txt";
  // Deepest nesting of tag groups, and of type descriptions, that a file may use.
  static constexpr int kMaxDepth = 256;
  // Raw blocks up to this size become the data block of their node. Larger
  // ones, on a stream that offers ReadAt, stay in the stream: their node
  // keeps its ".Sz" and ".Of" but no data block, and the picture is read
  // from the stream in pieces of kPieceSize bytes. Memory then holds the
  // bitmap and a constant, whatever the file's size.
  static constexpr std::size_t kHeldBlockLimit = std::size_t{64} * 1024;
  static constexpr std::size_t kPieceSize = std::size_t{256} * 1024;

  // An empty tag tree and a 0 x 0 bitmap with the 256-entry grey palette.
  TDM3Image();
  TDM3Image(const TDM3Image&) = delete;
  TDM3Image& operator=(const TDM3Image&) = delete;

  // Reads a DM3 file from the stream's current position. On success the tag
  // tree holds every tag and the bitmap the picture; on failure an Error
  // (EFOpenError for a bad file) is raised and the bitmap stays as it was.
  // Writes "DM3_Tags.txt" in the current directory once the header is read,
  // unless SetDumpTags(false) was called.
  // The stream ends at the end of the tag structure, as read.
  void LoadFromStream(dm3::Stream& stream);

  // Copies the rectangle r of the bitmap onto the same rectangle of the
  // canvas, without scaling.
  void Draw(dm3::Canvas& canvas, const dm3::Rect& r) const;

  bool GetEmpty() const { return bitmap_.width == 0 || bitmap_.height == 0; }
  int GetWidth() const { return bitmap_.width; }
  int GetHeight() const { return bitmap_.height; }
  // Whether loading writes the tag dump (on by default).
  void SetDumpTags(bool dump) { dumpTags_ = dump; }

  const TPPMemNode& Tags() const { return tags_; }
  const dm3::Bitmap8& Bitmap() const { return bitmap_; }
  // Hands the bitmap over without copying it; the picture is then empty.
  dm3::Bitmap8 TakeBitmap();
  const dm3::Palette& GreyPalette() const { return palette_; }

  // The integer value of a tag node: 0 for no node or a node without exactly
  // one child; otherwise the child's name read from its second character on
  // (EConvertError when that is not an integer).
  static std::int32_t TagValueAsInt(const TPPMemNode* node);

 private:
  struct TypeInfo {
    std::int32_t code = 0;
    std::int32_t count = 0;
    std::vector<TypeInfo> parts;
  };
  struct ImageInfo {
    const TPPMemNode* data = nullptr;
    std::int32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    std::int32_t dataType = 0;
  };

  void ReadTagGroup(TPPMemNode& node, int depth);
  void ReadTag(TPPMemNode& node);
  void ReadTypeInfo(TypeInfo& type, int depth);
  void ReadTagValue(const TypeInfo& type, TPPMemNode& node);
  std::string ReadDataToStr(std::int32_t code);
  static std::uint64_t DataSize(const TypeInfo& type);
  static ImageInfo ReadImageInfo(const TPPMemNode* entry);
  // A raw block left in the stream, and when its elements are values of a
  // picture data type, their range, gathered while the tags were read.
  struct LeftBlock {
    std::uint64_t pos = 0;
    std::uint64_t size = 0;
    std::optional<dm3::PixelRange> range;
  };
  void SkipBlock(const TypeInfo& type, TPPMemNode& node, std::uint64_t pos, std::uint64_t size);
  void ConvertLeftBlock(const LeftBlock& block, std::uint32_t dataType, std::size_t count, std::uint8_t* out);
  std::byte* Piece();
  void BuildImage();
  void DumpTags() const;

  std::int32_t ReadBigEndian32();
  void Read(void* buffer, std::size_t size) { stream_->ReadBuffer(buffer, size); }

  TPPMemNode tags_;
  bool dumpTags_ = true;
  dm3::Bitmap8 bitmap_;
  dm3::Palette palette_;
  // Reader state during one load.
  dm3::Stream* stream_ = nullptr;
  bool bigEndian_ = false;
  char decimalSeparator_ = '.';
  std::unordered_map<const TPPMemNode*, LeftBlock> leftBlocks_;
  std::unique_ptr<std::byte[]> piece_;
};

}  // namespace orvella
