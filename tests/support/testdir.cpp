#include "support/testdir.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "logic/core/ansi.h"

namespace fs = std::filesystem;

namespace orvella::test {

namespace {
std::string ToGeneric(std::string rel) {
  for (char& c : rel)
    if (c == '\\') c = '/';
  return rel;
}
}  // namespace

TestDir::TestDir() : savedMap_(platform::GetDriveMap()) {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("orvella-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      root_ = fs::canonical(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TestDir::~TestDir() {
  platform::SetDriveMap(savedMap_);
  std::error_code ec;
  // Links are removed as links: remove_all never follows them.
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(root_, ec);
}

fs::path TestDir::host(const std::string& rel) const {
  if (rel.empty()) return root_;
  return root_ / fs::path(ToGeneric(rel));
}

std::string TestDir::win(const std::string& rel) const {
  const std::u16string h = host(rel).u16string();
  std::string w = platform::FromHostPath(h);
  if (w.empty()) throw std::runtime_error("no drive reaches " + host(rel).string());
  // On Windows the host path keeps the "/" of rel; the program writes "\".
  std::replace(w.begin(), w.end(), '/', '\\');
  while (w.size() > 3 && w.back() == '\\') w.pop_back();
  return w;
}

std::string TestDir::mkdir(const std::string& rel) const {
  fs::create_directories(host(rel));
  return win(rel);
}

std::string TestDir::file(const std::string& rel, const std::string& content) const {
  const fs::path p = host(rel);
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + p.string());
  return win(rel);
}

std::string TestDir::symlink(const std::string& rel, const std::string& targetRel) const {
  const fs::path p = host(rel);
  fs::create_directories(p.parent_path());
  fs::create_directory_symlink(host(targetRel), p);
  return win(rel);
}

std::string TestDir::read(const std::string& rel) const {
  std::ifstream in(host(rel), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TestDir::exists(const std::string& rel) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(host(rel), ec));
}

bool TestDir::isSymlink(const std::string& rel) const {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(host(rel), ec));
}

void TestDir::mapDrives(const std::vector<std::pair<char, std::string>>& drives) {
  std::vector<platform::DriveMapping> map{{'Z', "/"}};
  for (const auto& [letter, sub] : drives) {
    fs::create_directories(host(sub));
    map.push_back({letter, host(sub).string()});
  }
  platform::SetDriveMap(map);
}

std::string A(const char* utf8) { return Ansi(utf8); }

fs::path SharedDir() {
  std::error_code ec;
  fs::path p(ORVELLA_SHARED_DIR);
  if (fs::is_directory(p, ec)) return p;
  return {};
}

}  // namespace orvella::test
