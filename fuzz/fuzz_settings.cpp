// The settings file read into its record, written, and read again. Findings:
// a crash or sanitizer report, an error escaping the reader, more
// installations than the file has lines, or a file written from what was read
// that does not read back whole and come back byte for byte when it is
// written once more.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logic/settings/settingsfile.h"

namespace {

[[noreturn]] void Finding(const char* what) {
  std::fprintf(stderr, "fuzz_settings: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvella;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t lines = 1;
  for (char c : bytes) lines += c == '\n' || c == '\r';

  const SettingsRead first = ParseSettings(bytes);
  if (first.settings.installations.size() > lines) Finding("more installations than lines in the file");

  // What was read, even from a damaged file, is written as a file that reads
  // back whole, and writing that again gives the same bytes.
  const std::string written = FormatSettings(first.settings);
  const SettingsRead again = ParseSettings(written);
  if (again.error) Finding("a file the program wrote cannot be read back");
  if (FormatSettings(again.settings) != written) Finding("a written file does not survive a read and a write");
  return 0;
}
