// What earlier checks read from the files of an installation, kept between
// checks: each DSF, library.txt and apt.dat by its path, with the stamp of
// the file itself (size and modification time). A file is read again when
// its stamp differs; a file changed so recently that a later change could
// leave the same stamp is not remembered at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/winapi.h"

namespace orvella::check {

// A file's stamp; nothing for a path that is no regular file.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t time = 0;  // modification time, 100 ns since 1601
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of the regular file at path (through a link, of the file it
// leads to).
std::optional<FileStamp> StampOf(const std::string& path);
// The stamp of a file as it was opened (see ReadDsfPrefix); nothing when it
// was not.
std::optional<FileStamp> StampOf(const win::BY_HANDLE_FILE_INFORMATION& opened);
// The stamp of a regular file as a search found it; nothing for a folder.
std::optional<FileStamp> StampOf(const win::WIN32_FIND_DATAA& found);

// What is kept of one file: its stamp, and its line as the memory's file
// holds it (made once, where the file was read, and written as it stands).
struct Remembered {
  FileStamp stamp;
  std::string text;     // size, time, path, the fields, the sum and the line's end
  size_t fieldsAt = 0;  // where the fields start, each after a tab, escaped
  std::string_view fields() const;
};

class CheckMemory {
 public:
  // The facts of path when its stamp is still st.
  std::optional<std::vector<std::string>> find(const std::string& path, const FileStamp& st) const;
  // Whether anything is kept of path, whatever its stamp.
  bool knows(const std::string& path) const {
    parsePending();
    return entries_.count(path) != 0;
  }
  // Keeps facts read at the time now (100 ns since 1601): a stamp younger
  // than two seconds is not trusted.
  void put(const std::string& path, const FileStamp& st, const std::vector<std::string>& fields, std::uint64_t now);
  // What put keeps of path, its fields already joined by append(): made on
  // any thread, kept by putEntry.
  static Remembered entry(const std::string& path, const FileStamp& st, std::string_view fields);
  void putEntry(std::string path, Remembered e, std::uint64_t now);
  static void append(std::string& line, std::string_view field);
  // Each name of names (each ended by '\0') as a field of its own.
  static void appendEach(std::string& line, std::string_view names);
  // The file's first line, and a line of it as the file holds it: the
  // text, its sum and its end (a line whose sum does not match is dropped).
  static std::string header();
  static std::string fileLine(std::string_view text);
  size_t size() const {
    parsePending();
    return entries_.size();
  }
  int reads = 0;  // files read rather than remembered, this check

  // The verdict of the last whole check: valid while the packs are the same
  // (signature) and every path it depended on keeps its stamp.
  struct Verdict {
    std::string signature;
    std::vector<std::pair<std::string, FileStamp>> depends;
    std::vector<std::string> report;
  };
  const Verdict* verdict() const { return verdict_ ? &*verdict_ : nullptr; }
  void setVerdict(std::optional<Verdict> v) { verdict_ = std::move(v); }

  std::string save() const;
  void load(std::string_view text);
  // Frees all it keeps; the count of files read stays.
  void forget() { load(std::string_view()); }
  // The same from a file: only its first lines are read now (the verdict);
  // the files' lines when first needed. A file that cannot be read is an
  // empty memory.
  void loadFile(const std::string& path);

 private:
  // The files' lines are read only when first needed: a check that keeps
  // the verdict never needs them.
  void parsePending() const;
  mutable std::string pending_;
  mutable std::string pendingFile_;  // the file whose lines after pendingAt_ are still unread
  mutable size_t pendingAt_ = 0;
  mutable std::unordered_map<std::string, Remembered> entries_;
  std::optional<Verdict> verdict_;
};

// The size a folder's stamp holds in place of one (its time is the folder's).
inline constexpr std::uint64_t kFolderStampSize = ~1ull;
// The mark of a link to a folder's stamp: its size holds this bit and the
// identity of the folder it leads to, its time that folder's.
inline constexpr std::uint64_t kFolderLinkStamp = 1ull << 63;

// The stamp a link to a folder has (see PathStampOf), from what it leads to.
FileStamp FolderLinkStamp(const win::BY_HANDLE_FILE_INFORMATION& target);
inline bool IsFolderLinkStamp(const FileStamp& st) { return st.size >> 62 == 2; }

// The stamp of a file, of a folder (its time, changed when an entry comes or
// goes; through a link, the time of the folder it leads to and which folder
// that is), or a mark for a path that does not exist.
FileStamp PathStampOf(const std::string& path);

// The current time as file times count it.
std::uint64_t FileTimeNow();

}  // namespace orvella::check
