#include "logic/check/checkmemory.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "logic/core/folders.h"
#include "logic/order/files.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella::check {

namespace {

// 2: a kept report holds the keys of its texts, not the texts.
// 3: each line ends with a sum of itself.
constexpr const char* kHeader = "OrvellaCheck 3";
// Two seconds in file time: the coarsest clock of a file system (FAT).
constexpr std::uint64_t kRacyWindow = 20'000'000;

// Where the first byte that needs an escape is at or after from (s.size()
// when none), or with nul, the first '\0' too: sixteen bytes at a time
// where the processor can.
template <bool nul = false>
size_t NextEscaped(std::string_view s, size_t from) {
  const auto special = [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r' || (nul && c == '\0'); };
#ifdef __SSE2__
  const __m128i backslash = _mm_set1_epi8('\\'), tab = _mm_set1_epi8('\t'), lf = _mm_set1_epi8('\n'),
                cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
  for (; from + 16 <= s.size(); from += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + from));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, tab)),
                               _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
    if (nul) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, zero));
    if (const int mask = _mm_movemask_epi8(hit)) return from + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; from < s.size(); ++from)
    if (special(s[from])) return from;
  return s.size();
}

// A line's sum: eight bytes at a time, so that the memory of a large
// installation (ten megabytes and more) costs little to sum.
std::uint64_t LineSum(std::string_view s) {
  constexpr std::uint64_t kMul = 0xff51afd7ed558ccdull;
  std::uint64_t h = 0x9e3779b97f4a7c15ull ^ (s.size() * kMul);
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = (h ^ w) * kMul;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  for (size_t k = 0; i < s.size(); ++i, k += 8) tail |= std::uint64_t{static_cast<unsigned char>(s[i])} << k;
  h = (h ^ tail) * kMul;
  h ^= h >> 32;
  h *= 0xc4ceb9fe1a85ec53ull;
  return h ^ (h >> 29);
}

// Ends the line that starts at from with its sum ("\t#" and sixteen hex
// digits): a line damaged anywhere, sum included, is dropped when read,
// never believed.
constexpr size_t kSumSize = 18;
void EndLine(std::string& out, size_t from) {
  const std::uint64_t h = LineSum(std::string_view(out).substr(from));
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(h));
  out += "\t#";
  out += digits;
  out += '\n';
}
// What a line holds before its sum, when the sum matches.
std::optional<std::string_view> Summed(std::string_view line) {
  if (line.size() < kSumSize || line.compare(line.size() - kSumSize, 2, "\t#") != 0) return std::nullopt;
  const std::string_view digits = line.substr(line.size() - 16);
  std::uint64_t h = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), h, 16);
  const std::string_view content = line.substr(0, line.size() - kSumSize);
  if (ec != std::errc() || end != digits.data() + digits.size() || h != LineSum(content)) return std::nullopt;
  return content;
}

char EscapeLetter(char c) { return c == '\\' ? '\\' : c == '\t' ? 't' : c == '\n' ? 'n' : 'r'; }

// Fields are kept one line per file, separated by tabs; these escapes keep
// tabs, line ends and backslashes of names inside their field.
void EscapeInto(std::string& out, std::string_view s) {
  size_t from = 0;
  for (size_t i = NextEscaped(s, 0); i < s.size(); i = NextEscaped(s, from)) {
    const char c = s[i];
    out.append(s, from, i - from);
    out += '\\';
    out += EscapeLetter(c);
    from = i + 1;
  }
  out.append(s, from, std::string_view::npos);
}

bool Unescape(std::string_view s, std::string& out) {
  // One pass into room made once: a path has an escape at each separator,
  // too many for copying the runs between them to pay.
  out.resize(s.size());
  char* o = out.data();
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\') {
      if (++i == s.size()) return false;
      switch (s[i]) {
        case '\\':
          break;
        case 't':
          c = '\t';
          break;
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        default:
          return false;
      }
    }
    *o++ = c;
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return true;
}

