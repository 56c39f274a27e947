// 8-bit texts in Windows-1252 and the small path helpers the program shares.
#pragma once

#include <string>
#include <string_view>

namespace orvella {

// Converts UTF-8 source text to Windows-1252 bytes. Used for the program's
// own literals (the French defaults); a character 1252 cannot hold becomes '?'.
std::string Ansi(std::string_view utf8);
// Converts Windows-1252 bytes to UTF-8 (for logs and tests).
std::string Utf8FromAnsi(std::string_view ansi);

// The part of a path after its last "\" or ":" (empty when it ends with one).
std::string LastComponent(std::string_view path);
// Everything up to and including the last "\" or ":" (empty when there is none).
std::string FolderPart(std::string_view path);
// Replaces the extension of a file name (the part from the last dot that
// follows the last "\" or ":") by ext; appends ext when there is none.
std::string ChangeExtension(std::string_view path, std::string_view ext);
// The extension as above, with its dot; empty when there is none.
std::string ExtractExtension(std::string_view path);

// ASCII case folding of A-Z only; other bytes unchanged.
std::string FoldAsciiCase(std::string_view s);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// Text formatting in the way the program writes numbers.
std::string IntToStr(long long v);
std::string UIntToStr(unsigned long long v);
// Upper-case hexadecimal with at least `digits` digits.
std::string IntToHex(unsigned long long v, int digits);

}  // namespace orvella
