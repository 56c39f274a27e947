#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "dm3/dm3fixture.h"
#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "platform/testhooks.h"
#include "platform/winapi.h"
#include "support/dm3writer.h"

namespace orvella::test {
namespace {

using namespace dm3w;

// ---- Header -------------------------------------------------------------

TEST_F(Dm3Test, VersionOtherThanThreeLeavesAnEmptyTreeAndNoDump) {
  Group good;
  good.Int16("x", 1);
  EXPECT_EQ(Load(File(good)), "DM3 Image data not found.");
  ASSERT_EQ(image_.Tags().ChildCount(), 1);
  std::filesystem::remove(cwd_.dir().host("DM3_Tags.txt"));

  EXPECT_EQ(Load(File(good, 4)), "DM3 version not handled (4)");
  EXPECT_EQ(image_.Tags().ChildCount(), 0);
  EXPECT_FALSE(DumpExists());
}

TEST_F(Dm3Test, ByteOrderFlagMustBeZeroOrOne) {
  Group root;
  EXPECT_EQ(Load(File(root, 3, 2)), "DM3 endian not handled (2)");
  EXPECT_EQ(Load(File(root, 3, 0x7FFFFFFF)), "DM3 endian not handled (2147483647)");
  EXPECT_FALSE(DumpExists());
}

TEST_F(Dm3Test, ShortHeaderIsAStreamReadError) {
  const std::string bytes = File(Group()).substr(0, 10);
  dm3::MemoryStream stream(bytes);
  EXPECT_THROW(image_.LoadFromStream(stream), EReadError);
  EXPECT_EQ(Load(bytes), "Erreur de lecture du flux");
  EXPECT_FALSE(DumpExists());
}

// ---- Tag groups -----------------------------------------------------------

TEST_F(Dm3Test, UnnamedEntriesAreNamedByTheirPosition) {
  Group root;
  root.AddGroup("A");
  root.Int32("", 5);
  root.AddGroup().Int16("", 1);
  Load(File(root));
  EXPECT_EQ(ChildNames(&image_.Tags()), "A|1|2");
  EXPECT_EQ(ChildNames(Node({"1"})), "= 5");
  EXPECT_EQ(ChildNames(Node({"2", "0"})), "= 1");
}

TEST_F(Dm3Test, NestingIsBoundedAt256Groups) {
  auto nested = [](int levels) {
    Group root;
    Group* g = &root;
    for (int i = 0; i < levels; ++i) g = &g->AddGroup("g");
    g->Int16("leaf", 3);
    return File(root);
  };
  EXPECT_EQ(Load(nested(256)), "DM3 Image data not found.");
  EXPECT_EQ(Load(nested(257)), "DM3 Tag groups nested too deeply (more than 256 levels)");
  EXPECT_TRUE(DumpExists());
}

TEST_F(Dm3Test, UnknownEntryKindNamesTheTagAndItsFilePosition) {
  Group root;
  root.AddGroup("G").Raw(22, "X", "");
  // Header 12, root group 6, entry "G" 4, its group 6: the bad entry is at 28.
  EXPECT_EQ(Load(File(root)), "DM3 RecType unknown : 22 for tag .G.X(FPos=$000000000000001C)");
  Group unnamed;
  unnamed.Int16("a", 1).Raw(0, "", "");
  EXPECT_EQ(Load(File(unnamed)), "DM3 RecType unknown : 0 for tag .1(FPos=$0000000000000024)");
}

TEST_F(Dm3Test, NegativeEntryCountIsRefused) {
  Group root;
  root.AddGroup("G").OverrideCount(-1);
  EXPECT_EQ(Load(File(root)), "DM3 Tag group entry count negative (-1) for tag .G");
}

// ---- Tags and values --------------------------------------------------------

void AddEveryValue(Group& g) {
  g.Int16("i16", -5)
      .Int32("i32", -2000000000)
      .UInt16("u16", 65535)
      .UInt32("u32", 4294967295u)
      .Float("f32", 1.5f)
      .Double("f64", -0.1)
      .Bool("t", 2)
      .Bool("f", 0)
      .Char("c", 'A')
      .UInt8("u8", 200);
}

TEST_F(Dm3Test, SimpleValuesBecomeTextsInEitherByteOrder) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    Group root(bigEndian);
    AddEveryValue(root);
    Load(File(root));
    EXPECT_EQ(ChildNames(Node({"i16"})), "= -5");
    EXPECT_EQ(ChildNames(Node({"i32"})), "= -2000000000");
    EXPECT_EQ(ChildNames(Node({"u16"})), "= 65535");
    EXPECT_EQ(ChildNames(Node({"u32"})), "= 4294967295");
    EXPECT_EQ(ChildNames(Node({"f32"})), "= 1.5");
    EXPECT_EQ(ChildNames(Node({"f64"})), "= -0.1");
    EXPECT_EQ(ChildNames(Node({"t"})), "= True");
    EXPECT_EQ(ChildNames(Node({"f"})), "= False");
    EXPECT_EQ(ChildNames(Node({"c"})), "= A");
    EXPECT_EQ(ChildNames(Node({"u8"})), "= 200");
  }
}

