// dm3conv INPUT.dm3 OUTPUT: loads a DM3 picture through the program's DM3
// class and writes its 8-bit grey picture in the format of OUTPUT's extension
// (.pgm as binary P5, .png, and whatever else Qt can write). Like every load
// it writes DM3_Tags.txt in the current directory. On failure the load's
// message goes to standard error and the status is 1. The picture is read
// from the file in pieces and is in memory once, as the 8-bit bitmap.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <new>
#include <string>

#include "dm3qt/dm3handler.h"
#include "dm3qt/dm3qimage.h"
#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"

namespace {

// Messages are the program's 8-bit texts; outside Windows the terminal
// speaks UTF-8.
void PrintError(const std::string& ansi) {
#ifdef _WIN32
  std::string text = ansi;
#else
  std::string text = orvella::Utf8FromAnsi(ansi);
#endif
  // A line break of a text from the language file is a carriage return.
  for (char& c : text)
    if (c == '\r') c = '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
}

}  // namespace

int main(int argc, char** argv) {
  orvella::UseLanguageFileOfOrvella();
  if (argc != 3) {
    std::string usage = orvella::Text("Dm3Conv", "Usage");
    while (!usage.empty() && usage.back() == '\n') usage.pop_back();
    PrintError(usage);
    return 2;
  }
  QCoreApplication app(argc, argv);
  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);

  QFile file(input);
  if (!file.open(QIODevice::ReadOnly)) {
    PrintError(
        orvella::Text("Dm3Conv", "OuvertureImpossible", {orvella::ToAnsi(input), orvella::ToAnsi(file.errorString())}));
    return 1;
  }
  orvella::TDM3Image picture;
  try {
    orvella::IODeviceStream stream(file);
    picture.LoadFromStream(stream);
  } catch (const orvella::Error& e) {
    PrintError(e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    PrintError(orvella::Text("Dm3Conv", "MemoireInsuffisante"));
    return 1;
  }

  // The image written is a view of the picture's own pixels. Qt's grey-map
  // writer would first convert an indexed image into a grey one, a second
  // copy of the picture: it gets the grey levels directly (the same bytes).
  QImageWriter writer(output);
  const bool greyMap = QFileInfo(output).suffix().compare(QLatin1String("pgm"), Qt::CaseInsensitive) == 0;
  if (!writer.write(orvella::WrapBitmap(picture.Bitmap(), picture.GreyPalette(), greyMap))) {
    PrintError(orvella::Text("Dm3Conv", "EcritureImpossible",
                             {orvella::ToAnsi(output), orvella::ToAnsi(writer.errorString())}));
    return 1;
  }
  return 0;
}
