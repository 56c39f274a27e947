// The bytes of a scene link as NTFS keeps it: the published reparse data
// buffer (REPARSE_DATA_BUFFER), little-endian. The Win32 backend hands the
// mount-point form to FSCTL_SET_REPARSE_POINT; the POSIX backend writes the
// symbolic-link form on NTFS volumes mounted through ntfs-3g, where the same
// bytes are the link.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003u;
inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000Cu;
// SymbolicLinkReparseBuffer.Flags: the substitute name is relative to the
// folder holding the link.
inline constexpr std::uint32_t kSymlinkFlagRelative = 1;

// The mount-point buffer (a directory junction) for a target whose full path
// is fullTarget (ANSI): the allocated bytes (2(n + 1) + 28, zero-filled, n
// the ANSI length) of which the first `passed` (28 + 2m, m the UTF-16 length)
// go to the file-system control. The substitute name is "\??\" + the target,
// the print name empty.
struct MountPointBuffer {
  std::vector<std::uint8_t> bytes;
  std::uint32_t passed = 0;
};
MountPointBuffer BuildMountPointBuffer(const std::string& fullTarget);

// The symbolic-link buffer (what "mklink /D" writes) for a target in UTF-16,
// with the relative flag or without; the print name repeats the target.
std::vector<std::uint8_t> BuildSymbolicLinkBuffer(std::u16string_view target, bool relative);

}  // namespace platform
