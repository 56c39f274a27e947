#include "logic/check/checktexts.h"

#include "logic/texts/textes.h"

namespace orvella::check {

std::string CheckText(const char* key) { return Text("OrvellaCheck", key); }

std::string CheckText(const char* key, std::initializer_list<std::string> args) {
  return Text("OrvellaCheck", key, args);
}

}  // namespace orvella::check
