#include "platform/shelllink.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/winapi.h"

namespace platform {

namespace {

constexpr std::size_t kHeaderSize = 0x4C;
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasLinkTargetIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x02;

// A bounded view of the bytes; every read checks its range.
class Bytes {
 public:
  Bytes(const unsigned char* p, std::size_t n) : p_(p), n_(n) {}
  std::size_t size() const { return n_; }
  std::optional<std::uint32_t> u16(std::size_t at) const {
    if (at > n_ || n_ - at < 2) return std::nullopt;
    return static_cast<std::uint32_t>(p_[at] | (p_[at + 1] << 8));
  }
  std::optional<std::uint32_t> u32(std::size_t at) const {
    if (at > n_ || n_ - at < 4) return std::nullopt;
    return static_cast<std::uint32_t>(p_[at]) | (static_cast<std::uint32_t>(p_[at + 1]) << 8) |
           (static_cast<std::uint32_t>(p_[at + 2]) << 16) | (static_cast<std::uint32_t>(p_[at + 3]) << 24);
  }
  Bytes sub(std::size_t at, std::size_t len) const { return Bytes(p_ + at, len); }
  const unsigned char* data() const { return p_; }
  // A zero-terminated 8-bit string starting at `at`, that must end inside,
  // in the ANSI code page. It is in the code page of the machine that made
  // the shortcut: 1252 bytes from a Windows machine are read as such where
  // the code page is UTF-8.
  std::optional<std::string> ansi(std::size_t at) const {
    if (at >= n_) return std::nullopt;
    const void* end = std::memchr(p_ + at, 0, n_ - at);
    if (!end) return std::nullopt;
    return AnsiFromFileBytes(
        std::string_view(reinterpret_cast<const char*>(p_ + at),
                         static_cast<std::size_t>(static_cast<const unsigned char*>(end) - (p_ + at))));
  }
  // A zero-terminated UTF-16 string starting at `at`, converted to ANSI.
  std::optional<std::string> unicode(std::size_t at) const {
    std::u16string w;
    for (std::size_t i = at;; i += 2) {
      const auto u = u16(i);
      if (!u) return std::nullopt;
      if (*u == 0) break;
      w += static_cast<char16_t>(*u);
    }
    if (w.empty()) return std::string();
    const int n =
        win::WideCharToMultiByte(win::CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    std::string s(static_cast<std::size_t>(n), '\0');
    win::WideCharToMultiByte(win::CP_ACP, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
  }

 private:
  const unsigned char* p_;
  std::size_t n_;
};

std::optional<std::string> NetworkPath(const Bytes& info, std::uint32_t offset, const std::string& suffix) {
  const auto size = info.u32(offset);
  if (!size || *size < 0x14 || *size > info.size() - offset) return std::nullopt;
  const Bytes link = info.sub(offset, *size);
  const auto netNameOffset = link.u32(8);
  if (!netNameOffset) return std::nullopt;
  std::optional<std::string> name;
  if (*netNameOffset > 0x14) {
    if (const auto unicodeOffset = link.u32(0x14); unicodeOffset && *unicodeOffset) name = link.unicode(*unicodeOffset);
  }
  if (!name) name = link.ansi(*netNameOffset);
  if (!name || name->empty()) return std::nullopt;
  if (suffix.empty()) return name;
  return *name + (name->back() == '\\' ? "" : "\\") + suffix;
}

}  // namespace

std::string ParseShellLink(const void* data, std::size_t size) {
  if (!data) return {};
  const Bytes file(static_cast<const unsigned char*>(data), size);
  if (file.size() < kHeaderSize || file.u32(0) != kHeaderSize || std::memcmp(file.data() + 4, kLinkClsid, 16) != 0)
    return {};
  const std::uint32_t flags = *file.u32(0x14);
  std::size_t at = kHeaderSize;
  if (flags & kHasLinkTargetIdList) {
    const auto idListSize = file.u16(at);
    if (!idListSize) return {};
    at += 2 + *idListSize;
  }
  if (!(flags & kHasLinkInfo) || (flags & kForceNoLinkInfo)) return {};
  const auto infoSize = file.u32(at);
  if (!infoSize || *infoSize < 0x1C || at > file.size() || *infoSize > file.size() - at) return {};
  const Bytes info = file.sub(at, *infoSize);
  const std::uint32_t headerSize = *info.u32(4);
  const std::uint32_t infoFlags = *info.u32(8);
  const std::uint32_t localBaseOffset = *info.u32(0x10);
  const std::uint32_t networkOffset = *info.u32(0x14);
  const std::uint32_t suffixOffset = *info.u32(0x18);
  const bool unicode = headerSize >= 0x24;
  std::optional<std::string> suffix;
  if (unicode) {
    if (const auto o = info.u32(0x20); o && *o) suffix = info.unicode(*o);
  }
  if (!suffix) suffix = info.ansi(suffixOffset);
  if (!suffix) suffix = std::string();
  if (infoFlags & kCommonNetworkRelativeLinkAndPathSuffix) {
    if (auto path = NetworkPath(info, networkOffset, *suffix)) return *path;
  }
  if (infoFlags & kVolumeIdAndLocalBasePath) {
    std::optional<std::string> base;
    if (unicode) {
      if (const auto o = info.u32(0x1C); o && *o) base = info.unicode(*o);
    }
    if (!base) base = info.ansi(localBaseOffset);
    if (base && !base->empty()) return *base + *suffix;
  }
  return {};
}

}  // namespace platform
