// A whole DM3 load from the fuzzer's bytes: header, tag tree, tag dump,
// picture choice and grey conversion. A bad file must end in one of the
// program's errors; anything else (a crash, a sanitizer report, another
// exception, a bitmap that does not match its size) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzzsupport.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The tag dump "DM3_Tags.txt" goes to the current directory.
  if (::chdir(orvella::fuzz::ScratchHost().c_str()) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvella::TDM3Image image;
  orvella::dm3::MemoryStream stream(data, size);
  try {
    image.LoadFromStream(stream);
  } catch (const orvella::Error&) {
    return 0;
  }
  const orvella::dm3::Bitmap8& b = image.Bitmap();
  if (b.width <= 0 || b.height <= 0 ||
      b.pixels.size() != static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height))
    std::abort();
  // A picture never holds more pixels than the file has bytes.
  if (b.pixels.size() > size) std::abort();
  return 0;
}
