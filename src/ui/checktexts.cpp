#include "ui/checktexts.h"

#include <array>

#include "logic/check/checktexts.h"
#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"

namespace orvella::ui {

namespace {

struct Entry {
  const char* key;
  const char* text;  // UTF-8
};

constexpr Entry kTexts[] = {
    // The dialog.
    {"Titre", "Vérification des scènes"},
    {"TitreDe", "Vérification des scènes : %1"},
    {"EnCours", "Lecture des scènes : %1 / %2"},
    {"Debut", "Lecture de l'installation..."},
    {"Annuler", "Annuler"},
    {"Fermer", "Fermer"},
    {"Relancer", "Vérifier à nouveau"},
    {"Copier", "Copier le rapport"},
    {"Copie", "Le rapport est copié dans le presse-papiers."},
    {"Echec", "La vérification n'a pas pu se faire :\n%1"},
    {"Resume", "%1 scènes chargées, %2 problèmes."},
    {"OngletRapport", "Rapport"},
    {"OngletJournal", "Journal X-Plane"},
    {"OngletCarte", "Carte des tuiles"},
    {"ColProbleme", "Problème"},
    {"ColRaison", "Raison"},
    {"ColAction", "Action"},
    {"ColGenre", "Genre"},
    // The report's lines (its sections and reasons are the engine's words,
    // as the command-line check prints them).
    {"DemandePar", "demandé par %1"},
    {"ExportSans", "%1 : le fichier %2 n'existe pas"},
    {"Doublon", "%1 : %2 l'emporte sur %3"},
    {"Conflit", "%1 : %2 cache %3"},
    {"Abime", "%1 : %2"},
    // The actions.
    {"Activer", "Activer"},
    {"Reactiver", "Réactiver"},
    {"OuvrirDossier", "Ouvrir le dossier"},
    {"PasActivee", "La scène %1 n'a pas pu être activée."},
    {"PasReactive", "Le pack %1 n'a pas pu être réactivé dans scenery_packs.ini."},
    {"DossierAbsent", "Le dossier %1 est introuvable."},
    // The log.
    {"JournalNonLu", "Pas de Log.txt lisible : X-Plane n'a pas encore volé avec cette installation."},
    {"JournalVersion", "Log.txt de X-Plane %1"},
    {"JournalRien", "Log.txt ne signale rien sur les scènes."},
    {"JournalSansScene", "Sans scène désignée"},
    // The kinds of the log's findings.
    {"Genre_missing_resource", "ressource introuvable"},
    {"Genre_object", "objet"},
    {"Genre_dsf", "DSF"},
    {"Genre_terrain", "terrain"},
    {"Genre_package", "pack illisible"},
    // The map.
    {"Tuile", "Tuile %1"},
    {"TuileVide", "Tuile %1 : aucune scène"},
    {"TuileCachee", "cachée"},
    {"TuileDoublon", "aéroport déclaré deux fois : %1"},
    {"RoleAirport", "aéroport"},
    {"RoleLibrary", "bibliothèque"},
    {"RoleOverlay", "surcouche"},
    {"RoleOrthophoto", "orthophoto"},
    {"RoleMesh", "maillage"},
    {"RoleOther", "autre"},
    {"Terre", "Global Scenery"},
    {"Legende", "Molette : zoom ; glisser : déplacer ; clic : choisir la scène dans l'arbre"},
    // The marks in the trees.
    {"MarqueManque", "Manque %1 (%2)"},
    {"MarqueFournit", "Fournit %1, dont d'autres scènes ont besoin"},
    {"MarqueExport", "Export sans fichier : %1"},
    {"MarqueDoublon", "Aéroport %1 aussi déclaré par %2"},
    {"MarqueCachee", "Tuile %1 cachée par %2"},
    {"MarqueAbime", "Fichier illisible : %1 (%2)"},
    {"MarqueJournal", "Journal X-Plane : %1"},
};

}  // namespace

QString CheckText(std::string_view key) {
  for (const Entry& e : kTexts) {
    if (key != e.key) continue;
    // A language file's section "OrvellaCheckFenetre" may replace it.
    if (const std::string t = LitTexte("OrvellaCheckFenetre", e.key); !t.empty()) return FromAnsi(t);
    return QString::fromUtf8(e.text);
  }
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

QString EngineText(const char* key, std::initializer_list<std::string> args) {
  return FromAnsi(args.size() ? check::CheckText(key, args) : check::CheckText(key));
}

std::pair<const char* const*, int> CheckTextKeys() {
  static const auto kKeys = [] {
    std::array<const char*, std::size(kTexts)> k{};
    for (std::size_t i = 0; i < k.size(); ++i) k[i] = kTexts[i].key;
    return k;
  }();
  return {kKeys.data(), static_cast<int>(kKeys.size())};
}

}  // namespace orvella::ui
