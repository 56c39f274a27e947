// The scenery check's Log.txt reader over the fuzzer's bytes: fed whole or
// cut in two anywhere, the same findings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logic/check/logtxt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  orvella::check::LogReader whole;
  whole.feed(text);
  whole.finish();
  orvella::check::LogReader parts;
  const size_t cut = size ? data[0] % size : 0;
  parts.feed(text.substr(0, cut));
  parts.feed(text.substr(cut));
  parts.finish();
  const auto& a = whole.report();
  const auto& b = parts.report();
  if (a.version != b.version || a.findings.size() != b.findings.size() || a.loadOrder != b.loadOrder) std::abort();
  for (size_t i = 0; i < a.findings.size(); ++i)
    if (a.findings[i].line != b.findings[i].line || a.findings[i].pack != b.findings[i].pack) std::abort();
  for (const auto& f : a.findings)
    if (f.kind.empty() || f.pack.find_first_of("/\\") != std::string::npos) std::abort();
  return 0;
}
