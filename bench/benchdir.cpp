#include "benchdir.h"

#include <random>
#include <stdexcept>
#include <vector>

#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace orvella::bench {

namespace {
std::vector<fs::path>& Made() {
  static std::vector<fs::path> made;
  return made;
}
}  // namespace

fs::path MakeTempFolder(const std::string& tag) {
  std::random_device rd;
  fs::path p = fs::temp_directory_path() / ("orvella-bench-" + tag + "-" + std::to_string(rd()));
  fs::create_directories(p);
  p = fs::canonical(p);
  Made().push_back(p);
  return p;
}

void RemoveTempFolders() {
  for (const fs::path& p : Made()) {
    std::error_code ec;
    fs::remove_all(p, ec);
  }
  Made().clear();
}

std::string Win(const fs::path& host) {
  std::string w = platform::FromHostPath(host.u16string());
  if (w.empty()) throw std::runtime_error("no drive reaches " + host.string());
  return w;
}

}  // namespace orvella::bench