// The fields of one line; false when an escape is damaged.
bool Fields(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  size_t f = 0;
  for (;;) {
    const size_t tab = line.find('\t', f);
    if (!Unescape(line.substr(f, tab == std::string_view::npos ? std::string_view::npos : tab - f), field))
      return false;
    fields.push_back(std::move(field));
    if (tab == std::string_view::npos) return true;
    f = tab + 1;
  }
}

bool Number(std::string_view s, std::uint64_t& out) {
  if (s.empty()) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
  return error == std::errc() && end == s.data() + s.size();
}

// Writes v's digits, made in place (a time's 18 digits would make
// std::to_string ask for memory).
void AppendDigits(std::string& out, std::uint64_t v) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
}

// A number as a field of a line: digits need no escape.
void AppendNumber(std::string& line, std::uint64_t v) {
  line += '\t';
  AppendDigits(line, v);
}

}  // namespace

namespace {
// The stamp of a regular file from the fields the system gives of it
// (attribute data or an open file's information); nothing for a folder or
// a device.
template <class Fields>
std::optional<FileStamp> RegularStamp(const Fields& d) {
  if (d.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_DEVICE)) return std::nullopt;
  FileStamp s;
  s.size = static_cast<std::uint64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
  s.time = FileTimeOf(d.ftLastWriteTime);
  return s;
}
}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d)) return std::nullopt;
  if (d.dwFileAttributes & win::FILE_ATTRIBUTE_REPARSE_POINT) {
    // A link to a file: the file it leads to, whose changes its own stamp
    // would never show.
    win::BY_HANDLE_FILE_INFORMATION target;
    if (!FollowedInformation(path, target)) return std::nullopt;
    return RegularStamp(target);
  }
  return RegularStamp(d);
}

std::optional<FileStamp> StampOf(const win::BY_HANDLE_FILE_INFORMATION& opened) {
  if (opened.dwFileAttributes == win::INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return RegularStamp(opened);
}

std::optional<FileStamp> StampOf(const win::WIN32_FIND_DATAA& found) { return RegularStamp(found); }

FileStamp FolderLinkStamp(const win::BY_HANDLE_FILE_INFORMATION& target) {
  // Which folder it leads to, besides that folder's time: led elsewhere, to
  // a folder of the same time, it stamps differently.
  std::uint64_t which = (static_cast<std::uint64_t>(target.nFileIndexHigh) << 32 | target.nFileIndexLow) ^
                        static_cast<std::uint64_t>(target.dwVolumeSerialNumber) * 0x9E3779B97F4A7C15ull;
  which = (which ^ (which >> 31)) * 0xBF58476D1CE4E5B9ull;
  return {kFolderLinkStamp | (which >> 2), FileTimeOf(target.ftLastWriteTime)};
}

FileStamp PathStampOf(const std::string& path) {
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d)) return {~0ull, ~0ull};
  FileStamp s;
  s.size = d.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY
               ? kFolderStampSize
               : static_cast<std::uint64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
  s.time = FileTimeOf(d.ftLastWriteTime);
  if (d.dwFileAttributes & win::FILE_ATTRIBUTE_REPARSE_POINT) {
    // A link's own time never changes with what it leads to: the folder it
    // leads to is stamped (a pack in Custom Scenery is mostly a link), the
    // one a listing through it reads, and a linked file as StampOf stamps
    // it. A link that leads nowhere keeps its own time, marked apart.
    win::BY_HANDLE_FILE_INFORMATION target;
    if (!FollowedInformation(path, target)) {
      s.size = ~3ull;
    } else if (d.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) {
      s = FolderLinkStamp(target);
    } else if (const std::optional<FileStamp> file = RegularStamp(target)) {
      s = *file;
    } else {
      s.size = ~3ull;
    }
  }
  return s;
}

std::uint64_t FileTimeNow() {
  // 1601-01-01 to 1970-01-01 in 100 ns steps.
  constexpr std::uint64_t kEpochDelta = 116444736000000000ull;
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kEpochDelta +
         static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count()) * 10;
}

std::string_view Remembered::fields() const {
  // Before the sum and the line's end.
  return std::string_view(text).substr(fieldsAt, text.size() - fieldsAt - kSumSize - 1);
}

