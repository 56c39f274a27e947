// The process-wide texts for one test: every entry back to its French default,
// the language file pointed at a file of the test's own folder (one that need
// not exist), and both put back when the test ends.
#pragma once

#include <string>

#include "logic/texts/textes.h"

namespace orvella::test {

class LanguageFileScope {
 public:
  explicit LanguageFileScope(const std::string& path) {
    ResetTextes();
    SetLanguageFileOverride(path);
  }
  ~LanguageFileScope() {
    SetLanguageFileOverride({});
    ResetTextes();
  }
  LanguageFileScope(const LanguageFileScope&) = delete;
  LanguageFileScope& operator=(const LanguageFileScope&) = delete;
};

}  // namespace orvella::test
