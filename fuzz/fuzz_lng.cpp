// The language-file reader (the program's GetPrivateProfileStringA) over the
// fuzzer's bytes: the lookups the program makes, the name lists, and buffers
// of every small size, each allocated to its exact size so that the sanitizer
// sees a write past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ini.h"

namespace {

void Lookup(std::string_view file, const char* section, const char* key, win::DWORD size) {
  std::unique_ptr<char[]> buffer(new char[size ? size : 1]);
  const win::DWORD n = platform::ReadProfileStringFromBytes(file, section, key, "", buffer.get(), size);
  if (size == 0) {
    if (n != 0) std::abort();
    return;
  }
  // The answer is the number of characters copied, and a zero follows them.
  if (n >= size || buffer[n] != '\0') std::abort();
  if (section && key && std::strlen(buffer.get()) != n) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the buffer size of the odd lookups; the rest is the file.
  if (size == 0) return 0;
  const win::DWORD small = data[0] % 8;
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

  // As the program reads its texts: a 2048-character buffer.
  Lookup(file, "EcrOrvella", "caption", 2048);
  Lookup(file, "EcrOrvella", "rgListeXP", 2048);
  Lookup(file, "ecrbiblios", "AJOUTBIBLIO", 2048);
  Lookup(file, "EcrOrvella", "XPlaneAbsent", small);
  // Section and key lists, cut to small buffers too.
  Lookup(file, nullptr, nullptr, 2048);
  Lookup(file, nullptr, nullptr, small);
  Lookup(file, "EcrOrvella", nullptr, 2048);
  Lookup(file, "EcrOrvella", nullptr, small);

  // The first section and first key the file names, looked up by name.
  char names[256];
  if (platform::ReadProfileStringFromBytes(file, nullptr, nullptr, "", names, sizeof names) > 0) {
    const std::string section(names);
    char keys[256];
    if (platform::ReadProfileStringFromBytes(file, section.c_str(), nullptr, "", keys, sizeof keys) > 0) {
      Lookup(file, section.c_str(), keys, 2048);
      Lookup(file, section.c_str(), keys, small);
    }
  }
  return 0;
}
