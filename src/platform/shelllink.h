// A reader of shortcut files in the published Shell Link binary format
// (MS-SHLLINK): what IShellLinkA::GetPath with SLGP_UNCPRIORITY answers,
// from the LinkInfo structure. Compiled on every platform; every read is
// bounds-checked, and anything unreadable gives the empty text.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The target path (ANSI) stored in a shortcut's bytes: the network path
// (share name and common suffix) when there is one, else the local base
// path followed by the common suffix; the Unicode forms are preferred when
// the LinkInfo carries them. Empty for anything else.
std::string ParseShellLink(const void* data, std::size_t size);

}  // namespace platform
