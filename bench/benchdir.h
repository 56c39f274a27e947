// Real temporary folders for the benchmarks, made once and removed at exit.
#pragma once

#include <filesystem>
#include <string>

namespace orvella::bench {

// A fresh folder below the system's temporary folder.
std::filesystem::path MakeTempFolder(const std::string& tag);
// Removes every folder made by MakeTempFolder (links are removed as links).
void RemoveTempFolders();
// The program's Windows path of a host path.
std::string Win(const std::filesystem::path& host);

}  // namespace orvella::bench
