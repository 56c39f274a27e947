// Files as the program reads and writes them: whole-file reads and safe
// whole-file writes through the platform layer, and a line-oriented text
// reader with the run-time's free-format number reading.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi.h"

namespace orvella {

// Reads a whole file; raises EInOutError (2 "Fichier introuvable", 5 "Accès
// au fichier refusé", ...) when it cannot be opened or read.
std::string ReadWholeFile(const std::string& path);

// Writes bytes to path safely: into a new file beside it, flushed, then
// renamed over the old one, so that a failure part way leaves the previous
// file whole. A read-only target is refused like the run-time refuses to
// rewrite it. Raises EInOutError ("Disque plein", "Accès au fichier refusé", ...).
void WriteFileSafely(const std::string& path, const std::string& bytes, bool followLink = true);
// The same write, answering the system's error code (0 once the file is
// replaced) for callers that report a failure in their own words. A copy
// that may be lost to a power cut (durable false) is not forced to the disk
// before it replaces the old file: it is still whole or absent, never torn
// by a failure of the program. A path that is a link to a file is written
// where it leads, and the link stays, when followLink is set; backups, whose
// names are the program's own, set it false: a link in a backup's place is
// replaced, never written through.
win::DWORD ReplaceFileContents(const std::string& path, const std::string& bytes, bool durable = true,
                               bool followLink = true);

// The lines of a text file, split at LF with a CR before it dropped; a final
// line end adds no empty line. crlf, when given, tells whether any line ended
// with CR LF.
std::vector<std::string> SplitLines(std::string_view text, bool* crlf = nullptr);

class TextReader {
 public:
  explicit TextReader(std::string text) : text_(std::move(text)) {}

  bool eof() const { return pos_ >= text_.size(); }
  // Free-format integer: blanks, tabs and line ends skipped, the token runs
  // to the next blank, tab or line end; a missing number reads as 0; a token
  // that is not a decimal integer raises EInOutError 106.
  long long readInt();
  // The rest of the current line (the line end is not consumed).
  std::string readLine();
  // One character; at a line end or the end of the file answers '\r' / '\x1a'
  // without consuming a line end.
  char readChar();
  // Drops what is left of the current line and its line end.
  void skipLine();

 private:
  bool atLineEnd() const { return !eof() && (text_[pos_] == '\r' || text_[pos_] == '\n'); }
  std::string text_;
  size_t pos_ = 0;
};

}  // namespace orvella
