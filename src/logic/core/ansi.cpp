#include "logic/core/ansi.h"

#include <cstdio>

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

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\:"); }
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

std::string LastComponent(std::string_view path) {
  const size_t p = LastSeparator(path);
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string FolderPart(std::string_view path) {
  const size_t p = LastSeparator(path);
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractExtension(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  const size_t sep = LastSeparator(path);
  if (sep != std::string_view::npos && dot < sep) return {};
  return std::string(path.substr(dot));
}

std::string ChangeExtension(std::string_view path, std::string_view ext) {
  const std::string old = ExtractExtension(path);
  return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

std::string FoldAsciiCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string IntToStr(long long v) { return std::to_string(v); }
std::string UIntToStr(unsigned long long v) { return std::to_string(v); }

std::string IntToHex(unsigned long long v, int digits) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, v);
  return buf;
}

}  // namespace orvella
