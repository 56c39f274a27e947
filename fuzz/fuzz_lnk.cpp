// Shortcut resolution: the reader of Shell Link files over the fuzzer's
// bytes, held in a buffer of exactly their size, so that the sanitizer sees
// any read past the end. Every few runs the bytes also go through a real
// file and the platform's ResolveShellLink, which must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "fuzzsupport.h"
#include "platform/shelllink.h"
#include "platform/winapi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  const std::string target = platform::ParseShellLink(size ? copy.get() : nullptr, size);
  // A path is a C string for the rest of the program.
  if (target.find('\0') != std::string::npos) std::abort();

  static unsigned runs = 0;
  if (++runs % 64 == 0) {
    {
      std::ofstream out(orvella::fuzz::ScratchHost() / "link.lnk", std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    if (platform::ResolveShellLink(orvella::fuzz::ScratchWin("link.lnk")) != target) std::abort();
  }
  return 0;
}
