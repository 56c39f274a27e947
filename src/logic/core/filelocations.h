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

// The user's interface language as a two-letter code: "en", "de" or "fr"
// (the languages the program has texts for), else empty. Windows answers the
// language of its interface; elsewhere the locale's (LC_ALL, LC_MESSAGES,
// LANG), and C or POSIX name none.
std::string UserInterfaceLanguage();

// The language file for the executable at exePath and the interface
// language: the one beside the executable (its name with ".lng") when it is
// there, else the one of that name in DossierConfiguration(), else for
// English and German the file shipped with the program ("orvella-en.lng"
// beside the executable, or in ../share/orvella), else the path beside the
// executable, which then holds none and leaves the French texts.
std::string LanguageFilePath(const std::string& exePath, const std::string& language);

}  // namespace orvella
