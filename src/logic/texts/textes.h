// Texts and translation: the text catalogue of keyed French texts and the
// language file beside the executable that replaces them, together with the
// captions of the windows.
#pragma once

#include <string>
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

// The language file: the executable's path with the extension ".lng", or
// the file of that name in the user's configuration folder when none lies
// beside the executable (the path LanguageFilePath(exePath) gives).
// Tests may point it elsewhere; an empty override restores the default.
std::string LanguageFilePath();
void SetLanguageFileOverride(const std::string& path);

// The translated text of key in section, or the empty text when the language
// file gives none. "\n" becomes one carriage return; keys starting with "rg"
// or "gb" get one blank at each end of a non-empty text.
std::string LitTexte(const std::string& section, const std::string& key);

// Translates a window: its caption, the text of every control and menu item
// found in the section named after the window, and the given entries.
// An empty translation never changes anything.
void TraduitEcran(Form& window, const std::vector<TTraduc*>& entries);

}  // namespace orvella
