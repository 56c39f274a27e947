// The program's INI reader: GetPrivateProfileStringA's rules for the
// language file, compiled on every platform so that it can be compared with
// the system's reader.
//
//  - "[name]" starts a section; "key = value" lines inside a section give
//    values; other lines are ignored, and so are values before any section.
//  - Section names and keys match without regard to letter case; the first
//    matching section, and in it the first matching key, count.
//  - The value is the text after the first "=", blanks (spaces, tabs)
//    trimmed at both ends; one pair of matching quotes (" or ') around it
//    is removed.
//  - At most size-1 characters are copied, then a zero; the answer is the
//    number of characters copied. A missing file, section or key gives the
//    default (without its trailing blanks).
//  - A null section lists the section names, a null key the keys of the
//    section: each name ends with a zero, the list with a second one.
//  - Bytes are taken as they stand (ANSI); a file that starts with a UTF-8
//    or UTF-16 byte-order mark is converted to the ANSI code page first.
#pragma once

#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace platform {

// GetPrivateProfileStringA over a file named by a Windows path.
win::DWORD ReadProfileString(const char* section, const char* key, const char* defaultValue, char* returned,
                             win::DWORD size, const char* fileName);
// The same over the bytes of a file already read (tests and fuzzers).
win::DWORD ReadProfileStringFromBytes(std::string_view bytes, const char* section, const char* key,
                                      const char* defaultValue, char* returned, win::DWORD size);

}  // namespace platform
