// The scenery order's readers of outside files: the start of a DSF tile,
// apt.dat rows, scenery_packs.ini, and the order's own two files, over the
// fuzzer's bytes held in a buffer of exactly their size. Every few runs the
// bytes also go through a real file and the tile reader, plain or 7z.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "fuzzsupport.h"
#include "logic/order/dsf.h"
#include "logic/order/ordersettings.h"
#include "logic/order/packs.h"
#include "logic/order/scenerypacks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<char[]> copy(new char[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  const std::string_view bytes(copy.get(), size);

  const orvella::DsfStart s = orvella::ParseDsfStart(bytes);
  // More is only ever asked for beyond what was given.
  if (s.status == orvella::DsfStart::Status::NeedMore && s.needed <= size) std::abort();
  if (s.status != orvella::DsfStart::Status::Done && !s.properties.empty()) std::abort();

  const std::string text(bytes);
  for (const std::string& code : orvella::AirportCodes(text, size % 2 == 0))
    if (code.empty() || code.find_first_of(" \t\r\n") != std::string::npos) std::abort();
  for (const orvella::PackLine& line : orvella::ParseSceneryPacks(text).lines)
    if (line.path.empty() || line.path.find('\n') != std::string::npos) std::abort();

  // The order's files: what is read and written again reads back the same.
  orvella::PackMemory memory;
  memory.load(text);
  orvella::PackMemory again;
  again.load(memory.save());
  if (again.size() != memory.size() || again.save() != memory.save()) std::abort();
  const orvella::OrderSettings settings = orvella::OrderSettings::load(text);
  if (orvella::OrderSettings::load(settings.save()).save() != settings.save()) std::abort();

  static unsigned runs = 0;
  if (++runs % 32 == 0) {
    {
      std::ofstream out(orvella::fuzz::ScratchHost() / "tile.dsf", std::ios::binary | std::ios::trunc);
      out.write(copy.get(), static_cast<std::streamsize>(size));
    }
    const auto read = orvella::ReadDsfProperties(orvella::fuzz::ScratchWin("tile.dsf"));
    // A plain tile read from a file says what its bytes say.
    if (s.status == orvella::DsfStart::Status::Done && (!read || *read != s.properties)) std::abort();
  }
  return 0;
}
