#include "logic/core/ansi.h"

#include <string>

#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

std::u16string Utf16FromUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = win::MultiByteToWideChar(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string w(static_cast<size_t>(n), u'\0');
  win::MultiByteToWideChar(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Convert(std::u16string_view w, win::UINT cp) {
  if (w.empty()) return {};
  const int n = win::WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  win::WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::string Ansi(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) ascii = ascii && c < 0x80;
  if (ascii) return std::string(utf8);
  return Convert(Utf16FromUtf8(utf8), win::CP_ACP);
}

namespace {
std::u16string Utf16FromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int n = win::MultiByteToWideChar(win::CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::u16string w(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) win::MultiByteToWideChar(win::CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
  return w;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

std::string Utf8FromAnsi(std::string_view ansi) { return Convert(Utf16FromAnsi(ansi), win::CP_UTF8); }

size_t AnsiLength(std::string_view ansi) { return IsAscii(ansi) ? ansi.size() : Utf16FromAnsi(ansi).size(); }

std::string AnsiPrefix(std::string_view ansi, size_t bytes) {
  if (bytes >= ansi.size()) return std::string(ansi);
  return std::string(ansi.substr(0, platform::AnsiIsUtf8() ? platform::text::Utf8CutLength(ansi, bytes) : bytes));
}

bool NameIsRepresentable(std::string_view name) { return name.find('?') == std::string_view::npos; }

}  // namespace orvella
