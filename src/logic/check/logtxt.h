// X-Plane's Log.txt, read as a stream of lines (the file may be hundreds of
// megabytes): the version of its first line, the scenery errors tied back to
// their packs, and the load order the simulator printed.
#pragma once

#include <string>
#include <string_view>

#include "logic/check/scenerycheck.h"

namespace orvella::check {

class LogReader {
 public:
  // At most this many findings are kept; the others are only counted.
  static constexpr size_t kMaxFindings = 10000;

  // The next bytes of the file, cut anywhere.
  void feed(std::string_view bytes);
  // The end of the file: a last line without its line end is read.
  void finish();
  const LogReport& report() const { return report_; }
  LogReport take() { return std::move(report_); }

 private:
  void line(std::string_view line);
  std::string partial_;
  bool first_ = true;
  LogReport report_;
};

// The pack a path of the log names: the folder after "Custom Scenery/" or
// "Global Scenery/" (either separator), else "".
std::string PackOfLogPath(std::string_view path);

// Reads the log at path through a LogReader; a file that cannot be opened
// gives a report that was not read.
LogReport ReadLogFile(const std::string& path);

}  // namespace orvella::check
