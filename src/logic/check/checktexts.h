// Every text the scenery check shows: the catalogue's section "OrvellaCheck"
// (the report as orvella-check prints it and the window shows its sections).
#pragma once

#include <initializer_list>
#include <string>

namespace orvella::check {

// The text of key (ANSI); an unknown key answers the key itself.
std::string CheckText(const char* key);
// The text of key with each "%s" replaced by the next argument (ANSI).
std::string CheckText(const char* key, std::initializer_list<std::string> args);

}  // namespace orvella::check
