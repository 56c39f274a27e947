#include "logic/check/checkmemory.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/winapi.h"

namespace orvella::check {

namespace {

constexpr const char* kHeader = "OrvellaCheck 1";
// Two seconds in file time: the coarsest clock of a file system (FAT).
constexpr std::uint64_t kRacyWindow = 20'000'000;

// Fields are kept one line per file, separated by tabs; these escapes keep
// tabs, line ends and backslashes of names inside their field.
std::string Escape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return false;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d)) return std::nullopt;
  if (d.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_DEVICE)) return std::nullopt;
  FileStamp s;
  s.size = static_cast<std::uint64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
  s.time = static_cast<std::uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32 | d.ftLastWriteTime.dwLowDateTime;
  return s;
}

std::uint64_t FileTimeNow() {
  // 1601-01-01 to 1970-01-01 in 100 ns steps.
  constexpr std::uint64_t kEpochDelta = 116444736000000000ull;
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kEpochDelta +
         static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count()) * 10;
}

const std::vector<std::string>* CheckMemory::find(const std::string& path, const FileStamp& st) const {
  auto it = entries_.find(path);
  if (it == entries_.end() || !(it->second.stamp == st)) return nullptr;
  return &it->second.fields;
}

void CheckMemory::put(const std::string& path, const FileStamp& st, std::vector<std::string> fields,
                      std::uint64_t now) {
  // A file written within the clock's step of now may change again with
  // the same stamp: it is read again next time.
  if (st.time + kRacyWindow > now) {
    entries_.erase(path);
    return;
  }
  entries_[path] = Remembered{st, std::move(fields)};
}

std::string CheckMemory::save() const {
  std::vector<const std::pair<const std::string, Remembered>*> sorted;
  sorted.reserve(entries_.size());
  for (const auto& e : entries_) sorted.push_back(&e);
  std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });
  std::string out = kHeader;
  out += '\n';
  for (const auto* e : sorted) {
    out += std::to_string(e->second.stamp.size);
    out += '\t';
    out += std::to_string(e->second.stamp.time);
    out += '\t';
    out += Escape(e->first);
    for (const std::string& f : e->second.fields) {
      out += '\t';
      out += Escape(f);
    }
    out += '\n';
  }
  return out;
}

void CheckMemory::load(const std::string& text) {
  entries_.clear();
  size_t at = text.find('\n');
  if (at == std::string::npos || text.compare(0, at, kHeader) != 0) return;
  ++at;
  std::string field;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // a last line cut short: dropped
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    std::vector<std::string> fields;
    bool ok = true;
    size_t f = 0;
    while (ok) {
      const size_t tab = line.find('\t', f);
      ok = Unescape(line.substr(f, tab == std::string_view::npos ? std::string_view::npos : tab - f), field);
      fields.push_back(field);
      if (tab == std::string_view::npos) break;
      f = tab + 1;
    }
    if (!ok || fields.size() < 3) continue;
    char* stop = nullptr;
    Remembered r;
    r.stamp.size = std::strtoull(fields[0].c_str(), &stop, 10);
    if (fields[0].empty() || *stop) continue;
    r.stamp.time = std::strtoull(fields[1].c_str(), &stop, 10);
    if (fields[1].empty() || *stop) continue;
    std::string path = std::move(fields[2]);
    r.fields.assign(std::make_move_iterator(fields.begin() + 3), std::make_move_iterator(fields.end()));
    entries_[std::move(path)] = std::move(r);
  }
}

}  // namespace orvella::check
