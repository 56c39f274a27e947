#include "logic/check/logtxt.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella::check {

namespace {

// The text between the quote that follows `after` and the next quote of
// the same kind; empty when there is none.
std::string_view Quoted(std::string_view line, std::string_view after) {
  const size_t a = line.find(after);
  if (a == std::string_view::npos) return {};
  const size_t open = line.find_first_of("'\"`", a + after.size());
  if (open == std::string_view::npos) return {};
  const size_t close = line.find(line[open], open + 1);
  if (close == std::string_view::npos) return line.substr(open + 1);
  return line.substr(open + 1, close - open - 1);
}

std::string_view After(std::string_view line, std::string_view marker) {
  const size_t a = line.find(marker);
  if (a == std::string_view::npos) return {};
  std::string_view rest = line.substr(a + marker.size());
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  return rest;
}

// Lines that list the packs as the simulator loads them.
constexpr std::string_view kOrderMarkers[] = {
    "Loading scenery pack: ", "Scenery pack loaded: ", "Loaded scenery package: "};

}  // namespace

std::string PackOfLogPath(std::string_view path) {
  for (const std::string_view area : {std::string_view("Custom Scenery"), std::string_view("Global Scenery")}) {
    const size_t a = path.find(area);
    if (a == std::string_view::npos || a + area.size() >= path.size()) continue;
    const char sep = path[a + area.size()];
    if (sep != '/' && sep != '\\') continue;
    std::string_view rest = path.substr(a + area.size() + 1);
    const size_t end = rest.find_first_of("/\\");
    if (end != std::string_view::npos) rest = rest.substr(0, end);
    return std::string(rest);
  }
  return {};
}

namespace {
constexpr size_t kLongestLine = 65536;  // longer lines are cut there
// What every line of interest holds: nearly all lines of a long log hold
// none of these, and the bytes are searched for them rather than cut into lines.
constexpr std::string_view kHints[] = {"E/", "MACIBM_alert", "cenery pack"};

// The byte of each hint searched for first: one rare in a log's other lines
// (a search by "c" of "cenery pack" would stop at nearly every word).
constexpr size_t kPivots[] = {0, 6, 10};
static_assert(kHints[1][kPivots[1]] == '_' && kHints[2][kPivots[2]] == 'k');

// Where hint (an index into kHints) is first found in text from `from` on.
size_t Search(std::string_view text, size_t from, size_t hint) {
  const std::string_view needle = kHints[hint];
  const size_t pivot = kPivots[hint];
  while (from != std::string_view::npos && from + needle.size() <= text.size()) {
    const size_t at = text.find(needle[pivot], from + pivot);
    if (at == std::string_view::npos) break;
    if (text.compare(at - pivot, needle.size(), needle) == 0) return at - pivot;
    from = at - pivot + 1;
  }
  return std::string_view::npos;
}
}  // namespace

void LogReader::feed(std::string_view bytes) {
  // The line begun in earlier bytes (and the first line, always read).
  if (!partial_.empty() || first_) {
    const size_t nl = bytes.find('\n');
    const std::string_view head = bytes.substr(0, nl);
    if (partial_.size() < kLongestLine) partial_.append(head.substr(0, kLongestLine - partial_.size()));
    if (nl == std::string_view::npos) return;
    line(partial_);
    partial_.clear();
    bytes.remove_prefix(nl + 1);
  }
  const size_t last = bytes.rfind('\n');
  const std::string_view whole = last == std::string_view::npos ? std::string_view() : bytes.substr(0, last + 1);
  const std::string_view rest = last == std::string_view::npos ? bytes : bytes.substr(last + 1);
  // The starts of the lines that hold a hint, in file order.
  std::vector<size_t> starts;
  for (size_t hint = 0; hint < std::size(kHints); ++hint) {
    for (size_t at = Search(whole, 0, hint); at != std::string_view::npos; at = Search(whole, at, hint)) {
      const size_t start = at == 0 ? 0 : whole.rfind('\n', at - 1);
      starts.push_back(start == std::string_view::npos ? 0 : (at == 0 ? 0 : start + 1));
      at = whole.find('\n', at);  // the next line
    }
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  for (const size_t start : starts) line(whole.substr(start, whole.find('\n', start) - start));
  partial_.assign(rest.substr(0, kLongestLine));
}

void LogReader::finish() {
  if (!partial_.empty()) line(partial_);
  partial_.clear();
}

void LogReader::line(std::string_view l) {
  l = l.substr(0, kLongestLine);
  if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
  report_.read = true;
  if (first_) {
    first_ = false;
    // "Log.txt for X-Plane 12.1.1-r1 (build ...)": the word after the name.
    std::string_view v = After(l, "X-Plane ");
    v = v.substr(0, v.find_first_of(" \t("));
    report_.version = std::string(v.empty() ? l.substr(0, 200) : v);
    return;
  }
  // A line of the load order, when it is one.
  const auto orderLine = [this, l] {
    for (const std::string_view marker : kOrderMarkers)
      if (std::string_view p = After(l, marker); !p.empty()) {
        const std::string name = PackOfLogPath(p);
        report_.loadOrder.push_back(name.empty() ? std::string(p) : name);
        return;
      }
  };
  // The quick test first: nearly every line of a long log is none of these.
  const bool error = l.find("E/") != std::string_view::npos || l.find("MACIBM_alert") != std::string_view::npos;
  if (!error) {
    orderLine();
    return;
  }
  LogFinding f;
  if (l.find("E/SCN: Failed to find resource") != std::string_view::npos) {
    f.kind = "missing_resource";
    f.what = std::string(Quoted(l, "Failed to find resource"));
    std::string_view from = Quoted(l, "from scenery package");
    if (from.empty()) from = Quoted(l, "from file");
    f.pack = PackOfLogPath(from);
  } else if (l.find("E/SCN: The terrain file") != std::string_view::npos) {
    f.kind = "terrain";
    f.what = std::string(Quoted(l, "The terrain file"));
    f.pack = PackOfLogPath(f.what);
  } else if (l.find("MACIBM_alert: Error loading the scenery package") != std::string_view::npos) {
    f.kind = "package";
    std::string_view rest = After(l, "Error loading the scenery package");
    if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    f.what = std::string(rest);
    f.pack = PackOfLogPath(rest);
  } else if (l.find("E/OBJ:") != std::string_view::npos || l.find("E/DSF:") != std::string_view::npos) {
    f.kind = l.find("E/OBJ:") != std::string_view::npos ? "object" : "dsf";
    std::string_view what = After(l, f.kind == "object" ? "E/OBJ:" : "E/DSF:");
    f.what = std::string(what);
    f.pack = PackOfLogPath(what);
  } else {
    // Another error, not about the scenery; or no error at all, "E/" being
    // in a name ("Custom Scenery/EGLL LITE/" of a load order line).
    orderLine();
    return;
  }
  if (report_.findings.size() >= kMaxFindings) {
    ++report_.omitted;
    return;
  }
  f.line = std::string(l);
  report_.findings.push_back(std::move(f));
}

LogReport ReadLogFile(const std::string& path) {
  LogReader reader;
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_DEVICE)))
    return {};
  platform::FileHandle f(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) return {};
  std::string buffer(size_t{1} << 20, '\0');
  for (;;) {
    win::DWORD got = 0;
    if (!win::ReadFile(f.get(), buffer.data(), static_cast<win::DWORD>(buffer.size()), &got, nullptr) || got == 0)
      break;
    reader.feed(std::string_view(buffer.data(), got));
  }
  reader.finish();
  LogReport r = reader.take();
  r.read = true;
  return r;
}

}  // namespace orvella::check
