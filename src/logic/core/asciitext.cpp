#include "logic/core/asciitext.h"

#include <algorithm>
#include <cstdio>

namespace orvella {

namespace {
// A byte as FoldAsciiCase makes it, unsigned (as strings compare bytes).
unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}
}  // namespace

std::string FoldAsciiCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(Folded(c));
  return out;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

bool LessAsciiNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (Folded(a[i]) != Folded(b[i])) return Folded(a[i]) < Folded(b[i]);
  return a.size() < b.size();
}

std::string IntToStr(long long v) { return std::to_string(v); }
std::string UIntToStr(unsigned long long v) { return std::to_string(v); }

std::string IntToHex(unsigned long long v, int digits) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, v);
  return buf;
}

}  // namespace orvella
