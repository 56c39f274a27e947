// 8-bit texts in the ANSI code page: conversion from and to UTF-8, length
// and cuts in characters, names the system could not give. The code page is the system's on Windows (Windows-1252 for
// the program's French users) and UTF-8 on the other systems.
#pragma once

#include <string>
#include <string_view>

namespace orvella {

// Converts UTF-8 source text to the ANSI code page. Used for the program's
// own literals (the French defaults); a character the code page cannot hold
// becomes '?'.
std::string Ansi(std::string_view utf8);
// Converts ANSI text to UTF-8 (for logs and tests).
std::string Utf8FromAnsi(std::string_view ansi);

// The length of an ANSI text in characters as Windows counts them (UTF-16
// units), not in bytes.
size_t AnsiLength(std::string_view ansi);
// The first `bytes` bytes of an ANSI text or fewer: never half a character
// of a multi-byte code page.
std::string AnsiPrefix(std::string_view ansi, size_t bytes);
// Whether a name the system gave can be used as it stands: the system puts a
// '?' (never valid in a Windows name) for each character the ANSI code page
// cannot hold, and the POSIX backend for each byte that is not UTF-8.
bool NameIsRepresentable(std::string_view name);

}  // namespace orvella
