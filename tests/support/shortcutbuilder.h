// Shortcut files built byte by byte from the published Shell Link format
// (MS-SHLLINK), for the tests of the shortcut reader and of what resolves
// shortcuts (drops from the desktop shell, intake).
#pragma once

#include <cstdint>
#include <string>

namespace orvella::test {

namespace lnk {
inline void Put16(std::string& b, uint16_t v) { b.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
inline void Put32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void Set32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline std::string Utf16z(const std::u16string& s) {
  std::string b;
  for (char16_t c : s) Put16(b, c);
  Put16(b, 0);
  return b;
}

}  // namespace lnk

struct LinkParts {
  std::string localBase;      // ANSI, empty for none
  std::string suffix;         // ANSI
  std::u16string localBaseW;  // Unicode forms (LinkInfo header of 0x24) when not empty
  std::u16string suffixW;
  std::string netName;  // ANSI share name, empty for none
};

// A shortcut file built from the published format: header, an item-ID
// list to skip, a LinkInfo, and a string that follows it.
inline std::string Shortcut(const LinkParts& p) {
  std::string f;
  lnk::Put32(f, 0x4C);
  f.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  lnk::Put32(f, 0x01 | 0x02 | 0x04 | 0x80);  // HasLinkTargetIDList, HasLinkInfo, HasName, IsUnicode
  lnk::Put32(f, 0x10);                       // FILE_ATTRIBUTE_DIRECTORY
  f.append(24, '\0');                        // three FILETIMEs
  lnk::Put32(f, 0);                          // file size
  lnk::Put32(f, 0);                          // icon index
  lnk::Put32(f, 1);                          // SW_SHOWNORMAL
  f.append(2 + 10, '\0');                    // hot key, reserved
  // LinkTargetIDList: one item of 6 bytes, then the terminating zero.
  lnk::Put16(f, 8);
  lnk::Put16(f, 6);
  f.append("\x2F\x43:\\", 4);
  lnk::Put16(f, 0);
  // LinkInfo.
  const bool unicode = !p.localBaseW.empty() || !p.suffixW.empty();
  const uint32_t header = unicode ? 0x24 : 0x1C;
  std::string body;
  uint32_t volumeOffset = 0, baseOffset = 0, netOffset = 0, suffixOffset = 0, baseOffsetW = 0, suffixOffsetW = 0;
  auto at = [&] { return static_cast<uint32_t>(header + body.size()); };
  if (!p.localBase.empty() || !p.localBaseW.empty()) {
    volumeOffset = at();
    lnk::Put32(body, 0x10), lnk::Put32(body, 3), lnk::Put32(body, 0x1234),
        lnk::Put32(body, 0x10);  // VolumeID, empty label
    body += '\0';
    baseOffset = at();
    body += p.localBase + '\0';
  }
  if (!p.netName.empty()) {
    netOffset = at();
    std::string link;
    lnk::Put32(link, 0), lnk::Put32(link, 0x02), lnk::Put32(link, 0x14), lnk::Put32(link, 0),
        lnk::Put32(link, 0x00020000);
    link += p.netName + '\0';
    lnk::Set32(link, 0, static_cast<uint32_t>(link.size()));
    body += link;
  }
  suffixOffset = at();
  body += p.suffix + '\0';
  if (unicode) {
    baseOffsetW = at();
    body += lnk::Utf16z(p.localBaseW);
    suffixOffsetW = at();
    body += lnk::Utf16z(p.suffixW);
  }
  std::string info;
  lnk::Put32(info, header + static_cast<uint32_t>(body.size()));
  lnk::Put32(info, header);
  lnk::Put32(info, (baseOffset ? 1u : 0u) | (netOffset ? 2u : 0u));
  lnk::Put32(info, volumeOffset), lnk::Put32(info, baseOffset), lnk::Put32(info, netOffset),
      lnk::Put32(info, suffixOffset);
  if (unicode) lnk::Put32(info, baseOffsetW), lnk::Put32(info, suffixOffsetW);
  f += info + body;
  // NAME_STRING (HasName), in UTF-16 with its count.
  lnk::Put16(f, 4);
  f += lnk::Utf16z(u"Desc").substr(0, 8);
  lnk::Put32(f, 0);  // terminal block
  return f;
}

// A shortcut to a local folder or file, as the shell writes one.
inline std::string ShellLinkBytes(const std::string& target) { return Shortcut({.localBase = target}); }

}  // namespace orvella::test