TEST_F(Dm3Test, StructureFieldsAreNumberedNodes) {
  Group root;
  std::string value = Bytes<std::int16_t>(-1) + Bytes<float>(0.25f) + Bytes<std::uint8_t>(9) + Bytes<std::int32_t>(42);
  root.Tag("S", Struct({Simple(2), Simple(6), Simple(10), Struct({Simple(3)})}), value);
  root.Int16("after", 1);
  Load(File(root));
  EXPECT_EQ(ChildNames(Node({"S"})), "field(0)|field(1)|field(2)|field(3)");
  EXPECT_EQ(ChildNames(Node({"S", "field(0)"})), "= -1");
  EXPECT_EQ(ChildNames(Node({"S", "field(1)"})), "= 0.25");
  EXPECT_EQ(ChildNames(Node({"S", "field(2)"})), "= 9");
  EXPECT_EQ(ChildNames(Node({"S", "field(3)", "field(0)"})), "= 42");
  EXPECT_EQ(ChildNames(Node({"after"})), "= 1");
}

TEST_F(Dm3Test, StructureDescriptionsThatAreRefused) {
  std::vector<Type> fields(101, Simple(10));
  Group many;
  many.Tag("S", Struct(fields), std::string(101, '\0'));
  EXPECT_EQ(Load(File(many)), "Struct type : Too many fields");

  fields.resize(100);
  Group hundred;
  hundred.Tag("S", Struct(fields), std::string(100, '\0'));
  EXPECT_EQ(Load(File(hundred)), "DM3 Image data not found.");
  EXPECT_EQ(Node({"S"})->ChildCount(), 100);

  Group named;
  named.Tag("S", Type{{15, 3, 1, 0, 2}}, "");
  EXPECT_EQ(Load(File(named)), "Struct naming not handled");
  Group fieldNamed;
  fieldNamed.Tag("S", Type{{15, 0, 2, 0, 2, 1, 2}}, "");
  EXPECT_EQ(Load(File(fieldNamed)), "Struct type : Field naming not handled");
  Group negative;
  negative.Tag("S", Type{{15, 0, -1}}, "");
  EXPECT_EQ(Load(File(negative)), "Struct type : Negative field count");
}

TEST_F(Dm3Test, UnknownTypeCodes) {
  for (int code : {18, 0, 1, 11, 16, 21}) {
    Group root;
    root.Tag("T", Simple(code), "");
    EXPECT_EQ(Load(File(root)), "Unknown Tag type " + std::to_string(code));
  }
  Group inArray;
  inArray.Tag("T", Array(Simple(18), 1), "");
  EXPECT_EQ(Load(File(inArray)), "Unknown Tag type 18");
}

TEST_F(Dm3Test, MissingTagMarkShowsTheBytesRead) {
  Group root;
  root.Int16("first", 1);
  root.Tag("bad", Simple(2), "\1\0", "%%%#");
  EXPECT_EQ(Load(File(root)), "DM3 Tag Identifier Mark missing (%%%#)");
  EXPECT_EQ(ChildNames(&image_.Tags()), "first|bad");
  EXPECT_EQ(Dump(), "\r\n  first = 1\r\n  bad\r\n");
}

// ---- Arrays: texts and blocks ---------------------------------------------------

