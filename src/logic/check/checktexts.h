// Every text the scenery check shows, in one keyed table: the French
// default, replaced by the language file's section "OrvellaCheck" when it
// gives the key.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace orvella::check {

// The text of key (ANSI); an unknown key answers the key itself.
std::string CheckText(const char* key);
// The text of key with each "%s" replaced by the next argument (ANSI).
std::string CheckText(const char* key, std::initializer_list<std::string> args);
// Every key of the table (tests, translators).
std::vector<std::string> CheckTextKeys();

}  // namespace orvella::check
