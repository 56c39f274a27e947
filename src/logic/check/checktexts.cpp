#include "logic/check/checktexts.h"

#include <cstring>

#include "logic/core/ansi.h"
#include "logic/texts/textes.h"

namespace orvella::check {

namespace {

struct Entry {
  const char* key;
  const char* french;  // UTF-8
};
constexpr Entry kTexts[] = {
    {"Titre", "Vérification des scènes de %s"},
    {"RienTrouve", "Aucun problème trouvé : X-Plane trouvera tout ce que ses scènes demandent."},
    {"Interrompu", "Vérification interrompue avant la fin."},
    {"Manquants", "Éléments manquants"},
    {"Bibliotheque", "Bibliothèque « %s » : %s élément(s) manquant(s)"},
    {"RaisonAbsent", "absent : aucune scène ne le fournit"},
    {"RaisonDisabled", "désactivé : fourni par « %s », désactivée dans scenery_packs.ini : activez-la"},
    {"RaisonInactive", "inactif : fourni par « %s », dans vos arbres, non active : activez-la"},
    {"RaisonBackup", "remplaçant : seul un EXPORT_BACKUP de « %s » le fournit"},
    {"RaisonCase", "casse : fourni par « %s » avec une autre casse"},
    {"Element", "  %s"},
    {"Besoin", "      demandé par : %s"},
    {"Exemple", "      exemple : %s"},
    {"ExportsCasses", "Exports cassés (fichier réel absent)"},
    {"ExportCasse", "  %s : %s -> %s"},
    {"AeroportsDoubles", "Aéroports en double (le premier l'emporte)"},
    {"AeroportDouble", "  %s : %s"},
    {"TuilesCachees", "Tuiles cachées (seul le premier maillage est chargé)"},
    {"TuileCachee", "  %s : %s"},
    {"Endommages", "Fichiers illisibles (la vérification a continué sans eux)"},
    {"Endommage", "  %s : %s (%s)"},
    {"Journal", "Journal de X-Plane (version %s)"},
    {"JournalLigne", "  [%s] %s : %s"},
    {"JournalOmis", "  ... et %s autres erreurs"},
    {"OrdreDifferent", "X-Plane a chargé les scènes dans un autre ordre que scenery_packs.ini :"},
    {"DsfEndommage", "DSF endommagé"},
    {"DsfIllisible", "DSF illisible"},
    {"SeptZIllisible", "7z illisible"},
    {"SeptZNonPris", "7z non pris en charge par cette version"},
    {"LibraryEndommage", "library.txt endommagé"},
    {"Usage", "Usage : orvella-check [--json] [--log] [--settings FICHIER] DOSSIER_XPLANE"},
    {"ImpossibleVerifier", "Impossible de vérifier « %s » : %s"},
    {"PasXPlane", "ce n'est pas un dossier X-Plane (il n'a pas de dossier Custom Scenery)"},
    {"OptionInconnue", "Option inconnue : %s"},
    {"ParametresIllisibles", "Paramètres illisibles « %s » : %s"},
    {"MemoireNonEcrite", "Mémoire de la vérification non écrite « %s » : %s"},
};

}  // namespace

std::string CheckText(const char* key) {
  for (const Entry& e : kTexts) {
    if (std::strcmp(e.key, key) != 0) continue;
    if (std::string t = LitTexte("OrvellaCheck", key); !t.empty()) return t;
    return Ansi(e.french);
  }
  return key;
}

std::string CheckText(const char* key, std::initializer_list<std::string> args) {
  const std::string pattern = CheckText(key);
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::vector<std::string> CheckTextKeys() {
  std::vector<std::string> keys;
  for (const Entry& e : kTexts) keys.emplace_back(e.key);
  return keys;
}

}  // namespace orvella::check
