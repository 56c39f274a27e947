// The boundary between the program's 8-bit texts (the ANSI code page: the
// system's on Windows, UTF-8 elsewhere) and Qt's strings, shared by the
// window and the DM3 image plugin so that both read a text alike.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orvella {

QString FromAnsi(std::string_view text);
// Characters the code page cannot hold become '?'.
std::string ToAnsi(const QString& text);
// A text for a message box: the program's line breaks (a carriage return,
// alone or followed by a line feed) become Qt's.
QString MessageText(std::string_view text);
// The program's Windows path of a host path (a folder picked, a file
// dropped); empty when no drive of the platform layer reaches it.
std::string WindowsPathFromHost(const QString& hostPath);

}  // namespace orvella
