// The boundary between the program's 8-bit texts (the ANSI code page: the
// system's on Windows, UTF-8 elsewhere) and Qt's strings, and the
// application's title.
#pragma once

#include <QString>
#include <string>

namespace orvella::ui {

QString FromAnsi(const std::string& text);
// Characters the code page cannot hold become '?'.
std::string ToAnsi(const QString& text);
// A text for a message box: the program's line breaks (a carriage return,
// alone or followed by a line feed) become Qt's.
QString MessageText(const std::string& text);
// The program's Windows path of a host path (a folder picked, a file
// dropped); empty when no drive of the platform layer reaches it.
std::string WindowsPathFromHost(const QString& hostPath);

// The application title, shown as the caption of message boxes.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace orvella::ui
