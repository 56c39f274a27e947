// The text catalogue and the language file, on real files.
#include <gtest/gtest.h>

#include "logic/core/ansi.h"
#include "logic/core/form.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"
#include "support/languagefile.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using test::A;

class LanguageFileTest : public ::testing::Test {
 protected:
  void lng(const std::string& content) { dir.file("orvella.lng", content); }

  test::TestDir dir;
  test::LanguageFileScope texts_{dir.win("orvella.lng")};
};

TEST(Catalogue, HoldsTheTwentyFiveFrenchDefaultsInTheAnsiCodePage) {
  ResetTextes();
  Catalogue& t = Textes();
  ASSERT_EQ(t.all().size(), 25u);
  ASSERT_EQ(t.mainWindowEntries().size(), 24u);
  EXPECT_EQ(t.mainWindowEntries()[0]->key, "AjouteXPlane");
  EXPECT_EQ(t.mainWindowEntries()[21]->key, "ErrGetVolInfo");
  EXPECT_EQ(t.mainWindowEntries()[23]->key, "MontreBtns");
  EXPECT_EQ(t.all()[24]->key, "AjoutBiblio");
  // The same texts whatever the code page holds them in.
  EXPECT_EQ(Utf8FromAnsi(t.AjouteXPlane.text), "Sélectionnez le dossier d'installation de X-Plane.");
  EXPECT_EQ(Utf8FromAnsi(t.XPlaneAbsent.text),
            "Ce dossier X-Plane n'existe plus !\rIl sera retiré de la liste des versions gérées.");
  EXPECT_EQ(Utf8FromAnsi(t.XPlaneDejaLa.text), "Cette installation d'X-Plane est déjà gérée !");
  EXPECT_EQ(Utf8FromAnsi(t.MasqueBtns.text), "Masquer les boutons latéraux");
  if (win::GetACP() == 1252) {
    EXPECT_EQ(t.AjouteXPlane.text, "S\xE9lectionnez le dossier d'installation de X-Plane.");
    EXPECT_EQ(t.XPlaneDejaLa.text,
              "Cette installation d'X-Plane est d\xE9j\xE0 g\xE9r\xE9"
              "e !");
  } else if (win::GetACP() == win::CP_UTF8) {
    EXPECT_EQ(t.MasqueBtns.text, "Masquer les boutons latéraux");
    EXPECT_EQ(t.ConfirmeOteElemSel.text, "Voulez-vous vraiment supprimer tous ces éléments ?");
  }
  for (TTraduc* e : t.all()) {
    EXPECT_FALSE(e->text.empty()) << e->key;
    // Only a question ends with '?'; one elsewhere is a character the code page lost.
    const size_t q = e->text.find('?');
    EXPECT_TRUE(q == std::string::npos || q + 1 == e->text.size()) << e->key;
  }
}

TEST_F(LanguageFileTest, ALanguageFileFromWindowsIsReadAs1252) {
  // Written on a French Windows, without a byte-order mark.
  lng("[EcrOrvella]\r\ncaption=Orvella \xE9"
      "dition fran\xE7"
      "aise\r\nOteScene=Enlever la sc\xE8ne\r\n");
  EXPECT_EQ(Utf8FromAnsi(LitTexte("EcrOrvella", "caption")), "Orvella édition française");
  EXPECT_EQ(Utf8FromAnsi(LitTexte("EcrOrvella", "OteScene")), "Enlever la scène");
}

TEST_F(LanguageFileTest, MissingFileOrKeyOrEmptyValueGivesNothing) {
  EXPECT_EQ(LitTexte("EcrOrvella", "caption"), "");
  lng("[EcrOrvella]\r\nbtnQuitter=\r\n");
  EXPECT_EQ(LitTexte("EcrOrvella", "btnQuitter"), "");
  EXPECT_EQ(LitTexte("EcrOrvella", "absent"), "");
  EXPECT_EQ(LitTexte("Other", "btnQuitter"), "");
}

