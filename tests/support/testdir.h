// A real temporary folder for a test, removed again afterwards, with helpers
// that speak both host paths and the program's Windows paths.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace orvella::test {

class TestDir {
 public:
  TestDir();
  ~TestDir();
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;

  // Host path of the folder itself, or of rel below it ("a/b" or "a\\b").
  std::filesystem::path host(const std::string& rel = {}) const;
  // The program's (Windows, ANSI) path of rel below the folder, no trailing "\".
  std::string win(const std::string& rel = {}) const;

  // Makes a folder (and its parents); returns its Windows path.
  std::string mkdir(const std::string& rel) const;
  // Writes a file (parents made as needed); returns its Windows path.
  std::string file(const std::string& rel, const std::string& content = {}) const;
  // Makes a symbolic link at rel to the host path of targetRel (POSIX only;
  // on Windows the test is expected to use the program's junctions).
  std::string symlink(const std::string& rel, const std::string& targetRel) const;
  // Reads a whole file as bytes.
  std::string read(const std::string& rel) const;
  bool exists(const std::string& rel) const;
  bool isSymlink(const std::string& rel) const;

  // POSIX only: maps drive letters onto sub-folders of this folder (each made
  // as needed), keeping Z: = "/". The map is restored by the destructor.
  void mapDrives(const std::vector<std::pair<char, std::string>>& drives);

 private:
  std::filesystem::path root_;
  std::vector<platform::DriveMapping> savedMap_;
};

// The ANSI text of a UTF-8 literal (test data is written in UTF-8).
std::string A(const char* utf8);

// Folder holding the shared sample files, or empty when it is absent.
std::filesystem::path SharedDir();

}  // namespace orvella::test
