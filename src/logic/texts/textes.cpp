#include "logic/texts/textes.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/filelocations.h"
#include "logic/core/pathnames.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
TTraduc Entry(const char* key, const char* frenchUtf8) { return TTraduc{key, Ansi(frenchUtf8)}; }

std::string& Override() {
  static std::string path;
  return path;
}

// The texts of the table as read so far, by section and key; read again
// after ForgetTranslations().
struct Translations {
  std::mutex lock;
  std::map<std::string, std::string, std::less<>> texts;
};
Translations& Read() {
  static Translations read;
  return read;
}

bool IsUtf8(std::string_view s) {
  return !s.empty() && win::MultiByteToWideChar(win::CP_UTF8, win::MB_ERR_INVALID_CHARS, s.data(),
                                                static_cast<int>(s.size()), nullptr, 0) > 0;
}

// A UTF-8 value on a system whose code page is not UTF-8 (Windows without the
// UTF-8 code page): the program's texts are in the code page. A value that
// is not UTF-8 was written in the code page and stays as it is.
std::string FromFileText(std::string value) {
  if (platform::AnsiIsUtf8() || std::all_of(value.begin(), value.end(), [](char c) { return (c & 0x80) == 0; }) ||
      !IsUtf8(value))
    return value;
  return Ansi(value);
}
}  // namespace

Catalogue::Catalogue()
    : AjouteXPlane(Entry("AjouteXPlane", "Sélectionnez le dossier d'installation de X-Plane.")),
      ErreurXPlane(Entry("ErreurXPlane", "Ce n'est pas un dossier X-Plane !")),
      XPlaneDejaLa(Entry("XPlaneDejaLa", "Cette installation d'X-Plane est déjà gérée !")),
      OterXPlane(Entry("OterXPlane", "Voulez-vous vraiment ne plus gérer cette version d'X-Plane ?")),
      XPlaneAbsent(
          Entry("XPlaneAbsent", "Ce dossier X-Plane n'existe plus !\rIl sera retiré de la liste des versions gérées.")),
      EntrerNomGroupe(Entry("EntrerNomGroupe", "Entrez le nom du nouveau groupe de scènes")),
      EntrerNomSousGrp(Entry("EntrerNomSousGrp", "Entrez le nom du nouveau sous-groupe de scènes")),
      NonGerees(Entry("NonGerees", "Scènes non gérables (installées directement)")),
      AjouteScene(Entry("AjouteScene", "Sélectionnez le dossier de la scène à ajouter.")),
      ErreurScene(Entry("ErreurScene", "Ce dossier n'est pas une scène !")),
      ErreurNoLnk(
          Entry("ErreurNoLnk", "Le volume contenant cette installation ne supporte pas les liens symboliques.")),
      OteScene(Entry("OteScene", "Enlever la scène")),
      OteGroupe(Entry("OteGroupe", "Enlever le groupe")),
      OteElemSel(Entry("OteElemSel", "Enlever la sélection")),
      ConfirmeOteScene(Entry("ConfirmeOteScene", "Voulez-vous vraiment enlever cette scène ?")),
      ConfirmeOteGroupe(Entry("ConfirmeOteGroupe", "Voulez-vous vraiment supprimer ce groupe ?")),
      ConfirmeOteElemSel(Entry("ConfirmeOteElemSel", "Voulez-vous vraiment supprimer tous ces éléments ?")),
      InstLesScenes(Entry("InstLesScenes", "Activer les scènes du groupe")),
      DesinsLesScenes(Entry("DesinsLesScenes", "Désactiver les scènes du groupe")),
      InstLaScene(Entry("InstLaScene", "Activer la scène")),
      DesinsLaScene(Entry("DesinsLaScene", "Désactiver la scène")),
      ErrGetVolInfo(Entry("ErrGetVolInfo", "Erreur GetVolumeInfo")),
      MasqueBtns(Entry("MasqueBtns", "Masquer les boutons latéraux")),
      MontreBtns(Entry("MontreBtns", "Afficher les boutons latéraux")),
      AjoutBiblio(Entry("AjoutBiblio", "Sélectionnez le dossier de la bibliothèque à ajouter.")) {}

