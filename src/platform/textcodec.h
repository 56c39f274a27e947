// Text conversions the platform layer needs on every system: Windows-1252
// (the code page of files written by earlier versions and of Windows
// machines) and UTF-8/UTF-16 (the ANSI code page of the POSIX backend), with
// the same rules as the system's converters: a character that 1252 cannot
// hold becomes '?', a broken UTF-8 or UTF-16 sequence becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::text {

// The Unicode character of a Windows-1252 byte. The five bytes that 1252
// leaves undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same
// value, as the system's table does.
char16_t FromCp1252(unsigned char b);
// The 1252 byte of a Unicode character, or -1 when 1252 cannot hold it.
int ToCp1252(char32_t c);

// Decodes one UTF-8 character at s[i], advancing i. Broken sequences
// (overlong forms, surrogates, truncated or stray bytes) give U+FFFD and
// advance by one byte; `bad` is set when that happens.
char32_t DecodeUtf8(std::string_view s, size_t& i, bool* bad = nullptr);
void AppendUtf8(std::string& out, char32_t c);
void AppendUtf16(std::u16string& out, char32_t c);
// Decodes one UTF-16 character at s[i], advancing i; a lone surrogate gives U+FFFD.
char32_t DecodeUtf16(std::u16string_view s, size_t& i, bool* bad = nullptr);

// Whether the bytes are well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view s);
// The text with every byte that is not part of a well-formed UTF-8
// sequence replaced by `replacement`.
std::string ReplaceBrokenUtf8(std::string_view s, char replacement);
// The longest length up to n at which s can be cut without splitting a
// UTF-8 sequence (n itself when s[n] starts a character or n >= size).
size_t Utf8CutLength(std::string_view s, size_t n);

std::string Cp1252ToUtf8(std::string_view ansi);
// Characters that 1252 cannot hold become '?'; `lossy` tells whether any did.
std::string Utf8ToCp1252(std::string_view utf8, bool* lossy = nullptr);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// The length in UTF-16 units of the text Utf8ToUtf16 makes of utf8, without
// making it (the measure of Windows' path limits).
size_t Utf16Length(std::string_view utf8);
std::u16string Cp1252ToUtf16(std::string_view ansi);
std::string Utf16ToCp1252(std::u16string_view utf16, bool* lossy = nullptr);

// Simple case folding for the characters file names and keys meet in
// practice: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic basics.
char32_t FoldCase(char32_t c);
// Case-insensitive equality of two UTF-8 texts (character by character).
bool EqualNoCaseUtf8(std::string_view a, std::string_view b);
// Case folding of one 1252 byte (A-Z, À-Þ except ×, Š, Œ, Ž, Ÿ).
unsigned char FoldCp1252(unsigned char b);

}  // namespace platform::text
