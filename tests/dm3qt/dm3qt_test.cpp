#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QPluginLoader>
#include <QProcess>
#include <QTreeWidget>
#include <cmath>
#include <memory>
#include <vector>

#include "dm3/dm3fixture.h"
#include "dm3qt/dm3handler.h"
#include "dm3qt/dm3qimage.h"
#include "dm3qt/dm3treeview.h"
#include "logic/core/ansi.h"
#include "logic/dm3/dm3pixels.h"
#include "support/dm3writer.h"

namespace orvella::test {
namespace {

using namespace dm3w;

// A 3 x 2 signed 16-bit picture whose levels are 0, 51, 102 / 153, 204, 255.
std::string SmallPicture(std::int32_t dataType = 1) {
  Group root;
  AddImage(root.AddGroup("ImageList"), 3, 2, dataType, 2, 2, Block<std::int16_t>({0, 51, 102, 153, 204, 255}));
  return File(root);
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

void ExpectSmallPicture(const QImage& image) {
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.format(), QImage::Format_Indexed8);
  ASSERT_EQ(image.size(), QSize(3, 2));
  ASSERT_EQ(image.colorCount(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(image.color(i), qRgb(i, i, i)) << i;
  const int levels[2][3] = {{0, 51, 102}, {153, 204, 255}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixelIndex(x, y), levels[y][x]) << x << "," << y;
}

// A 301 x 300 float picture (361,200 bytes, so its block stays in the
// stream; rows of an odd length) and the levels it must give.
struct LargePicture {
  LargePicture() {
    std::vector<float> values(301 * 300);
    for (std::size_t i = 0; i < values.size(); ++i)
      values[i] = static_cast<float>(std::cos(static_cast<double>(i) * 0.003) * 77.0);
    const std::string block = Block(values);
    Group root;
    AddImage(root.AddGroup("ImageList"), 301, 300, 2, 4, 6, block);
    file = File(root);
    levels.resize(values.size());
    dm3::ConvertPixels(dm3::kDataFloat32, reinterpret_cast<const std::byte*>(block.data()), values.size(),
                       levels.data());
  }
  std::string file;
  std::vector<std::uint8_t> levels;
};

void ExpectLargePicture(const QImage& image, const LargePicture& expected) {
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.format(), QImage::Format_Indexed8);
  ASSERT_EQ(image.size(), QSize(301, 300));
  ASSERT_EQ(image.colorCount(), 256);
  EXPECT_EQ(image.color(77), qRgb(77, 77, 77));
  for (int y = 0; y < 300; ++y) {
    const std::uint8_t* row = expected.levels.data() + static_cast<std::size_t>(y) * 301;
    ASSERT_EQ(std::vector<std::uint8_t>(image.constScanLine(y), image.constScanLine(y) + 301),
              std::vector<std::uint8_t>(row, row + 301))
        << "row " << y;
  }
}

class Dm3QtTest : public ::testing::Test {
 protected:
  CurrentDirScope cwd_;
};

// ---- Qt's image machinery -------------------------------------------------------

TEST_F(Dm3QtTest, RegisteredUnderDm3) {
  // The statically linked plugin is imported once, as the program does.
  const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  EXPECT_EQ(formats.count("dm3"), 1);
}

TEST_F(Dm3QtTest, ReadsThroughQImageReaderAndWritesTheTagDump) {
  QBuffer buffer;
  buffer.setData(Bytes(SmallPicture()));
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "dm3");
  const QImage image = reader.read();
  ExpectSmallPicture(image);
  EXPECT_TRUE(cwd_.dir().exists("DM3_Tags.txt"));
}

TEST_F(Dm3QtTest, RecognisesTheHeaderWithoutConsumingIt) {
  QBuffer buffer;
  buffer.setData(Bytes(SmallPicture()));
  buffer.open(QIODevice::ReadOnly);
  EXPECT_TRUE(Dm3ImageIOHandler::canRead(&buffer));
  EXPECT_EQ(buffer.pos(), 0);
  QImageReader reader(&buffer);  // no format: found from the content
  EXPECT_EQ(reader.format(), "dm3");
  ExpectSmallPicture(reader.read());

  auto refused = [](const std::string& bytes) {
    QBuffer b;
    b.setData(Bytes(bytes));
    b.open(QIODevice::ReadOnly);
    return !Dm3ImageIOHandler::canRead(&b);
  };
  EXPECT_TRUE(refused("\x89PNG\r\n\x1a\n\0\0\0\0"));
  EXPECT_TRUE(refused(SmallPicture().substr(0, 11)));
  EXPECT_TRUE(refused(File(Group(), 4)));
  EXPECT_TRUE(refused(File(Group(), 3, 2)));
  EXPECT_FALSE(refused(File(Group(), 3, 0)));
}

TEST_F(Dm3QtTest, LoadsAFileByItsExtension) {
  const std::string path = cwd_.dir().file("pic.dm3", SmallPicture());
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(cwd_.dir().host("pic.dm3").string())));
  ExpectSmallPicture(image);
  (void)path;
}