std::vector<TTraduc*> Catalogue::mainWindowEntries() {
  return {&AjouteXPlane,      &ErreurXPlane,       &XPlaneDejaLa,  &OterXPlane,      &XPlaneAbsent,
          &EntrerNomGroupe,   &EntrerNomSousGrp,   &NonGerees,     &AjouteScene,     &ErreurScene,
          &ErreurNoLnk,       &OteScene,           &OteGroupe,     &OteElemSel,      &ConfirmeOteScene,
          &ConfirmeOteGroupe, &ConfirmeOteElemSel, &InstLesScenes, &DesinsLesScenes, &InstLaScene,
          &DesinsLaScene,     &ErrGetVolInfo,      &MasqueBtns,    &MontreBtns};
}

std::vector<TTraduc*> Catalogue::all() {
  auto v = mainWindowEntries();
  v.push_back(&AjoutBiblio);
  return v;
}

Catalogue& Textes() {
  static Catalogue catalogue;
  return catalogue;
}

void ResetTextes() {
  Textes() = Catalogue();
  ForgetTranslations();
}

std::string LanguageFileInUse() {
  if (!Override().empty()) return Override();
  return LanguageFilePath(platform::ExecutablePath(), UserInterfaceLanguage());
}

void SetLanguageFileOverride(const std::string& path) {
  Override() = path;
  ForgetTranslations();
}

void UseLanguageFileOfOrvella() {
  const std::string self = platform::ExecutablePath();
  std::string orvella = FolderPart(self) + "orvella";
  if (ExtractExtension(self).size() == 4 && EqualsAsciiNoCase(ExtractExtension(self), ".exe")) orvella += ".exe";
  SetLanguageFileOverride(LanguageFilePath(orvella, UserInterfaceLanguage()));
}

std::string LitTexte(const std::string& section, const std::string& key) {
  constexpr win::DWORD kSize = 2048;
  // On the stack: the texts of errors are read while memory may be short.
  char value[kSize] = {};
  const std::string file = LanguageFileInUse();
  const win::DWORD n = win::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, kSize, file.c_str());
  value[n < kSize ? n : kSize - 1] = '\0';
  const std::string buffer = FromFileText(value);

  std::string text;
  text.reserve(buffer.size());
  for (size_t i = 0; i < buffer.size(); ++i) {
    if (buffer[i] == '\\' && i + 1 < buffer.size() && buffer[i + 1] == 'n') {
      text += '\r';
      ++i;
    } else {
      text += buffer[i];
    }
  }
  if (!text.empty() && (key.rfind("rg", 0) == 0 || key.rfind("gb", 0) == 0)) text = " " + text + " ";
  return text;
}

void TraduitEcran(Form& window, const std::vector<TTraduc*>& entries) {
  // The language file is read afresh for each window, its other texts too.
  ForgetTranslations();
  const std::string& section = window.name();
  if (std::string t = LitTexte(section, "caption"); !t.empty()) window.setCaption(t);
  for (Component& c : window.components()) {
    // Controls and menu items alike take the text found under their name.
    if (std::string t = LitTexte(section, c.name); !t.empty()) c.caption = t;
  }
  for (TTraduc* entry : entries) {
    if (std::string t = LitTexte(section, entry->key); !t.empty()) entry->text = t;
  }
}

namespace {
const TextDefault* FindDefault(std::string_view section, std::string_view key) {
  for (const TextDefault& t : ProgramTexts())
    if (t.key == key && t.section == section) return &t;
  return nullptr;
}

// The messages of the libraries below (the system's and the files' errors)
// take their texts from here once this catalogue is part of the program.
[[maybe_unused]] const bool kTextSourceSet = [] {
  SetTextSource([](std::string_view section, std::string_view key) { return Text(section, key); });
  return true;
}();
}  // namespace

std::string Text(std::string_view section, std::string_view key) {
  std::string id = std::string(section) + '\0' + std::string(key);
  Translations& read = Read();
  {
    const std::lock_guard<std::mutex> hold(read.lock);
    if (auto it = read.texts.find(id); it != read.texts.end()) return it->second;
  }
  const TextDefault* entry = FindDefault(section, key);
  if (!entry) return std::string(key);
  std::string text = LitTexte(entry->section, entry->key);
  if (text.empty()) text = Ansi(entry->french);
  const std::lock_guard<std::mutex> hold(read.lock);
  return read.texts.emplace(std::move(id), std::move(text)).first->second;
}

std::string Text(std::string_view section, std::string_view key, std::initializer_list<std::string> args) {
  return FillArguments(Text(section, key), args);
}

void ForgetTranslations() {
  Translations& read = Read();
  const std::lock_guard<std::mutex> hold(read.lock);
  read.texts.clear();
}

}  // namespace orvella
