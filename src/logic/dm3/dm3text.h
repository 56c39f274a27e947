// Number texts of the DM3 tag tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvella::dm3 {

// The general float format: at most 15 significant digits, no trailing
// zeros, decimalSeparator before the fraction, and the scientific form
// (mantissa, "E", exponent without plus sign or leading zeros) below 0.00001
// or above 15 integer digits. NaN and infinities read "NAN", "INF", "-INF".
std::string FloatToStrGeneral(double value, char decimalSeparator);

// The decimal separator of the user's locale (platform::UserDecimalSeparator).
char LocaleDecimalSeparator();

// Reads a 32-bit integer the way the run-time's StrToInt does: leading blanks
// skipped, an optional sign, decimal digits or "$"/"0x" hexadecimal, nothing
// after. Empty when the text is not such an integer or is out of range.
std::optional<std::int32_t> ParseInteger(std::string_view text);

}  // namespace orvella::dm3