TEST_F(Dm3QtTest, AFailedLoadReportsTheReadersMessage) {
  QBuffer buffer;
  buffer.setData(Bytes(SmallPicture(3)));
  buffer.open(QIODevice::ReadOnly);
  Dm3ImageIOHandler handler;
  handler.setDevice(&buffer);
  QImage image;
  EXPECT_FALSE(handler.read(&image));
  EXPECT_TRUE(image.isNull());
  EXPECT_EQ(handler.lastError(), QStringLiteral("DM3 image format 3 not supported."));

  QBuffer cut;
  cut.setData(Bytes(SmallPicture().substr(0, 40)));
  cut.open(QIODevice::ReadOnly);
  handler.setDevice(&cut);
  EXPECT_FALSE(handler.read(&image));
  EXPECT_EQ(handler.lastError(), QStringLiteral("Erreur de lecture du flux"));
}

// A device without size or position, like a pipe.
class SequentialDevice : public QIODevice {
 public:
  explicit SequentialDevice(QByteArray data) : data_(std::move(data)) { open(ReadOnly); }
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return data_.size() - pos_ + QIODevice::bytesAvailable(); }

 protected:
  qint64 readData(char* out, qint64 max) override {
    const qint64 n = std::min<qint64>(max, data_.size() - pos_);
    std::memcpy(out, data_.constData() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray data_;
  qint64 pos_ = 0;
};

TEST_F(Dm3QtTest, ReadsSequentialDevices) {
  SequentialDevice device(Bytes(SmallPicture()));
  Dm3ImageIOHandler handler;
  handler.setDevice(&device);
  ASSERT_TRUE(handler.canRead());
  QImage image;
  ASSERT_TRUE(handler.read(&image)) << handler.lastError().toStdString();
  ExpectSmallPicture(image);
}

TEST_F(Dm3QtTest, LargePicturesReadTheSameFromEitherKindOfDevice) {
  const LargePicture picture;
  QImage fromBuffer;
  {
    QBuffer buffer;
    buffer.setData(Bytes(picture.file));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "dm3");
    fromBuffer = reader.read();
  }
  // The image owns its pixels once the reader and its device are gone.
  ExpectLargePicture(fromBuffer, picture);
  SequentialDevice device(Bytes(picture.file));
  Dm3ImageIOHandler handler;
  handler.setDevice(&device);
  QImage fromPipe;
  ASSERT_TRUE(handler.read(&fromPipe)) << handler.lastError().toStdString();
  ExpectLargePicture(fromPipe, picture);
  // Changing a copy changes neither the image nor the other copies.
  QImage copy = fromBuffer;
  copy.setPixel(0, 0, 200);
  EXPECT_EQ(fromBuffer.pixelIndex(0, 0), picture.levels[0]);
  EXPECT_EQ(copy.pixelIndex(0, 0), 200);
}

