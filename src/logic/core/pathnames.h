// The parts of a Windows path as the program splits them: the last
// component, the folder part, the extension. Separators are "\" and ":".
#pragma once

#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace orvella {

// The part of a path after its last "\" or ":" (empty when it ends with one).
std::string LastComponent(std::string_view path);
// Everything up to and including the last "\" or ":" (empty when there is none).
std::string FolderPart(std::string_view path);
// Replaces the extension of a file name (the part from the last dot that
// follows the last "\" or ":") by ext; appends ext when there is none.
std::string ChangeExtension(std::string_view path, std::string_view ext);
// The extension as above, with its dot; empty when there is none.
std::string ExtractExtension(std::string_view path);
// The full form of a path as the system gives it (GetFullPathNameA: doubled
// separators, "." and ".." resolved); empty on failure, error (when given)
// telling why.
std::string FullPathName(const std::string& path, win::DWORD* error = nullptr);
// The file a link at path leads to, in full form (GetFinalPathNameByHandleA,
// without its "\\?\"); path itself when it is no link to a file, or when
// what it leads to cannot be opened or named in the code page.
std::string LinkedFilePath(const std::string& path);
// What path names once every link on the way is followed, in full form as
// above (folder: path names a folder); empty when it cannot be opened or
// named in the code page.
std::string FinalPathName(const std::string& path, bool folder);

}  // namespace orvella
