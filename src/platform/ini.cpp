#include "platform/ini.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/handle.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (AnsiIsUtf8()) return text::EqualNoCaseUtf8(a, b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (text::FoldCp1252(static_cast<unsigned char>(a[i])) != text::FoldCp1252(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string AnsiFromUtf16(const std::u16string& w) {
  if (w.empty()) return {};
  const int size = static_cast<int>(w.size());
  const int n = win::WideCharToMultiByte(win::CP_ACP, 0, w.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  win::WideCharToMultiByte(win::CP_ACP, 0, w.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

// The text in the ANSI code page: a byte-order mark says how to read it;
// without one, bytes that are not UTF-8 where the code page is UTF-8 come
// from a Windows machine or an earlier version and are read as 1252.
std::string AnsiText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    return AnsiFromUtf16(text::Utf8ToUtf16(bytes.substr(3)));
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      w +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return AnsiFromUtf16(w);
  }
  return AnsiFromFileBytes(bytes);
}

// How many bytes of s fit in n without cutting a character of the code page.
size_t Fit(std::string_view s, size_t n) { return AnsiIsUtf8() ? text::Utf8CutLength(s, n) : std::min(n, s.size()); }

struct Line {
  enum Kind { kSection, kValue } kind;
  std::string_view name;
  std::string_view value;
};

std::vector<Line> Parse(std::string_view t) {
  std::vector<Line> lines;
  bool inSection = false;
  size_t i = 0;
  while (i < t.size()) {
    size_t end = t.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = t.size();
    std::string_view line = t.substr(i, end - i);
    i = end + 1;
    // Names and values reach the caller as C strings: a line ends at a zero.
    line = Trim(line.substr(0, line.find('\0')));
    if (line.empty()) continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      lines.push_back({Line::kSection,
                       Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)),
                       {}});
      inSection = true;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !inSection) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    lines.push_back({Line::kValue, Trim(line.substr(0, eq)), value});
  }
  return lines;
}

win::DWORD CopyOut(std::string_view value, char* returned, win::DWORD size) {
  const size_t n = Fit(value, size - 1);
  if (n) std::memcpy(returned, value.data(), n);
  returned[n] = '\0';
  return static_cast<win::DWORD>(n);
}

// A list of names, each closed by a zero, the whole closed by a second zero.
// When it does not fit, the last name is cut and the answer is size-2.
win::DWORD CopyList(const std::vector<std::string_view>& names, char* returned, win::DWORD size) {
  if (size < 2) {
    returned[0] = '\0';
    return 0;
  }
  size_t pos = 0;
  for (const auto& n : names) {
    if (pos + n.size() + 1 > size - 1) {
      // The names before may already fill the buffer up to its last byte.
      const size_t room = pos + 2 <= size ? Fit(n, size - 2 - pos) : 0;
      if (room) std::memcpy(returned + pos, n.data(), room);
      // A name cut short of a whole character leaves bytes before the end.
      if (pos + room < size - 2) std::memset(returned + pos + room, 0, size - 2 - pos - room);
      returned[size - 2] = '\0';
      returned[size - 1] = '\0';
      return size - 2;
    }
    if (!n.empty()) std::memcpy(returned + pos, n.data(), n.size());
    pos += n.size();
    returned[pos++] = '\0';
  }
  returned[pos] = '\0';
  if (pos == 0) returned[1 < size ? 1 : 0] = '\0';
  return static_cast<win::DWORD>(pos);
}

win::DWORD Default(const char* defaultValue, char* returned, win::DWORD size) {
  std::string_view d = defaultValue ? std::string_view(defaultValue) : std::string_view();
  while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
  return CopyOut(d, returned, size);
}

}  // namespace

win::DWORD ReadProfileStringFromBytes(std::string_view bytes, const char* section, const char* key,
                                      const char* defaultValue, char* returned, win::DWORD size) {
  if (!returned || size == 0) return 0;
  const std::string t = AnsiText(bytes);
  const std::vector<Line> lines = Parse(t);
  if (!section) {
    std::vector<std::string_view> names;
    for (const auto& l : lines)
      if (l.kind == Line::kSection) names.push_back(l.name);
    return CopyList(names, returned, size);
  }
  size_t i = 0;
  while (i < lines.size() && !(lines[i].kind == Line::kSection && SameName(lines[i].name, section))) ++i;
  if (i == lines.size()) return key ? Default(defaultValue, returned, size) : CopyList({}, returned, size);
  std::vector<std::string_view> keys;
  for (++i; i < lines.size() && lines[i].kind == Line::kValue; ++i) {
    if (!key) {
      keys.push_back(lines[i].name);
    } else if (SameName(lines[i].name, key)) {
      return CopyOut(lines[i].value, returned, size);
    }
  }
  return key ? Default(defaultValue, returned, size) : CopyList(keys, returned, size);
}

win::DWORD ReadProfileString(const char* section, const char* key, const char* defaultValue, char* returned,
                             win::DWORD size, const char* fileName) {
  std::string bytes;
  platform::FileHandle h(fileName ? win::CreateFileA(fileName, win::GENERIC_READ,
                                                     win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr,
                                                     win::OPEN_EXISTING, 0, nullptr)
                                  : win::INVALID_HANDLE_VALUE);
  const bool opened = h.valid();
  if (opened) {
    char buf[16384];
    win::DWORD n = 0;
    // A language file is small; a huge file is read no further than 16 MiB.
    while (bytes.size() < (16u << 20) && win::ReadFile(h.get(), buf, sizeof buf, &n, nullptr) && n > 0)
      bytes.append(buf, n);
    h.close();
  }
  const win::DWORD r = ReadProfileStringFromBytes(bytes, section, key, defaultValue, returned, size);
  win::SetLastError(!opened ? win::ERROR_FILE_NOT_FOUND : win::ERROR_SUCCESS);
  return r;
}

}  // namespace platform