TEST_F(Dm3Test, Short16BitArraysAreTexts) {
  Group root;
  root.Text("Name", std::u16string(255, u'x'));
  root.Text("Empty", u"");
  root.Text("Accents", u"\u00e9t\u00e9 \u4e2d");
  Load(File(root));
  EXPECT_EQ(ChildNames(Node({"Name"})), "= " + std::string(255, 'x'));
  EXPECT_EQ(ChildNames(Node({"Empty"})), "= \"\"");
  // What the code page cannot hold is a '?'; UTF-8 holds it all.
  EXPECT_EQ(ChildNames(Node({"Accents"})), "= " + Ansi("été 中"));
  if (win::GetACP() == 1252) {
    EXPECT_EQ(ChildNames(Node({"Accents"})), "= \xE9t\xE9 ?");
  }
  EXPECT_EQ(Node({"Name"})->Data(), nullptr);
}

TEST_F(Dm3Test, TextCharactersStayLittleEndianInBigEndianFiles) {
  Group root(true);
  root.Text("Name", u"Ab");
  root.Int16("n", 258);
  Load(File(root));
  EXPECT_EQ(ChildNames(Node({"Name"})), "= Ab");
  EXPECT_EQ(ChildNames(Node({"n"})), "= 258");
}

TEST_F(Dm3Test, LongAndPictureArraysAreRawBlocks) {
  Group root;
  std::string text256;
  for (int i = 0; i < 256; ++i) text256 += Bytes<std::uint16_t>(static_cast<std::uint16_t>(i));
  root.ArrayOf("Name", 4, 256, text256);
  root.AddGroup("ImageData").ArrayOf("Data", 4, 10, std::string(20, '\7'));
  root.ArrayOf("Floats", 6, 2, Bytes(1.0f) + Bytes(2.0f));
  Load(File(root));

  const TPPMemNode* name = Node({"Name"});
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(ChildNames(name), ".Sz|.Of");
  EXPECT_EQ(ChildNames(Node({"Name", ".Sz"})), "= 512");
  // Header 12, root group 6, entry 7, mark and word count 8, three words 12.
  EXPECT_EQ(ChildNames(Node({"Name", ".Of"})), "= $0000002D");
  ASSERT_NE(name->Data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name->Data()), 512), text256);

  EXPECT_EQ(ChildNames(Node({"ImageData", "Data", ".Sz"})), "= 20");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Node({"ImageData", "Data"})->Data()), 20), std::string(20, '\7'));
  EXPECT_EQ(ChildNames(Node({"Floats", ".Sz"})), "= 8");
}

TEST_F(Dm3Test, BlockOffsetsAreStreamPositions) {
  Group root;
  root.ArrayOf("B", 10, 3, "abc");
  const std::string bytes = "junk!" + File(root);
  dm3::MemoryStream stream(bytes);
  stream.Seek(5);
  EXPECT_THROW(image_.LoadFromStream(stream), EFOpenError);
  // 5 + header 12 + group 6 + entry 4 + 8 + 12.
  EXPECT_EQ(ChildNames(Node({"B", ".Of"})), "= $0000002F");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Node({"B"})->Data()), 3), "abc");
}

TEST_F(Dm3Test, ArrayCountsAreCheckedBeforeAnyAllocation) {
  Group negative;
  negative.ArrayOf("A", 10, -1, "");
  EXPECT_EQ(Load(File(negative)), "Array type : Negative element count (-1)");

  Group beyond;
  beyond.ArrayOf("A", 7, 1 << 28, std::string(16, '\0'));
  EXPECT_EQ(Load(File(beyond)), "DM3 Array data beyond end of file (2147483648 bytes at $0000002A)");
  EXPECT_EQ(Node({"A"})->Data(), nullptr);
  EXPECT_EQ(ChildNames(Node({"A", ".Sz"})), "= 2147483648");

  // Sizes that overflow 64 bits saturate instead of wrapping round to little.
  Group huge;
  const Type big = Array(Array(Array(Simple(7), 0x40000000), 0x40000000), 0x40000000);
  huge.Tag("A", big, "");
  EXPECT_EQ(Load(File(huge)).rfind("DM3 Array data beyond end of file (18446744073709551615 bytes", 0), 0u);

  Group wraps32;  // 2^31 elements of 2 bytes: 0 in 32-bit arithmetic.
  wraps32.ArrayOf("ImageData", 2, 0x7FFFFFFF, "");
  EXPECT_EQ(Load(File(wraps32)).rfind("DM3 Array data beyond end of file (4294967294 bytes", 0), 0u);
}

