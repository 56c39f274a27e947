// ASCII-only text helpers: case folding of A-Z, and numbers written the way
// the program writes them into its files.
#pragma once

#include <string>
#include <string_view>

namespace orvella {

// ASCII case folding of A-Z only; other bytes unchanged.
std::string FoldAsciiCase(std::string_view s);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
// Whether FoldAsciiCase(a) < FoldAsciiCase(b), without making either.
bool LessAsciiNoCase(std::string_view a, std::string_view b);

// Text formatting in the way the program writes numbers.
std::string IntToStr(long long v);
std::string UIntToStr(unsigned long long v);
// Upper-case hexadecimal with at least `digits` digits.
std::string IntToHex(unsigned long long v, int digits);

}  // namespace orvella
