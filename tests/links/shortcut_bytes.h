// A shortcut file as the shell writes one for a local target, built byte by
// byte from the published Shell Link format: the 76-byte header, no item
// list, and a LinkInfo holding a VolumeID and the LocalBasePath, with an empty
// common path suffix.
#pragma once

#include <cstdint>
#include <string>

namespace orvella::test {

inline void Put32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string ShellLinkBytes(const std::string& target) {
  std::string b;
  Put32(b, 0x4C);  // HeaderSize
  const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  b.append(reinterpret_cast<const char*>(clsid), 16);
  Put32(b, 0x00000002);  // LinkFlags: HasLinkInfo
  Put32(b, 0x00000010);  // FileAttributes: directory
  b.append(24, '\0');    // creation, access and write times
  Put32(b, 0);           // FileSize
  Put32(b, 0);           // IconIndex
  Put32(b, 1);           // ShowCommand: SW_SHOWNORMAL
  b.append(2, '\0');     // HotKey
  b.append(10, '\0');    // Reserved1, Reserved2, Reserved3

  const std::string label = "DATA";
  std::string volume;
  Put32(volume, static_cast<std::uint32_t>(16 + label.size() + 1));  // VolumeIDSize
  Put32(volume, 3);                                                  // DRIVE_FIXED
  Put32(volume, 0x12345678);                                         // serial number
  Put32(volume, 0x10);                                               // VolumeLabelOffset
  volume += label;
  volume.push_back('\0');

  const std::uint32_t header = 0x1C;
  const std::uint32_t baseOffset = header + static_cast<std::uint32_t>(volume.size());
  const std::uint32_t suffixOffset = baseOffset + static_cast<std::uint32_t>(target.size() + 1);
  Put32(b, suffixOffset + 1);  // LinkInfoSize
  Put32(b, header);            // LinkInfoHeaderSize
  Put32(b, 0x1);               // VolumeIDAndLocalBasePath
  Put32(b, header);            // VolumeIDOffset
  Put32(b, baseOffset);        // LocalBasePathOffset
  Put32(b, 0);                 // no CommonNetworkRelativeLink
  Put32(b, suffixOffset);      // CommonPathSuffixOffset
  b += volume;
  b += target;
  b.push_back('\0');
  b.push_back('\0');  // empty CommonPathSuffix
  Put32(b, 0);        // no extra data
  return b;
}

}  // namespace orvella::test
