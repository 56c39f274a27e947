// One line of the scenery order as the user is shown it before it is written.
#pragma once

#include <string>

namespace orvella {

struct OrderLine {
  std::string name;       // the pack as the user knows it (ANSI)
  std::string kind;       // its kind, as shown (ANSI)
  std::string airports;   // for airports, their codes ("LFPG, LFPB"); else empty
  bool disabled = false;  // kept disabled in the file
  bool handSet = false;   // the kind was set by hand
  int group = 0;          // the kind's place in the order (0 top), for colours
  std::string reason;     // why the kind is unknown (ANSI), else empty
};

}  // namespace orvella