TEST_F(Dm3Test, TypeNestingIsBounded) {
  Type t = Simple(10);
  for (int i = 0; i < 300; ++i) t = Array(t, 1);
  Group root;
  root.Tag("deep", t, "\1");
  EXPECT_EQ(Load(File(root)), "DM3 Tag types nested too deeply (more than 256 levels)");
}

TEST_F(Dm3Test, TruncatedFileKeepsWhatWasReadAndDumpsIt) {
  Group root;
  root.Int16("a", 1);
  root.ArrayOf("b", 10, 8, "12345678");
  const std::string bytes = File(root);
  EXPECT_EQ(Load(bytes.substr(0, bytes.size() - 4)), "DM3 Array data beyond end of file (8 bytes at $0000003C)");
  EXPECT_EQ(Load(bytes.substr(0, 28)), "Erreur de lecture du flux");
  EXPECT_EQ(ChildNames(&image_.Tags()), "a");
  EXPECT_EQ(ChildNames(Node({"a"})), "");
  EXPECT_EQ(Dump(), "\r\n  a\r\n");
}

// ---- The tag dump -------------------------------------------------------------

TEST_F(Dm3Test, DumpWritesOneLinePerNodeWithValuesBesideTheirTags) {
  Group root;
  root.Text("Name", u"ab");
  Group& g = root.AddGroup("G");
  g.Int16("", 7);
  g.AddGroup("E");
  root.ArrayOf("Blk", 10, 3, "abc");
  EXPECT_EQ(Load(File(root)), "DM3 Image data not found.");
  EXPECT_EQ(Dump(),
            "\r\n"
            "  Name = ab\r\n"
            "  G\r\n"
            "    0 = 7\r\n"
            "    E\r\n"
            "  Blk\r\n"
            "    .Sz = 3\r\n"
            "    .Of = $00000070\r\n");
}

TEST_F(Dm3Test, DumpIndentsTwoBlanksPerDepth) {
  Group root;
  Group& list = root.AddGroup("ImageList");
  AddImage(list, 1, 1, 7, 4, 3, Bytes<std::int32_t>(5));
  EXPECT_EQ(Load(File(root)), "");
  EXPECT_NE(Dump().find("\r\n        DataType = 7\r\n"), std::string::npos) << Dump();
  EXPECT_NE(Dump().find("\r\n          0 = 1\r\n"), std::string::npos) << Dump();
}

TEST_F(Dm3Test, DumpFailureIsAnInputOutputErrorAndTakesPrecedence) {
  std::filesystem::create_directory(cwd_.dir().host("DM3_Tags.txt"));
  Group root;
  Group& list = root.AddGroup("ImageList");
  AddImage(list, 1, 1, 7, 4, 3, Bytes<std::int32_t>(5));
  {
    dm3::MemoryStream stream(File(root));
    EXPECT_THROW(image_.LoadFromStream(stream), EInOutError);
    EXPECT_TRUE(image_.GetEmpty());
  }
  Group bad;
  bad.Tag("T", Simple(18), "");
  dm3::MemoryStream stream(File(bad));
  EXPECT_THROW(image_.LoadFromStream(stream), EInOutError);
}

TEST_F(Dm3Test, FullDiskWhileDumping) {
  Group root;
  AddImage(root.AddGroup("ImageList"), 1, 1, 7, 4, 3, Bytes<std::int32_t>(5));
  platform::InjectWriteFailureAfter(10, win::ERROR_DISK_FULL);
  dm3::MemoryStream stream(File(root));
  try {
    image_.LoadFromStream(stream);
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.errorCode(), kIoDiskFull);
    EXPECT_EQ(std::string(e.what()), "Disque plein");
  }
  platform::InjectWriteFailureAfter(~0ull, 0);
  EXPECT_TRUE(image_.GetEmpty());
}

// ---- Choosing the picture ----------------------------------------------------

std::string Int16Pixels(std::size_t count, std::int16_t first, std::int16_t rest) {
  std::vector<std::int16_t> v(count, rest);
  v[0] = first;
  return Block(v);
}

