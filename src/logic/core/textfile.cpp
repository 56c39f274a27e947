#include "logic/core/textfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "logic/core/errors.h"
#include "logic/core/pathnames.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
[[noreturn]] void RaiseIo(win::DWORD code) { throw EInOutError(InOutCodeFromWin32(code)); }
}  // namespace

std::string ReadWholeFile(const std::string& path) {
  platform::FileHandle f(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) RaiseIo(win::GetLastError());
  std::string out;
  char buffer[65536];
  for (;;) {
    win::DWORD got = 0;
    if (!win::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) RaiseIo(win::GetLastError());
    if (got == 0) break;
    out.append(buffer, got);
  }
  return out;
}

win::DWORD ReplaceFileContents(const std::string& linkOrPath, const std::string& bytes, bool durable, bool followLink) {
  // A link (a settings or order file kept elsewhere) is not replaced by a
  // plain file: what it leads to is.
  const std::string path = followLink ? LinkedFilePath(linkOrPath) : linkOrPath;
  // A read-only target is refused as the system would refuse to replace it.
  const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
  if (attributes != win::INVALID_FILE_ATTRIBUTES &&
      (attributes & (win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_DIRECTORY)))
    return win::ERROR_ACCESS_DENIED;

  const std::string temp = path + ".new";
  win::DWORD error = 0;
  {
    // The temporary name is the program's own: no other spelling of it is
    // looked for (in a folder of a thousand packs that lookup reads them
    // all). It is made new: one left by a write cut short is removed first,
    // never opened (a link in its place would be written through, into
    // whatever it leads to).
    const auto create = [&] {
      return win::CreateFileA(temp.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW,
                              win::FILE_FLAG_POSIX_SEMANTICS, nullptr);
    };
    platform::FileHandle f(create());
    if (!f.valid() && win::GetLastError() == win::ERROR_FILE_EXISTS && win::DeleteFileA(temp.c_str()))
      f = platform::FileHandle(create());
    if (!f.valid()) return win::GetLastError();
    error = platform::WriteWhole(f.get(), bytes);
    if (!error && durable && !win::FlushFileBuffers(f.get())) error = win::GetLastError();
    if (!f.close() && !error) error = win::GetLastError();
  }
  if (!error && !win::MoveFileExA(temp.c_str(), path.c_str(),
                                  win::MOVEFILE_REPLACE_EXISTING | (durable ? win::MOVEFILE_WRITE_THROUGH : 0)))
    error = win::GetLastError();
  if (error) win::DeleteFileA(temp.c_str());
  return error;
}

void WriteFileSafely(const std::string& path, const std::string& bytes, bool followLink) {
  if (const win::DWORD error = ReplaceFileContents(path, bytes, true, followLink)) RaiseIo(error);
}

std::vector<std::string> SplitLines(std::string_view text, bool* crlf) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      if (crlf) *crlf = true;
    }
    lines.emplace_back(line);
  }
  return lines;
}

long long TextReader::readInt() {
  while (!eof() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n')) ++pos_;
  const size_t start = pos_;
  while (!eof() && text_[pos_] != ' ' && text_[pos_] != '\t' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
  if (pos_ == start) return 0;
  const std::string token = text_.substr(start, pos_ - start);
  size_t i = 0;
  if (token[0] == '+' || token[0] == '-') i = 1;
  if (i == token.size()) throw EInOutError(kIoInvalidNumber);
  for (size_t k = i; k < token.size(); ++k)
    if (token[k] < '0' || token[k] > '9') throw EInOutError(kIoInvalidNumber);
  errno = 0;
  const long long v = std::strtoll(token.c_str(), nullptr, 10);
  if (errno == ERANGE || v > INT_MAX || v < INT_MIN) throw EInOutError(kIoInvalidNumber);
  return v;
}

std::string TextReader::readLine() {
  const size_t start = pos_;
  while (!eof() && !atLineEnd()) ++pos_;
  return text_.substr(start, pos_ - start);
}

char TextReader::readChar() {
  if (eof()) return '\x1a';
  if (atLineEnd()) return '\r';
  return text_[pos_++];
}

void TextReader::skipLine() {
  while (!eof() && !atLineEnd()) ++pos_;
  if (eof()) return;
  if (text_[pos_] == '\r') {
    ++pos_;
    if (!eof() && text_[pos_] == '\n') ++pos_;
  } else {
    ++pos_;
  }
}

}  // namespace orvella