std::optional<std::vector<std::string>> CheckMemory::find(const std::string& path, const FileStamp& st) const {
  parsePending();
  auto it = entries_.find(path);
  if (it == entries_.end() || !(it->second.stamp == st)) return std::nullopt;
  std::vector<std::string> fields;
  const std::string_view line = it->second.fields();
  if (line.empty()) return fields;
  if (line[0] != '\t' || !Fields(line.substr(1), fields)) return std::nullopt;
  return fields;
}

void CheckMemory::append(std::string& line, std::string_view field) {
  line += '\t';
  EscapeInto(line, field);
}

void CheckMemory::appendEach(std::string& line, std::string_view names) {
  // One pass over all the names: a '\0' ends a field, the next one starts.
  if (names.empty()) return;
  line.reserve(line.size() + names.size() + names.size() / 8 + 1);
  line += '\t';
  size_t from = 0;
  for (size_t i = NextEscaped<true>(names, 0); i < names.size(); i = NextEscaped<true>(names, from)) {
    line.append(names, from, i - from);
    const char c = names[i];
    from = i + 1;
    if (c == '\0') {
      if (from < names.size()) line += '\t';
    } else {
      line += '\\';
      line += EscapeLetter(c);
    }
  }
  line.append(names, from, std::string_view::npos);
}

std::string CheckMemory::header() { return kHeader; }

std::string CheckMemory::fileLine(std::string_view text) {
  std::string out(text);
  EndLine(out, 0);
  return out;
}

void CheckMemory::put(const std::string& path, const FileStamp& st, const std::vector<std::string>& fields,
                      std::uint64_t now) {
  std::string line;
  for (const std::string& f : fields) append(line, f);
  putEntry(path, entry(path, st, line), now);
}

Remembered CheckMemory::entry(const std::string& path, const FileStamp& st, std::string_view fields) {
  Remembered r;
  r.stamp = st;
  std::string& t = r.text;
  t.reserve(48 + path.size() + path.size() / 8 + fields.size() + kSumSize + 1);
  AppendDigits(t, st.size);
  AppendNumber(t, st.time);
  t += '\t';
  EscapeInto(t, path);
  r.fieldsAt = t.size();
  t += fields;
  EndLine(t, 0);
  return r;
}

void CheckMemory::putEntry(std::string path, Remembered e, std::uint64_t now) {
  parsePending();
  // A file written within the clock's step of now may change again with
  // the same stamp: it is read again next time.
  if (e.stamp.time + kRacyWindow > now) {
    entries_.erase(path);
    return;
  }
  entries_.insert_or_assign(std::move(path), std::move(e));
}

std::string CheckMemory::save() const {
  parsePending();
  // The files' lines go in the map's order: nothing reads them in another,
  // and sorting thousands of long paths cost as much as making the text.
  size_t size = 64;
  for (const auto& [path, e] : entries_) size += e.text.size();
  if (verdict_) {
    size += verdict_->signature.size() * 2;
    for (const auto& [path, st] : verdict_->depends) size += path.size() * 2 + 44;
    for (const std::string& f : verdict_->report) size += f.size() * 2 + 1;
  }
  std::string out;
  out.reserve(size);
  out = kHeader;
  out += '\n';
  if (verdict_) {
    // First, so that a check that keeps it reads no further: "*", the
    // signature, the count of paths, then path, size and time of each, then
    // the report's fields.
    const size_t from = out.size();
    out += '*';
    append(out, verdict_->signature);
    AppendNumber(out, verdict_->depends.size());
    for (const auto& [path, st] : verdict_->depends) {
      append(out, path);
      AppendNumber(out, st.size);
      AppendNumber(out, st.time);
    }
    for (const std::string& f : verdict_->report) append(out, f);
    EndLine(out, from);
  }
  for (const auto& [path, e] : entries_) out += e.text;
  return out;
}