TEST_F(Dm3Test, TheLargestMatchingImageIsShownAndTheFirstOfEquals) {
  Group root;
  Group& list = root.AddGroup("ImageList");
  AddImage(list, 512, 512, 1, 2, 2, Int16Pixels(512 * 512, 0, 1));
  AddImage(list, 1024, 1024, 1, 2, 2, Int16Pixels(1024 * 1024, 0, 1));
  AddImage(list, 2048, 2048, 1, 4, 2, Int16Pixels(2048 * 2048, 0, 1));  // depth does not match
  ASSERT_EQ(Load(File(root)), "");
  EXPECT_EQ(image_.GetWidth(), 1024);
  EXPECT_EQ(image_.GetHeight(), 1024);

  Group equal;
  Group& twins = equal.AddGroup("ImageList");
  AddImage(twins, 2, 2, 1, 2, 2, Int16Pixels(4, 9, 1));  // first pixel white
  AddImage(twins, 2, 2, 1, 2, 2, Int16Pixels(4, 1, 9));  // first pixel black
  ASSERT_EQ(Load(File(equal)), "");
  EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{255, 0, 0, 0}));
}

TEST_F(Dm3Test, ImageRefChoosesItsImageUnlessItHasNoPixels) {
  auto file = [](std::int32_t ref, std::int32_t refWidth) {
    Group root;
    root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", ref);
    Group& list = root.AddGroup("ImageList");
    AddImage(list, 4, 4, 1, 2, 2, Int16Pixels(16, 0, 1));
    AddImage(list, refWidth, 1, 1, 2, 2, Int16Pixels(2, 0, 1));
    return File(root);
  };
  ASSERT_EQ(Load(file(1, 2)), "");
  EXPECT_EQ(image_.GetWidth(), 2);
  ASSERT_EQ(Load(file(1, 0)), "");
  EXPECT_EQ(image_.GetWidth(), 4);
  ASSERT_EQ(Load(file(-1, 2)), "");  // names "4294967295": no such image
  EXPECT_EQ(image_.GetWidth(), 4);
}

TEST_F(Dm3Test, NoUsableImage) {
  Group none;
  none.Int16("x", 1);
  EXPECT_EQ(Load(File(none)), "DM3 Image data not found.");
  Group mismatched;
  AddImage(mismatched.AddGroup("ImageList"), 3, 3, 1, 2, 2, Int16Pixels(8, 0, 1));
  EXPECT_EQ(Load(File(mismatched)), "DM3 Image data not found.");
  Group empty;
  empty.AddGroup("ImageList");
  EXPECT_EQ(Load(File(empty)), "DM3 Image data not found.");
}

TEST_F(Dm3Test, DataTypesWithoutConversion) {
  auto file = [](std::int32_t type) {
    Group root;
    AddImage(root.AddGroup("ImageList"), 2, 1, type, 2, 2, Int16Pixels(2, 0, 1));
    return File(root);
  };
  EXPECT_EQ(Load(file(3)), "DM3 image format 3 not supported.");
  EXPECT_EQ(Load(file(0)), "DM3 image format 0 not supported.");
  EXPECT_EQ(Load(file(36)), "DM3 image format 36 not supported.");
  EXPECT_EQ(Load(file(37)), "DM3 image format 37 unknown.");
  EXPECT_EQ(Load(file(40)), "DM3 image format 40 unknown.");
  EXPECT_EQ(Load(file(-1)), "DM3 image format 4294967295 unknown.");
  EXPECT_TRUE(image_.GetEmpty());
}

TEST_F(Dm3Test, NonIntegerImageValuesAreConversionErrors) {
  Group root;
  Group& image = root.AddGroup("ImageList").AddGroup();
  Group& data = image.AddGroup("ImageData");
  data.ArrayOf("Data", 2, 1, Bytes<std::int16_t>(1));
  data.AddGroup("Dimensions").Float("", 2.5f);
  dm3::MemoryStream stream(File(root));
  try {
    image_.LoadFromStream(stream);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), Ansi("' 2.5' n'est pas une valeur entière correcte"));
  }
}

