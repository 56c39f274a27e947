// The scenery check's reader of DSF definitions, over the fuzzer's bytes in
// a buffer of exactly their size; every few runs the bytes also go through a
// real file and the tile reader (plain, or 7z when they are an archive).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>

#include "fuzzsupport.h"
#include "logic/check/dsfdefs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<char[]> copy(new char[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  const std::string_view bytes(copy.get(), size);

  const orvella::DsfStart s = orvella::check::ScanDsfDefinitions(bytes);
  if (s.status == orvella::DsfStart::Status::NeedMore && s.needed <= size) std::abort();
  const auto d = orvella::check::ParseDsfDefinitions(bytes);
  if (d && s.status != orvella::DsfStart::Status::Done) std::abort();
  if (d)
    for (const auto* table : {&d->terrains, &d->objects, &d->polygons, &d->networks})
      for (const auto& name : *table)
        if (name.empty() || name.find('\0') != std::string::npos) std::abort();

  static unsigned runs = 0;
  if (++runs % 16 == 0) {
    {
      std::ofstream out(orvella::fuzz::ScratchHost() / "tile.dsf", std::ios::binary | std::ios::trunc);
      out.write(copy.get(), static_cast<std::streamsize>(size));
    }
    const orvella::DsfPrefix p = orvella::ReadDsfPrefix(orvella::fuzz::ScratchWin("tile.dsf"),
                                                        orvella::check::ScanDsfDefinitions, size_t{1} << 20);
    // A plain tile read from a file says what its bytes say.
    if (!p.compressed && s.status == orvella::DsfStart::Status::Done &&
        (p.status != orvella::DsfPrefix::Status::Done || !orvella::check::ParseDsfDefinitions(p.bytes) != !d))
      std::abort();
  }
  return 0;
}
