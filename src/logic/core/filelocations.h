// Where the program keeps its settings file and finds its language file.
//
// The portable rule comes first: both files lie beside the executable and
// bear its name. An executable whose folder cannot be written (an installed
// program, /usr/local/bin or C:\Program Files) keeps its settings in the
// user's configuration folder instead, under the same file name.
#pragma once

#include <string>

namespace orvella {

// The program's folder inside the user's configuration folder, without a
// final backslash: %APPDATA%\Orvella on Windows, ~/.config/orvella (or
// $XDG_CONFIG_HOME/orvella) elsewhere. Empty when the system names none.
std::string DossierConfiguration();

// Whether a new file can be created in folder (tried with a probe file that
// is removed again): permissions, read-only volumes and missing folders all
// answer false.
bool DossierInscriptible(const std::string& folder);

// Creates folder and every missing parent. True when it exists afterwards.
bool CreeDossiers(const std::string& folder);

// The settings-file path for the executable at exePath: beside it when its
// folder can be written, else in DossierConfiguration(), which the caller
// creates before it writes (CreeDossiers). With no configuration folder at
// all, the path beside the executable.
std::string CheminParametres(const std::string& exePath);

// The language file: beside the executable when one is there, else the one
// in DossierConfiguration() when that exists, else the path beside the
// executable (which then holds none).
std::string CheminLangue(const std::string& exePath);

}  // namespace orvella