TEST_F(Dm3Test, TagValueAsIntOfOddNodes) {
  TPPMemNode node("n");
  EXPECT_EQ(TDM3Image::TagValueAsInt(nullptr), 0);
  EXPECT_EQ(TDM3Image::TagValueAsInt(&node), 0);
  node.AddChild("= 12");
  EXPECT_EQ(TDM3Image::TagValueAsInt(&node), 12);
  node.AddChild("= 13");
  EXPECT_EQ(TDM3Image::TagValueAsInt(&node), 0);
  TPPMemNode one("o");
  one.AddChild("=");
  EXPECT_THROW(TDM3Image::TagValueAsInt(&one), EConvertError);
  // The value quoted in the message is cut short, never inside a character.
  TPPMemNode wide("w");
  wide.AddChild("=" + std::string(154, 'x') + Ansi("é"));
  try {
    TDM3Image::TagValueAsInt(&wide);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + std::string(154, 'x') + (win::GetACP() == win::CP_UTF8 ? "" : Ansi("é")) +
                                         Ansi("' n'est pas une valeur entière correcte"));
  }
}

TEST_F(Dm3Test, APictureLargerThanItsBlockIsRefused) {
  // Chosen through ImageRef, where sizes are not compared: 4 x 4 int16 pixels
  // need 32 bytes, the block holds 8.
  Group root;
  root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 0);
  AddImage(root.AddGroup("ImageList"), 4, 4, 1, 1, 2, Int16Pixels(4, 0, 1));
  EXPECT_EQ(Load(File(root)), "DM3 Image data too short (8 bytes for 4 x 4 pixels).");

  // An ImageData "Data" that is a group has no block at all.
  Group group;
  group.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 0);
  Group& data = group.AddGroup("ImageList").AddGroup().AddGroup("ImageData");
  data.AddGroup("Data").Int32(".Sz", 1000);
  Group& dims = data.AddGroup("Dimensions");
  dims.Int32("", 10);
  dims.Int32("", 10);
  data.Int32("DataType", 2);
  EXPECT_EQ(Load(File(group)), "DM3 Image data too short (0 bytes for 10 x 10 pixels).");
  EXPECT_TRUE(image_.GetEmpty());
}

// ---- The picture ----------------------------------------------------------------

TEST_F(Dm3Test, PixelsFillTheBitmapRowByRowFromTheTop) {
  EXPECT_TRUE(image_.GetEmpty());
  EXPECT_EQ(image_.GetWidth(), 0);
  Group root;
  AddImage(root.AddGroup("ImageList"), 3, 2, 1, 2, 2, Block<std::int16_t>({0, 51, 102, 153, 204, 255}));
  ASSERT_EQ(Load(File(root)), "");
  EXPECT_FALSE(image_.GetEmpty());
  ASSERT_EQ(image_.GetWidth(), 3);
  ASSERT_EQ(image_.GetHeight(), 2);
  EXPECT_EQ(std::vector<int>(image_.Bitmap().Row(0), image_.Bitmap().Row(0) + 3), (std::vector<int>{0, 51, 102}));
  EXPECT_EQ(std::vector<int>(image_.Bitmap().Row(1), image_.Bitmap().Row(1) + 3), (std::vector<int>{153, 204, 255}));
  const dm3::Palette& palette = image_.GreyPalette();
  for (int i : {0, 1, 128, 255}) {
    EXPECT_EQ(palette[i].red, i);
    EXPECT_EQ(palette[i].green, i);
    EXPECT_EQ(palette[i].blue, i);
  }
}

TEST_F(Dm3Test, EveryDataTypeConvertsThroughTheWholeLoad) {
  struct Case {
    std::int32_t type, depth, code;
    std::string pixels;
  };
  const std::vector<Case> cases = {
      {1, 2, 2, Block<std::int16_t>({-3, 0, 3})},   {10, 2, 4, Block<std::uint16_t>({0, 1, 2})},
      {7, 4, 3, Block<std::int32_t>({-3, 0, 3})},   {11, 4, 5, Block<std::uint32_t>({0, 1, 2})},
      {2, 4, 6, Block<float>({-3.0f, 0.0f, 3.0f})}, {12, 8, 7, Block<double>({-3.0, 0.0, 3.0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Group root;
    AddImage(root.AddGroup("ImageList"), 3, 1, c.type, c.depth, c.code, c.pixels);
    ASSERT_EQ(Load(File(root)), "");
    EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 128, 255}));
  }
}

