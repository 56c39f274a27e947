// The scenery check's library.txt reader and its memory file, over the
// fuzzer's bytes: exports keep the path rules, and the memory read back
// from what it wrote is the same memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logic/check/checkmemory.h"
#include "logic/check/librarytxt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const orvella::check::LibraryFile f = orvella::check::ParseLibrary(text);
  if (!f.valid && !f.exports.empty()) std::abort();
  for (const auto& e : f.exports) {
    // Real paths stay inside their pack; no separator but '/' is left.
    if (e.realPath.empty() || e.realPath[0] == '/' || e.realPath.back() == '/') std::abort();
    const std::string path = "/" + std::string(e.realPath) + "/";
    if (path.find("/../") != std::string::npos || path.find("/./") != std::string::npos ||
        path.find("//") != std::string::npos)
      std::abort();
    if (e.virtualPath.find_first_of("\\:") != std::string_view::npos) std::abort();
    if (e.realPath.find_first_of("\\:") != std::string_view::npos) std::abort();
    if (e.virtualPath.find_first_of(" \t\n") != std::string_view::npos) std::abort();
  }
  if (orvella::check::PackRelative(orvella::check::PackRelative(text)) != orvella::check::PackRelative(text))
    std::abort();

  orvella::check::CheckMemory memory;
  memory.load(text);
  orvella::check::CheckMemory again;
  again.load(memory.save());
  if (again.size() != memory.size() || again.save() != memory.save()) std::abort();
  return 0;
}