TEST_F(Dm3QtTest, DeviceStreamReadsAtAPositionAndComesBack) {
  QBuffer buffer;
  buffer.setData(QByteArray("0123456789"));
  buffer.open(QIODevice::ReadOnly);
  buffer.seek(2);
  IODeviceStream stream(buffer);
  ASSERT_TRUE(stream.CanReadAt());
  char got[3];
  stream.ReadAt(6, got, 3);
  EXPECT_EQ(std::string(got, 3), "678");
  EXPECT_EQ(stream.Position(), 2u);
  EXPECT_THROW(stream.ReadAt(8, got, 3), EReadError);
  EXPECT_EQ(stream.Position(), 2u);
  EXPECT_EQ(stream.Remaining(), 8u);
  // Views into the buffer's bytes; skipping moves the device.
  const std::byte* view = stream.ViewAt(7, 3);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view), 3), "789");
  EXPECT_EQ(stream.ViewAt(8, 3), nullptr);
  EXPECT_FALSE(stream.SkipOver(9));
  EXPECT_TRUE(stream.SkipOver(8));
  EXPECT_EQ(buffer.pos(), 10);

  // A file is mapped a piece at a time.
  cwd_.dir().file("bytes.bin", "abcdefghij");
  QFile file(QString::fromStdString(cwd_.dir().host("bytes.bin").string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  {
    IODeviceStream onFile(file);
    const std::byte* mapped = onFile.ViewAt(4, 5);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped), 5), "efghi");
    mapped = onFile.ViewAt(0, 2);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped), 2), "ab");
    EXPECT_EQ(onFile.ViewAt(9, 2), nullptr);
    EXPECT_EQ(onFile.Position(), 0u);
  }
  SequentialDevice pipe(QByteArray("abc"));
  IODeviceStream onPipe(pipe);
  EXPECT_FALSE(onPipe.CanReadAt());
  EXPECT_EQ(onPipe.ViewAt(0, 1), nullptr);
  EXPECT_FALSE(onPipe.SkipOver(1));
}

// ---- Drawing ------------------------------------------------------------------------

TEST_F(Dm3QtTest, DrawPaintsTheSameRectangleUnscaled) {
  Group root;
  std::vector<std::int16_t> ramp(40 * 30);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int16_t>(i % 40 + i / 40 * 3);
  AddImage(root.AddGroup("ImageList"), 40, 30, 1, 2, 2, Block(ramp));
  TDM3Image picture;
  dm3::MemoryStream stream(File(root));
  picture.LoadFromStream(stream);
  ASSERT_EQ(picture.GetWidth(), 40);

  QImage canvasImage(50, 40, QImage::Format_RGB32);
  canvasImage.fill(Qt::red);
  {
    QPainter painter(&canvasImage);
    QPainterCanvas canvas(painter);
    picture.Draw(canvas, {10, 10, 30, 20});
  }
  auto level = [&](int x, int y) { return picture.Bitmap().Row(y)[x]; };
  EXPECT_EQ(canvasImage.pixel(10, 10), qRgb(level(10, 10), level(10, 10), level(10, 10)));
  EXPECT_EQ(canvasImage.pixel(29, 19), qRgb(level(29, 19), level(29, 19), level(29, 19)));
  EXPECT_NE(level(10, 10), level(0, 0));
  EXPECT_EQ(canvasImage.pixel(9, 10), qRgb(255, 0, 0));
  EXPECT_EQ(canvasImage.pixel(30, 10), qRgb(255, 0, 0));
  EXPECT_EQ(canvasImage.pixel(10, 20), qRgb(255, 0, 0));
  EXPECT_EQ(canvasImage.pixel(0, 0), qRgb(255, 0, 0));
}

// ---- The tree widget -------------------------------------------------------------------

TEST_F(Dm3QtTest, TagTreeCopiesIntoAnEmptyTreeWidget) {
  TPPMemNode root(Ansi("racine é"));
  TPPMemNode* a = root.AddChild("a");
  std::byte* block = dm3::AllocBlock(8);
  a->SetData(block);
  a->AddChild("= 1");
  root.AddChild("b");
  QTreeWidget tree;
  QtTreeWidgetNodes nodes(&tree);
  root.AssignTo(nodes);
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  QTreeWidgetItem* top = tree.topLevelItem(0);
  EXPECT_EQ(top->text(0), QString::fromUtf8("racine é"));
  ASSERT_EQ(top->childCount(), 2);
  EXPECT_EQ(top->child(0)->text(0), QStringLiteral("a"));
  EXPECT_EQ(top->child(0)->data(0, kTreeDataRole).value<quintptr>(), reinterpret_cast<quintptr>(block));
  EXPECT_EQ(top->child(0)->child(0)->text(0), QStringLiteral("= 1"));
  EXPECT_EQ(top->child(1)->text(0), QStringLiteral("b"));

  // Into an item: its text is replaced and the children are appended.
  QTreeWidgetItem* second = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("old")});
  new QTreeWidgetItem(second, QStringList{QStringLiteral("kept")});
  QtTreeItemNode item(second);
  a->AssignTo(item);
  EXPECT_EQ(second->text(0), QStringLiteral("a"));
  ASSERT_EQ(second->childCount(), 2);
  EXPECT_EQ(second->child(0)->text(0), QStringLiteral("kept"));
  EXPECT_EQ(second->child(1)->text(0), QStringLiteral("= 1"));
}

