// What the fuzz targets share: a scratch folder of their own (the DM3 reader
// writes its tag dump into the current directory; the settings file is read
// from a file), removed when the run ends normally.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/winapi.h"

namespace orvella::fuzz {

// Host path of the scratch folder, made on first use: in memory when
// /dev/shm is there, so that the file traffic of each run costs little.
inline const std::filesystem::path& ScratchHost() {
  static const std::filesystem::path dir = [] {
    std::string pattern =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm/orvella-fuzz-XXXXXX" : "/tmp/orvella-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchHost(), ec);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

// The program's (Windows) path of a file of the scratch folder.
inline std::string ScratchWin(const std::string& name) {
  const std::string host = (ScratchHost() / name).string();
  return platform::FromHostPath(std::u16string(host.begin(), host.end()));
}

}  // namespace orvella::fuzz