TEST_F(Dm3Test, PictureBlocksStayLittleEndianInBigEndianFiles) {
  Group root(true);
  AddImage(root.AddGroup("ImageList"), 2, 1, 1, 2, 2, Block<std::int16_t>({0, 256}));
  ASSERT_EQ(Load(File(root)), "");
  EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 255}));
  EXPECT_EQ(ChildNames(Node({"ImageList", "0", "ImageData", "Dimensions", "0"})), "= 2");
}

TEST_F(Dm3Test, AFailedLoadKeepsThePreviousPicture) {
  Group good;
  AddImage(good.AddGroup("ImageList"), 2, 1, 1, 2, 2, Block<std::int16_t>({0, 10}));
  ASSERT_EQ(Load(File(good)), "");
  Group bad;
  AddImage(bad.AddGroup("ImageList"), 4, 4, 3, 2, 2, Int16Pixels(16, 0, 1));
  EXPECT_EQ(Load(File(bad)), "DM3 image format 3 not supported.");
  EXPECT_EQ(image_.GetWidth(), 2);
  EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 255}));
  // The tags are those of the failed file.
  EXPECT_EQ(ChildNames(Node({"ImageList", "0", "ImageData", "DataType"})), "= 3");
}

TEST_F(Dm3Test, LargeFloatPictureLoads) {
  constexpr int kSide = 4096;
  std::vector<float> values(static_cast<std::size_t>(kSide) * kSide);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i % 1021) * 0.5f;
  Group root;
  AddImage(root.AddGroup("ImageList"), kSide, kSide, 2, 4, 6, Block(values));
  const std::string bytes = File(root);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Load(bytes), "");
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("load_ms", static_cast<int>(ms));
  ASSERT_EQ(image_.GetWidth(), kSide);
  const auto& px = image_.Bitmap().pixels;
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(px[1020], 255);
  EXPECT_EQ(px[1021], 0);
  EXPECT_EQ(px[2], 0);                   // 1 * 0.5 -> 0.5 -> 0
  EXPECT_EQ(px[6], 2);                   // 3 * 0.5 -> 1.5 -> 2
  EXPECT_EQ(px[values.size() - 1], 36);  // 16777215 % 1021 = 143: 143 / 4 = 35.75
}

// ---- Files ------------------------------------------------------------------------

TEST_F(Dm3Test, LoadsFromAFile) {
  Group root;
  AddImage(root.AddGroup("ImageList"), 2, 1, 10, 2, 4, Block<std::uint16_t>({100, 200}));
  const std::string path = cwd_.dir().file("sub/pic.dm3", File(root));
  dm3::FileStream stream(path);
  EXPECT_EQ(stream.Remaining(), File(root).size());
  image_.LoadFromStream(stream);
  EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 255}));
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_TRUE(DumpExists());
  EXPECT_THROW(dm3::FileStream(cwd_.dir().win("missing.dm3")), EFOpenError);
}

}  // namespace
}  // namespace orvella::test

namespace orvella::test {
namespace {

// Damaged files end in one of the program's errors or load: never a crash,
// an allocation beyond the file or a foreign exception.
TEST_F(Dm3Test, DamagedFilesOnlyRaiseTheProgramsErrors) {
  Group root;
  root.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 0);
  AddEveryValue(root.AddGroup("Values"));
  root.Tag("S", Struct({Simple(2), Array(Simple(4), 3)}), Bytes<std::int16_t>(1) + std::string(6, 'a'));
  root.Text("Name", u"abc");
  AddImage(root.AddGroup("ImageList"), 3, 2, 1, 2, 2, Block<std::int16_t>({0, 1, 2, 3, 4, 5}));
  const std::string good = File(root);
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  int loaded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(next() % 4);
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = 12 + next() % (bytes.size() - 12);
      bytes[at] = static_cast<char>(next() % 3 == 0 ? 0xFF : next());
    }
    if (next() % 8 == 0) bytes.resize(next() % bytes.size());
    dm3::MemoryStream stream(bytes);
    try {
      image_.LoadFromStream(stream);
      ++loaded;
    } catch (const Error&) {
    } catch (const std::exception& e) {
      FAIL() << "round " << round << ": " << typeid(e).name() << " " << e.what();
    }
  }
  EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace orvella::test