TEST_F(Dm3QtTest, TreeWidgetCopiesIntoATagTree) {
  QTreeWidget tree;
  auto* top = new QTreeWidgetItem(&tree, QStringList{QString::fromUtf8("été")});
  auto* child = new QTreeWidgetItem(top, QStringList{QStringLiteral("child")});
  new QTreeWidgetItem(child, QStringList{QStringLiteral("grandchild")});
  std::byte* block = dm3::AllocBlock(4);  // the memory node takes it over
  child->setData(0, kTreeDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(block)));
  new QTreeWidgetItem(&tree, QStringList{QStringLiteral("ignored")});

  TPPMemNode root;
  QtTreeWidgetNodes nodes(&tree);
  root.Assign(&nodes);
  EXPECT_EQ(root.Name(), Ansi("été"));
  ASSERT_EQ(root.ChildCount(), 1);
  EXPECT_EQ(root.FirstChild()->Name(), "child");
  EXPECT_EQ(root.FirstChild()->Data(), block);
  EXPECT_EQ(root.FirstChild()->FirstChild()->Name(), "grandchild");

  QTreeWidget empty;
  QtTreeWidgetNodes none(&empty);
  TPPMemNode untouched("keep");
  untouched.Assign(&none);
  EXPECT_EQ(untouched.Name(), "keep");
}

// ---- The loadable plugin --------------------------------------------------------------

TEST_F(Dm3QtTest, LoadablePluginOffersTheHandler) {
#ifndef ORVELLA_QDM3_PLUGIN
  GTEST_SKIP() << "the qdm3 plugin is not built with this test program";
#else
  QPluginLoader loader(QStringLiteral(ORVELLA_QDM3_PLUGIN));
  QObject* instance = loader.instance();
  ASSERT_NE(instance, nullptr) << loader.errorString().toStdString();
  const QJsonArray keys =
      loader.metaData().value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("Keys")).toArray();
  EXPECT_EQ(keys, QJsonArray{QStringLiteral("dm3")});
  auto* plugin = qobject_cast<QImageIOPlugin*>(instance);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->capabilities(nullptr, "dm3"), QImageIOPlugin::CanRead);
  EXPECT_EQ(plugin->capabilities(nullptr, "png"), QImageIOPlugin::Capabilities());

  QBuffer buffer;
  buffer.setData(Bytes(SmallPicture()));
  buffer.open(QIODevice::ReadOnly);
  EXPECT_EQ(plugin->capabilities(&buffer, QByteArray()), QImageIOPlugin::CanRead);
  std::unique_ptr<QImageIOHandler> handler(plugin->create(&buffer, "dm3"));
  QImage image;
  ASSERT_TRUE(handler->read(&image));
  ExpectSmallPicture(image);
  EXPECT_FALSE(cwd_.dir().exists("DM3_Tags.txt")) << "other programs' folders get no tag dump";
#endif
}

// ---- dm3conv ----------------------------------------------------------------------------

class Dm3ConvTest : public Dm3QtTest {
 protected:
  void SetUp() override {
#ifndef ORVELLA_DM3CONV
    GTEST_SKIP() << "dm3conv is not built with this test program";
#endif
  }
  // Runs dm3conv in the temporary directory; answers its exit code.
  int Run(const QStringList& args) {
#ifdef ORVELLA_DM3CONV
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(cwd_.dir().host().string()));
    // The tool's path is given relative to this program's folder where the
    // build's paths are not the running system's (a Windows build under Wine).
    process.start(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(ORVELLA_DM3CONV)), args);
    if (!process.waitForFinished(30000)) return -1;
    stderr_ = process.readAllStandardError().toStdString();
    // Windows' text mode ends the lines of stderr with CR LF.
    std::erase(stderr_, '\r');
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
#else
    (void)args;
    return -1;
