#include "logic/check/librarytxt.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace orvella::check {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits off the next blank-separated word of rest.
std::string_view Word(std::string_view& rest) {
  size_t i = 0;
  while (i < rest.size() && Blank(rest[i])) ++i;
  size_t j = i;
  while (j < rest.size() && !Blank(rest[j])) ++j;
  const std::string_view w = rest.substr(i, j - i);
  rest.remove_prefix(j);
  return w;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

struct Keyword {
  std::string_view word;
  ExportKind kind;
  int leading;  // words before the virtual path (ratio, season)
};
constexpr Keyword kExports[] = {
    {"EXPORT", ExportKind::Export, 0},
    {"EXPORT_EXTEND", ExportKind::Extend, 0},
    {"EXPORT_EXCLUDE", ExportKind::Exclude, 0},
    {"EXPORT_BACKUP", ExportKind::Backup, 0},
    {"EXPORT_RATIO", ExportKind::Ratio, 1},
    {"EXPORT_SEASON", ExportKind::Season, 1},
    {"EXPORT_EXTEND_SEASON", ExportKind::ExtendSeason, 1},
    {"EXPORT_EXCLUDE_SEASON", ExportKind::ExcludeSeason, 1},
};
constexpr std::string_view kOthers[] = {"REGION_DEFINE", "REGION_RECT", "REGION_BITMAP", "REGION_DREF",    "REGION",
                                        "PUBLIC",        "PRIVATE",     "DEPRECATED",    "SEMI_DEPRECATED"};

}  // namespace

void MakeVirtual(std::string& s, size_t from) {
  char* const p = s.data();
  const size_t n = s.size();
  const auto turn = [p](size_t i) {
    if (p[i] == '\\' || p[i] == ':') p[i] = '/';
  };
#ifdef __SSE2__
  // Sixteen bytes at a time where the processor can: most paths hold neither.
  const __m128i backslash = _mm_set1_epi8('\\'), colon = _mm_set1_epi8(':');
  for (; from + 16 <= n; from += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, colon))) != 0)
      for (size_t i = from; i < from + 16; ++i) turn(i);
  }
#endif
  for (; from < n; ++from) turn(from);
}

std::string VirtualPath(std::string_view path) {
  std::string out(path);
  MakeVirtual(out);
  return out;
}

std::string_view LibraryNames::add(std::string_view path, bool virtualPath) {
  std::string& n = *names_;
  if (n.size() + path.size() > n.capacity()) throw std::length_error("library names beyond their room");
  const size_t at = n.size();
  n += path;
  if (virtualPath) MakeVirtual(n, at);
  return std::string_view(n).substr(at);
}

bool PlainRelative(std::string_view path) {
  // No separator to turn, no empty, "." or ".." part (those make "//" or
  // "./", or end the path with '/' or '.'): one pass tells.
  bool plain = !path.empty() && path.front() != '/' && path.back() != '/' && path.back() != '.';
  for (size_t i = 0; plain && i < path.size(); ++i) {
    const char c = path[i];
    plain = c != '\\' && c != ':' && !(c == '/' && (path[i - 1] == '/' || path[i - 1] == '.'));
  }
  return plain;
}

std::string PackRelative(std::string_view path) {
  if (PlainRelative(path)) return std::string(path);
  const std::string p = VirtualPath(path);
  if (p.empty() || p[0] == '/') return {};
  std::vector<std::string_view> parts;
  std::string_view rest(p);
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return {};  // above the pack
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string_view part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

LibraryFile ParseLibrary(std::string_view text) {
  LibraryFile f;
  // Every name kept is at most the words it comes from: the text's size is
  // room enough.
  LibraryNames names(text.size());
  // A line of an export is rarely shorter than this; a file of another kind
  // reserves no more than a large library needs.
  f.exports.reserve(std::min<size_t>(text.size() / 48, 1 << 14));
  int header = 0;  // lines of the header met so far
  int number = 0;
  std::string_view region;
  bool privateMode = false;
  bool deprecated = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    std::string_view rest = line;
    const std::string_view word = Word(rest);
    if (word.empty() || word[0] == '#') continue;  // blank, or a comment line
    if (header < 3) {
      // "A" or "I" (the line ends of the file's maker), a version, "LIBRARY".
      const bool ok = header == 0   ? (word == "A" || word == "I")
                      : header == 1 ? std::strtol(std::string(word).c_str(), nullptr, 10) > 0
                                    : word == "LIBRARY";
      if (!ok) {
        names.give(f);
        return f;
      }
      if (++header == 3) f.valid = true;
      continue;
    }
    const Keyword* k = nullptr;
    if (word.substr(0, 6) == "EXPORT")
      for (const Keyword& e : kExports)
        if (word == e.word) k = &e;
    if (k) {
      for (int i = 0; i < k->leading; ++i) Word(rest);
      const std::string_view virt = Word(rest);
      const std::string_view real = Trim(rest);  // the real path may hold blanks
      if (virt.empty() || real.empty()) {
        ++f.unknown;
        continue;
      }
      LibraryExport e;
      e.kind = k->kind;
      if (PlainRelative(real)) {
        e.realPath = names.add(real);
      } else {
        const std::string relative = PackRelative(real);
        if (relative.empty()) {
          ++f.climbing;
          continue;
        }
        e.realPath = names.add(relative);  // never longer than real
      }
      e.virtualPath = names.add(virt, true);
      e.region = region;
      e.privateExport = privateMode;
      e.deprecated = deprecated;
      e.line = number;
      f.exports.push_back(std::move(e));
      continue;
    }
    if (word == "REGION_DEFINE") {
      f.regions.emplace_back(Word(rest));
    } else if (word == "REGION") {
      const std::string_view r = Word(rest);
      region = r == "all" ? std::string_view() : names.add(r);
    } else if (word == "PUBLIC") {
      privateMode = false;
      deprecated = false;
    } else if (word == "PRIVATE") {
      privateMode = true;
    } else if (word == "DEPRECATED" || word == "SEMI_DEPRECATED") {
      deprecated = true;
    } else {
      bool known = false;
      for (const std::string_view o : kOthers) known = known || word == o;
      if (!known) ++f.unknown;
    }
  }
  names.give(f);
  return f;
}

}  // namespace orvella::check
