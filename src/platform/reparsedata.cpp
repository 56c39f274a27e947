#include "platform/reparsedata.h"

#include "platform/winapi.h"

namespace platform {

namespace {
void Put16(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
}  // namespace

MountPointBuffer BuildMountPointBuffer(const std::string& fullTarget) {
  const size_t n = fullTarget.size();
  MountPointBuffer buf;
  buf.bytes.assign(2 * (n + 1) + 28, 0);
  static const char16_t kPrefix[] = u"\\??\\";
  for (size_t i = 0; i < 5; ++i) Put16(buf.bytes, 16 + 2 * i, kPrefix[i]);
  std::u16string w(n, u'\0');
  const int m = n ? win::MultiByteToWideChar(win::CP_ACP, 0, fullTarget.data(), static_cast<int>(n), w.data(),
                                             static_cast<int>(n))
                  : 0;
  // A multi-byte code page gives fewer characters than bytes.
  buf.bytes.resize(2 * (static_cast<size_t>(m) + 1) + 28);
  for (int i = 0; i < m; ++i) Put16(buf.bytes, 24 + 2 * static_cast<size_t>(i), w[static_cast<size_t>(i)]);
  Put16(buf.bytes, 24 + 2 * static_cast<size_t>(m), 0);
  const std::uint32_t substituteLength = 8 + 2 * static_cast<std::uint32_t>(m);
  Put32(buf.bytes, 0, kReparseTagMountPoint);
  Put16(buf.bytes, 10, substituteLength);
  Put16(buf.bytes, 12, substituteLength + 2);
  Put32(buf.bytes, 4, substituteLength + 12);  // ReparseDataLength, Reserved 0
  buf.passed = substituteLength + 12 + 8;
  return buf;
}

std::vector<std::uint8_t> BuildSymbolicLinkBuffer(std::u16string_view target, bool relative) {
  // Header (8), four offsets and lengths (8), flags (4), then the
  // substitute name and the print name, the same text, without terminators.
  const auto length = static_cast<std::uint32_t>(2 * target.size());
  std::vector<std::uint8_t> b(20 + 2 * static_cast<size_t>(length), 0);
  Put32(b, 0, kReparseTagSymlink);
  Put16(b, 4, 12 + 2 * length);  // ReparseDataLength
  Put16(b, 8, 0);                // SubstituteNameOffset
  Put16(b, 10, length);          // SubstituteNameLength
  Put16(b, 12, length);          // PrintNameOffset
  Put16(b, 14, length);          // PrintNameLength
  Put32(b, 16, relative ? kSymlinkFlagRelative : 0);
  for (size_t i = 0; i < target.size(); ++i) {
    Put16(b, 20 + 2 * i, target[i]);
    Put16(b, 20 + length + 2 * i, target[i]);
  }
  return b;
}

}  // namespace platform