void CheckMemory::load(std::string_view text) {
  pendingFile_.clear();
  entries_.clear();
  pending_.clear();
  verdict_.reset();
  size_t at = text.find('\n');
  if (at == std::string::npos || text.compare(0, at, kHeader) != 0) return;
  ++at;
  if (text.compare(at, 2, "*\t") == 0) {
    const size_t end = text.find('\n', at);
    const std::optional<std::string_view> summed =
        end == std::string_view::npos ? std::nullopt : Summed(text.substr(at, end - at));
    const std::string_view line = summed ? summed->substr(2) : std::string_view();
    // Read field by field: the paths are tens of thousands.
    size_t f = 0;
    bool more = true;
    const auto next = [&](std::string_view& field) {
      if (!more) return false;
      const size_t tab = line.find('\t', f);
      field = line.substr(f, tab == std::string_view::npos ? std::string_view::npos : tab - f);
      more = tab != std::string_view::npos;
      f = tab + 1;
      return true;
    };
    std::string_view field;
    Verdict v;
    std::uint64_t n = 0;
    bool whole = summed && next(field) && Unescape(field, v.signature) && next(field) && Number(field, n);
    // Never more than the line can hold (three tabs and two digits each): a
    // damaged count reserves nothing large.
    if (whole) v.depends.reserve(static_cast<size_t>(std::min<std::uint64_t>(n, line.size() / 5 + 1)));
    for (std::uint64_t k = 0; whole && k < n; ++k) {
      // Each path unescaped into its place.
      auto& [path, st] = v.depends.emplace_back();
      std::string_view size, time;
      whole = next(field) && Unescape(field, path) && next(size) && Number(size, st.size) && next(time) &&
              Number(time, st.time);
    }
    while (whole && next(field)) {
      v.report.emplace_back();
      whole = Unescape(field, v.report.back());
    }
    if (whole) verdict_ = std::move(v);
    at = end == std::string_view::npos ? text.size() : end + 1;
  }
  pending_ = text.substr(at);
}

void CheckMemory::loadFile(const std::string& path) {
  load(std::string());
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_DEVICE)))
    return;
  platform::FileHandle f(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) return;
  // The header and the verdict's line: read in growing steps until both end.
  std::string text;
  size_t lines = 0, second = std::string::npos;
  for (size_t step = 1 << 16;; step *= 2) {
    const size_t before = text.size();
    text.resize(before + step);
    win::DWORD got = 0;
    if (!win::ReadFile(f.get(), text.data() + before, static_cast<win::DWORD>(step), &got, nullptr)) return;
    text.resize(before + got);
    // Only the bytes just read are looked at for the lines' ends.
    for (size_t at = before; lines < 2 && (at = text.find('\n', at)) != std::string::npos; ++at)
      if (++lines == 2) second = at;
    if (lines >= 2 || got == 0) break;
  }
  if (second == std::string::npos) {
    load(text);  // the whole file was read
    return;
  }
  load(std::string_view(text).substr(0, second + 1));  // the line after the header may be a file's: kept pending
  pendingFile_ = path;
  pendingAt_ = second + 1;
}

void CheckMemory::parsePending() const {
  if (!pendingFile_.empty()) {
    // The rest of the file, read now that it is needed.
    const std::string path = std::move(pendingFile_);
    pendingFile_.clear();
    if (std::optional<std::string> all = ReadFileStart(path, size_t{1} << 30); all && all->size() > pendingAt_)
      pending_ += all->substr(pendingAt_);
  }
  if (pending_.empty()) return;
  const std::string text = std::move(pending_);
  pending_.clear();
  size_t at = 0;
  std::string path;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // a last line cut short: dropped
    const std::string_view whole(text.data() + at, end + 1 - at);
    const std::optional<std::string_view> summed = Summed(whole.substr(0, whole.size() - 1));
    at = end + 1;
    if (!summed) continue;
    const std::string_view line = *summed;
    // Size, time and path; the fields after them are kept as written and
    // read when asked for.
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string_view::npos) continue;
    const size_t t3 = std::min(line.find('\t', t2 + 1), line.size());
    Remembered r;
    if (!Number(line.substr(0, t1), r.stamp.size) || !Number(line.substr(t1 + 1, t2 - t1 - 1), r.stamp.time) ||
        !Unescape(line.substr(t2 + 1, t3 - t2 - 1), path))
      continue;
    r.text = whole;  // kept as the file holds it, written back so
    r.fieldsAt = t3;
    entries_[path] = std::move(r);
  }
}

}  // namespace orvella::check
