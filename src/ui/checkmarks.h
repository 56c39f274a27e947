// The problems a scenery check found, by pack: what the trees mark over a
// scene's state image and list in its tooltip. A pack is found by its
// folder (the case of A-Z aside) or, failing that, by its name in the
// scenery folder.
#pragma once

#include <QStringList>

#include <map>
#include <string>

#include "logic/check/scenerycheck.h"

namespace orvella::ui {

class CheckMarks {
 public:
  // Takes the problems of a report (replacing the previous ones); a
  // cancelled report changes nothing.
  void set(const check::Report& report);
  void clear();
  bool empty() const { return byFolder_.empty() && byName_.empty(); }

  // The problems of the pack at folder, or named name; empty when none.
  QStringList problemsOf(const std::string& folder, const std::string& name) const;

 private:
  void add(const check::Report& report, const std::string& packName, const QString& line);

  std::map<std::string, QStringList> byFolder_;  // by folded folder
  std::map<std::string, QStringList> byName_;    // by folded name in the scenery folder
};

// The words of a reason, with the folder that provides the reference: the
// engine's, as the command-line check prints them.
QString ReasonText(check::Reason reason, const std::string& provider);

}  // namespace orvella::ui
