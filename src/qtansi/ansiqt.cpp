#include "qtansi/ansiqt.h"

#include <QDir>

#include "platform/winapi.h"

namespace orvella {

QString FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = win::MultiByteToWideChar(win::CP_ACP, 0, text.data(), size, nullptr, 0);
  std::u16string wide(static_cast<size_t>(n), u'\0');
  win::MultiByteToWideChar(win::CP_ACP, 0, text.data(), size, wide.data(), n);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text) {
  if (text.isEmpty()) return {};
  const auto* wide = reinterpret_cast<const win::WCHAR*>(text.utf16());
  const int size = static_cast<int>(text.size());
  const int n = win::WideCharToMultiByte(win::CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  win::WideCharToMultiByte(win::CP_ACP, 0, wide, size, out.data(), n, nullptr, nullptr);
  return out;
}

QString MessageText(std::string_view text) {
  QString s = FromAnsi(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

std::string WindowsPathFromHost(const QString& hostPath) {
  // Qt hands paths over with forward slashes, Windows ones too.
  const QString path = QDir::toNativeSeparators(hostPath);
  const std::u16string wide(reinterpret_cast<const char16_t*>(path.utf16()), static_cast<size_t>(path.size()));
  return platform::FromHostPath(wide);
}

}  // namespace orvella