#endif
  }
  std::string stderr_;
};

TEST_F(Dm3ConvTest, WritesABinaryGreyMap) {
  cwd_.dir().file("in.dm3", SmallPicture());
  ASSERT_EQ(Run({QStringLiteral("in.dm3"), QStringLiteral("out.pgm")}), 0) << stderr_;
  EXPECT_EQ(cwd_.dir().read("out.pgm"), std::string("P5\n3 2\n255\n") + std::string("\x00\x33\x66\x99\xCC\xFF", 6));
  EXPECT_TRUE(cwd_.dir().exists("DM3_Tags.txt"));
}

TEST_F(Dm3ConvTest, WritesPng) {
  cwd_.dir().file("in.dm3", SmallPicture());
  ASSERT_EQ(Run({QStringLiteral("in.dm3"), QStringLiteral("out.png")}), 0) << stderr_;
  QImage back(QString::fromStdString(cwd_.dir().host("out.png").string()));
  ASSERT_EQ(back.size(), QSize(3, 2));
  EXPECT_EQ(back.pixel(1, 0), qRgb(51, 51, 51));
  EXPECT_EQ(back.pixel(2, 1), qRgb(255, 255, 255));
}

TEST_F(Dm3ConvTest, LargePicturesWriteTheSameLevels) {
  const LargePicture picture;
  cwd_.dir().file("in.dm3", picture.file);
  ASSERT_EQ(Run({QStringLiteral("in.dm3"), QStringLiteral("out.PGM")}), 0) << stderr_;
  EXPECT_EQ(cwd_.dir().read("out.PGM"),
            "P5\n301 300\n255\n" + std::string(picture.levels.begin(), picture.levels.end()));
  ASSERT_EQ(Run({QStringLiteral("in.dm3"), QStringLiteral("out.png")}), 0) << stderr_;
  const QImage back(QString::fromStdString(cwd_.dir().host("out.png").string()));
  ASSERT_EQ(back.size(), QSize(301, 300));
  for (int y = 0; y < 300; y += 37)
    for (int x = 0; x < 301; x += 43) {
      const int level = picture.levels[static_cast<std::size_t>(y) * 301 + x];
      ASSERT_EQ(back.pixel(x, y), qRgb(level, level, level)) << x << "," << y;
    }
}

// Names outside the old code pages: on Windows the manifest's UTF-8 code
// page brings them to the tool unchanged ("rampę" was "rampe" before).
TEST_F(Dm3ConvTest, NamesInAnyScript) {
  const QDir dir(QString::fromStdString(cwd_.dir().host().string()));
  const QString in = QString::fromUtf8("rampę.dm3");
  const QString out = QString::fromUtf8("Okęcie 東京.pgm");
  QFile file(dir.filePath(in));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const std::string bytes = SmallPicture();
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  file.close();
  ASSERT_EQ(Run({in, out}), 0) << stderr_;
  QFile written(dir.filePath(out));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll().left(8), QByteArray("P5\n3 2\n2"));
}

TEST_F(Dm3ConvTest, FailurePrintsTheLoadMessage) {
  cwd_.dir().file("bad.dm3", SmallPicture(3));
  EXPECT_EQ(Run({QStringLiteral("bad.dm3"), QStringLiteral("out.pgm")}), 1);
  EXPECT_EQ(stderr_, "DM3 image format 3 not supported.\n");
  EXPECT_FALSE(cwd_.dir().exists("out.pgm"));
  EXPECT_TRUE(cwd_.dir().exists("DM3_Tags.txt"));

  Group root;
  root.Int16("x", 1);
  cwd_.dir().file("v4.dm3", File(root, 4));
  EXPECT_EQ(Run({QStringLiteral("v4.dm3"), QStringLiteral("out.png")}), 1);
  EXPECT_EQ(stderr_, "DM3 version not handled (4)\n");

  EXPECT_EQ(Run({QStringLiteral("missing.dm3"), QStringLiteral("out.png")}), 1);
  EXPECT_EQ(stderr_.rfind("Cannot open missing.dm3", 0), 0u) << stderr_;
  EXPECT_EQ(Run({QStringLiteral("in.dm3")}), 2);
}

}  // namespace
}  // namespace orvella::test