TEST_F(LanguageFileTest, SectionsAndKeysMatchInAnyCaseFirstMatchWins) {
  lng("[ECRORVELLA]\r\nCAPTION =  My Title  \r\ncaption=second\r\n[EcrOrvella]\r\nbtnQuitter=ignored\r\n");
  EXPECT_EQ(LitTexte("EcrOrvella", "caption"), "My Title");
  EXPECT_EQ(LitTexte("EcrOrvella", "btnQuitter"), "") << "only the first matching section counts";
}

TEST_F(LanguageFileTest, QuotesBlanksLineBreaksAndRadioGroupPadding) {
  lng("[EcrOrvella]\r\n"
      "btnTrier=   Sort   \r\n"
      "rgListeXP=Installs\r\n"
      "gbGroupes=\"Groups\"\r\n"
      "XPlaneAbsent=Gone!\\nRemoved.\r\n"
      "ErreurXPlane=back\\Nslash\\x\r\n"
      "OteScene='quoted'\r\n"
      "OteGroupe=\"unbalanced'\r\n");
  EXPECT_EQ(LitTexte("EcrOrvella", "btnTrier"), "Sort") << "no blanks come back";
  EXPECT_EQ(LitTexte("EcrOrvella", "rgListeXP"), " Installs ");
  EXPECT_EQ(LitTexte("EcrOrvella", "gbGroupes"), " Groups ");
  EXPECT_EQ(LitTexte("EcrOrvella", "XPlaneAbsent"), "Gone!\rRemoved.");
  EXPECT_EQ(LitTexte("EcrOrvella", "ErreurXPlane"), "back\\Nslash\\x");
  EXPECT_EQ(LitTexte("EcrOrvella", "OteScene"), "quoted");
  EXPECT_EQ(LitTexte("EcrOrvella", "OteGroupe"), "\"unbalanced'");
}

TEST_F(LanguageFileTest, LongValuesAreCutTo2047Characters) {
  lng("[EcrOrvella]\r\ncaption=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(LitTexte("EcrOrvella", "caption"), std::string(2047, 'x'));
}

TEST_F(LanguageFileTest, TraduitEcranReplacesCaptionsControlsMenuItemsAndEntries) {
  Form f("EcrOrvella", "X-Plane Orvella", 100, 100);
  f.add({.name = "btnQuitter", .kind = ComponentKind::Button, .caption = "Quitter"});
  f.add({.name = "PM_Trier", .kind = ComponentKind::MenuItem, .caption = "Trier"});
  f.add({.name = "CustScn", .kind = ComponentKind::TreeView});
  lng(
      A("[ecrorvella]\r\ncaption=Orvella FR\r\nbtnquitter=Sortir\r\npm_trier=Trier \xC3\xA0 part\r\n"
        "CustScn=arbre\r\nErreurXPlane=Pas X-Plane\r\nAjoutBiblio=ignored here\r\n"));
  Catalogue& t = Textes();
  const std::string biblioBefore = t.AjoutBiblio.text;
  TraduitEcran(f, t.mainWindowEntries());
  EXPECT_EQ(f.caption(), "Orvella FR");
  EXPECT_EQ(f["btnQuitter"].caption, "Sortir");
  EXPECT_EQ(f["PM_Trier"].caption, A("Trier à part"));
  EXPECT_EQ(f["CustScn"].caption, "arbre");
  EXPECT_EQ(t.ErreurXPlane.text, "Pas X-Plane");
  EXPECT_EQ(t.AjoutBiblio.text, biblioBefore) << "AjoutBiblio belongs to the library dialog's section";
  EXPECT_EQ(t.OterXPlane.text, A("Voulez-vous vraiment ne plus gérer cette version d'X-Plane ?"));

  Form d("EcrBiblios", "Chemins", 10, 10);
  lng("[EcrBiblios]\r\nAjoutBiblio=Choose a library\r\n");
  TraduitEcran(d, {&t.AjoutBiblio});
  EXPECT_EQ(t.AjoutBiblio.text, "Choose a library");
}

}  // namespace
}  // namespace orvella
