// DM3 files written with the tests' writer (support/dm3writer.h), for the
// fuzzer's seeds and the comparison of dm3conv with other readers.
//   dm3files seeds FOLDER     the seed corpus of fuzz_dm3
//   dm3files float N FILE     one N x N float picture; prints where its pixels start
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "support/dm3writer.h"

namespace {

using namespace orvella::test::dm3w;

template <typename T>
Group& Image(Group& list, int w, int h, int dataType, int depth, int code, const std::vector<T>& values) {
  return AddImage(list, w, h, dataType, depth, code, Block(values));
}

std::string Be32(std::int32_t v) {
  std::string s;
  PutBE32(s, v);
  return s;
}

void Put(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

void Seeds(const std::string& folder) {
  {
    Group r;
    Image<std::int16_t>(r.AddGroup("ImageList"), 3, 2, 1, 2, 2, {0, 1, 2, 3, 4, 5});
    Put(folder, "int16-3x2.dm3", File(r));
  }
  {
    Group r;
    r.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 1);
    Group& list = r.AddGroup("ImageList");
    Image<std::uint16_t>(list, 2, 2, 10, 2, 4, {40000, 41000, 45000, 50000});
    Image<float>(list, 2, 3, 2, 4, 6, {0.5f, 1.5f, -2.0f, 3.25f, 1e-6f, 7.0f});
    Put(folder, "imageref-float.dm3", File(r));
  }
  {
    // A picture above the reader's hold limit (64 KiB), converted from the
    // stream in pieces, after a thumbnail.
    Group r;
    r.AddGroup("ImageSourceList").AddGroup().Int32("ImageRef", 1);
    Group& list = r.AddGroup("ImageList");
    Image<std::int16_t>(list, 2, 2, 1, 2, 2, {0, 1, 2, 3});
    std::vector<float> big(130 * 130);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<float>((i * 37) % 1000) - 500.0f;
    Image(list, 130, 130, 2, 4, 6, big);
    Put(folder, "left-block-130x130.dm3", File(r));
  }
  {
    Group r;
    Image<std::int32_t>(r.AddGroup("ImageList"), 2, 2, 7, 4, 3, {-5, 0, 5, 2147483647});
    Put(folder, "type7-2x2.dm3", File(r));
  }
  {
    Group r;
    Image<std::uint32_t>(r.AddGroup("ImageList"), 2, 2, 11, 4, 5, {1, 2, 3, 4294967295u});
    Put(folder, "type11-2x2.dm3", File(r));
  }
  {
    Group r;
    Image<double>(r.AddGroup("ImageList"), 2, 2, 12, 8, 7, {0.0, -1.5, 2.5, 1e300});
    Put(folder, "type12-2x2.dm3", File(r));
  }
  {
    Group r;
    Group& v = r.AddGroup("Values");
    v.Int16("i16", -3).Int32("i32", 70000).UInt16("u16", 65535).UInt32("u32", 4000000000u);
    v.Float("f32", 0.1f).Double("f64", 1e-7).Bool("bool", 1).Char("char", 'A').UInt8("u8", 200);
    const std::string ab = Bytes<std::uint16_t>('a') + Bytes<std::uint16_t>('b');
    r.Tag("S", Struct({Simple(2), Simple(3), Array(Simple(4), 2)}),
          Bytes<std::int16_t>(1) + Bytes<std::int32_t>(2) + ab);
    r.Text("Name", u"\u00C9chantillon");
    r.Text("Empty", u"");
    std::string a300;
    for (int i = 0; i < 300; ++i) a300 += Bytes<std::uint16_t>('A');
    r.ArrayOf("Long", 4, 300, a300);
    r.AddGroup().AddGroup().AddGroup("deep").UInt8("x", 1);
    Put(folder, "every-value.dm3", File(r));
  }
  {
    Group r(true);
    r.Int32("v", 123456);
    Group& list = r.AddGroup("ImageList");
    // Picture blocks stay little-endian whatever the tags' order.
    Image<std::int16_t>(list, 2, 1, 1, 2, 2, {-200, -100});
    Put(folder, "big-endian.dm3", File(r));
  }
  {
    Group r;
    r.Int16("a", 1);
    r.Raw(7, "bad", "");
    Put(folder, "unknown-kind.dm3", File(r));
  }
  Put(folder, "version4.dm3", Be32(4) + Be32(0) + Be32(1));
  // Counts that once made the reader allocate more than the file holds.
  Put(folder, "regression-name-length.dm3",
      Be32(3) + Be32(0) + Be32(1) + std::string("\x00\x01", 2) + Be32(1) + "\x15\xff\xff" + "abc");
  {
    Group r;
    Type t{{15, 0, 100, 0, 2}};
    r.Tag("S", t, "");
    Put(folder, "regression-struct-fields.dm3", File(r));
  }
}

// One n x n float picture of sin(i / 1000) * 1000, its pixels streamed row
// by row (a 8192 x 8192 file is 256 MiB). Answers the pixels' offset.
long long FloatPicture(int n, const std::string& path) {
  Group r;
  Group& data = r.AddGroup("ImageList").AddGroup().AddGroup("ImageData");
  data.ArrayOf("Data", 6, n * n, "");
  data.Int32("DataType", 2);
  Group& dims = data.AddGroup("Dimensions");
  dims.UInt32("", static_cast<std::uint32_t>(n));
  dims.UInt32("", static_cast<std::uint32_t>(n));
  data.Int32("PixelDepth", 4);
  const std::string whole = File(r);
  const size_t at = whole.rfind(std::string("\x15\x00\x08", 3) + "DataType");
  std::ofstream out(path, std::ios::binary);
  out << whole.substr(0, at);
  std::vector<float> row(static_cast<size_t>(n));
  for (long long y = 0; y < n; ++y) {
    for (long long x = 0; x < n; ++x) row[x] = static_cast<float>(std::sin((y * n + x) * 0.001) * 1000.0);
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size() * sizeof(float)));
  }
  out << whole.substr(at);
  return out ? static_cast<long long>(at) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "seeds") {
    Seeds(args[1]);
    return 0;
  }
  if (args.size() == 3 && args[0] == "float") {
    const long long offset = FloatPicture(std::stoi(args[1]), args[2]);
    if (offset < 0) return 1;
    std::cout << offset << "\n";
    return 0;
  }
  std::cerr << "usage: dm3files seeds FOLDER | dm3files float N FILE\n";
  return 2;
}
