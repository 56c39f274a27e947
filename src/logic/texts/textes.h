// Texts and translation: the text catalogue of keyed French texts and the
// language file beside the executable that replaces them, together with the
// captions of the windows.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "logic/core/form.h"

namespace orvella {

// A text entry: its key in the language file and its current text.
struct TTraduc {
  std::string key;
  std::string text;
};

// The process-wide text entries, each holding its French default (in the
// ANSI code page) until a window's translation replaces it.
struct Catalogue {
  // Entries of the main window, in the order it passes them (0 to 23).
  TTraduc AjouteXPlane, ErreurXPlane, XPlaneDejaLa, OterXPlane, XPlaneAbsent, EntrerNomGroupe, EntrerNomSousGrp,
      NonGerees, AjouteScene, ErreurScene, ErreurNoLnk, OteScene, OteGroupe, OteElemSel, ConfirmeOteScene,
      ConfirmeOteGroupe, ConfirmeOteElemSel, InstLesScenes, DesinsLesScenes, InstLaScene, DesinsLaScene, ErrGetVolInfo,
      MasqueBtns, MontreBtns;
  // Entry of the library dialog.
  TTraduc AjoutBiblio;

  Catalogue();
  // Entries 0 to 23, as the main window translates them.
  std::vector<TTraduc*> mainWindowEntries();
  // All 25 entries, the main window's then the library dialog's.
  std::vector<TTraduc*> all();
};

// The catalogue of this process.
Catalogue& Textes();
// Puts every entry back to its French default (tests).
void ResetTextes();

// The language file in use: the one LanguageFilePath() finds for the running
// executable and the user's interface language. Tests and the companion
// programs (orvella-check) may point it elsewhere; an empty override restores
// the default.
std::string LanguageFileInUse();
void SetLanguageFileOverride(const std::string& path);
// For the companion programs (orvella-check, dm3conv): the language file that
// the orvella program beside them reads.
void UseLanguageFileOfOrvella();

// The translated text of key in section, or the empty text when the language
// file gives none. "\n" becomes one carriage return; keys starting with "rg"
// or "gb" get one blank at each end of a non-empty text.
std::string LitTexte(const std::string& section, const std::string& key);

// Translates a window: its caption, the text of every control and menu item
// found in the section named after the window, and the given entries.
// An empty translation never changes anything.
void TraduitEcran(Form& window, const std::vector<TTraduc*>& entries);

// Every other text the program shows: a keyed entry of the catalogue, in the
// section of the window (or program) that shows it, with its French default.
// The language file replaces it by the same rules as the entries above.
struct TextDefault {
  const char* section;
  const char* key;
  const char* french;  // UTF-8
};
// The whole table, section by section (the key lists and the shipped files
// are checked against it).
std::span<const TextDefault> ProgramTexts();

// The current text of key in section (ANSI): the language file's when it
// gives one, else the French default. A key the table lacks answers the key
// itself, so that a misspelt key shows at once. Safe from any thread.
std::string Text(std::string_view section, std::string_view key);
// The same with each "%s" replaced by the next argument.
std::string Text(std::string_view section, std::string_view key, std::initializer_list<std::string> args);
// Forgets the translations read so far: the next Text() reads the language
// file again (a window's creation does so, as for its own captions).
void ForgetTranslations();

}  // namespace orvella
