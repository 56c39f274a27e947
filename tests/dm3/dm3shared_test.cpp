// Real DM3 files from public sample collections (../shared/dm3 beside the
// clone). Skipped, visibly, where they are absent.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "dm3/dm3fixture.h"
#include "logic/dm3/dm3image.h"
#include "platform/winapi.h"

namespace orvella::test {
namespace {

class Dm3SharedTest : public Dm3Test {
 protected:
  void SetUp() override {
    if (SharedDir().empty() || !std::filesystem::is_directory(SharedDir() / "dm3"))
      GTEST_SKIP() << "shared DM3 samples not found (../shared/dm3)";
  }
  // Loads a sample through the file stream; the error message or "".
  std::string LoadSample(const std::string& name) {
    const std::filesystem::path host = SharedDir() / "dm3" / name;
    const std::string path = platform::FromHostPath(std::filesystem::absolute(host).u16string());
    try {
      dm3::FileStream stream(path);
      image_.LoadFromStream(stream);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(Dm3SharedTest, TwoByTwoSamplesStretchOneToFourOntoTheFullRange) {
  for (const char* name :
       {"rsciio_2D_test-1.dm3", "rsciio_2D_test-2.dm3", "rsciio_2D_test-7.dm3", "rsciio_2D_test-10.dm3",
        "rsciio_2D_test-11.dm3", "rsciio_2D_test-12.dm3", "rsciio_3D_test-1.dm3"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(LoadSample(name), "");
    ASSERT_EQ(image_.GetWidth(), 2);
    ASSERT_EQ(image_.GetHeight(), 2);
    EXPECT_EQ(image_.Bitmap().pixels, (std::vector<std::uint8_t>{0, 85, 170, 255}));
    EXPECT_TRUE(DumpExists());
    EXPECT_NE(Dump().find("  ImageList\r\n"), std::string::npos);
  }
}

TEST_F(Dm3SharedTest, NonSquareFloatPictureRampsAlongEachRow) {
  ASSERT_EQ(LoadSample("ncempy_float32_nonSquare.dm3"), "");
  ASSERT_EQ(image_.GetWidth(), 128);
  ASSERT_EQ(image_.GetHeight(), 64);
  for (int y = 0; y < 64; ++y) {
    const std::uint8_t* row = image_.Bitmap().Row(y);
    for (int x = 0; x < 128; ++x) ASSERT_EQ(row[x], std::lround(x * 255.0 / 127.0)) << "x=" << x << " y=" << y;
  }
}

TEST_F(Dm3SharedTest, UnconvertedDataTypesAreNotSupported) {
  for (int type : {6, 9, 14, 23}) {
    const std::string name = "rsciio_2D_test-" + std::to_string(type) + ".dm3";
    EXPECT_EQ(LoadSample(name), "DM3 image format " + std::to_string(type) + " not supported.") << name;
  }
}

TEST_F(Dm3SharedTest, SpectrumWithoutHeightFallsBackToItsThumbnail) {
  EXPECT_EQ(LoadSample("rsciio_1D_test-2.dm3"), "DM3 image format 23 not supported.");
  const TPPMemNode* list = image_.Tags().FindChild("ImageList");
  ASSERT_NE(list, nullptr);
  EXPECT_GE(list->ChildCount(), 2);
  EXPECT_TRUE(image_.GetEmpty());
}

}  // namespace
}  // namespace orvella::test
