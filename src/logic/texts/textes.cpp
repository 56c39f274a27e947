#include "logic/texts/textes.h"

#include "logic/core/ansi.h"
#include "logic/core/filelocations.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
TTraduc Entry(const char* key, const char* frenchUtf8) { return TTraduc{key, Ansi(frenchUtf8)}; }

std::string& Override() {
  static std::string path;
  return path;
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

void ResetTextes() { Textes() = Catalogue(); }

std::string LanguageFilePath() {
  if (!Override().empty()) return Override();
  return CheminLangue(platform::ExecutablePath());
}

void SetLanguageFileOverride(const std::string& path) { Override() = path; }

std::string LitTexte(const std::string& section, const std::string& key) {
  constexpr win::DWORD kSize = 2048;
  std::string buffer(kSize, '\0');
  const std::string file = LanguageFilePath();
  const win::DWORD n =
      win::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), kSize, file.c_str());
  buffer.resize(n < kSize ? n : kSize - 1);
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));

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

}  // namespace orvella
