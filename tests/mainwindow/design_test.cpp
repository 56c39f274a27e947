// The window designs as tables: every parent exists before its children,
// names are unique, the menu follows the controls, and the anchors move the
// controls as the windows are resized.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "logic/mainwindow/ecrorvellalogic.h"

namespace orvella {
namespace {

void ExpectWellFormed(const Form& f) {
  std::set<std::string> seen;
  bool menuStarted = false;
  for (const Component& c : f.components()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(seen.insert(c.name).second) << "duplicate name";
    if (c.isMenuItem()) {
      menuStarted = true;
      EXPECT_TRUE(c.parent.empty());
      EXPECT_FALSE(c.caption.empty());
      continue;
    }
    EXPECT_FALSE(menuStarted) << "control after the menu items";
    // Widgets are built in creation order: the parent must come first.
    if (!c.parent.empty()) {
      EXPECT_TRUE(seen.count(c.parent)) << "parent " << c.parent << " not created yet";
    }
  }
}

TEST(DesignTest, WindowsAreWellFormed) {
  ExpectWellFormed(CreateEcrOrvellaForm());
  ExpectWellFormed(CreateEcrBibliosForm());
  ExpectWellFormed(CreateEcrConfirmeCopieForm());
}

TEST(DesignTest, MenuItemsInOrderWithTheirSeparators) {
  const Form f = CreateEcrOrvellaForm();
  std::vector<std::string> items;
  for (const Component& c : f.components())
    if (c.isMenuItem()) items.push_back(c.caption == "-" ? c.name + "-" : c.name);
  EXPECT_EQ(items,
            std::vector<std::string>({"PM_Activer", "PM_Desactiver", "PM_N1-", "PM_NouvGroupe", "PM_NouvSousGroupe",
                                      "PM_Supprime", "PM_Trier", "PM_TriAuto", "PM_DeplH", "PM_DeplB", "PM_N2-",
                                      "PM_AjoutScene", "PM_AjoutOrphelins", "PM_N3-", "PM_BtnLat",
                                      // The scenery order's items follow the others.
                                      "PM_N4-", "PM_ApercuOrdre", "PM_TypeAuto", "PM_TypeAeroport", "PM_TypeBiblio",
                                      "PM_TypeSurcouche", "PM_TypeOrtho", "PM_TypeMaillage", "PM_TypeInconnu",
                                      // Then the scenery check.
                                      "PM_N5-", "PM_Verifier"}));
}

Rect At(Form& f, const char* name) { return f[name].bounds; }

TEST(DesignTest, MainWindowControlsFollowTheirAnchors) {
  Form f = CreateEcrOrvellaForm();
  const Form design = CreateEcrOrvellaForm();
  f.setClientSize(773, 642);
  EXPECT_EQ(At(f, "rgListeXP"), (Rect{8, 8, 574, 81}));  // left, top, right
  EXPECT_EQ(At(f, "Bevel3"), (Rect{577, 13, 189, 76}));  // top, right
  EXPECT_EQ(At(f, "btnAjouteXPlane"), (Rect{589, 24, 169, 25}));
  EXPECT_EQ(At(f, "Pages"), (Rect{7, 98, 574, 539}));      // all four sides
  EXPECT_EQ(At(f, "TabCustom"), (Rect{4, 24, 566, 511}));  // the sheet fills it
  EXPECT_EQ(At(f, "GlobScn"), (Rect{0, 0, 566, 511}));     // and the tree the sheet
  EXPECT_EQ(At(f, "btnQuitter"), (Rect{640, 489, 80, 25}));
  EXPECT_EQ(At(f, "cbEffaceIni"), (Rect{600, 405, 161, 17}));
  EXPECT_EQ(At(f, "pnlBtns"), (Rect{587, 96, 186, 297}));
  // The panel keeps its size, so nothing inside it moves.
  for (const char* inside : {"gbGroupes", "btnAjoutScene", "btnAjoutOrphelins", "btnActiver", "btnDeplB"})
    EXPECT_EQ(At(f, inside), design[inside].bounds) << inside;

  f.setClientSize(573, 442);
  EXPECT_EQ(At(f, "Pages"), (Rect{7, 98, 374, 339}));
  EXPECT_EQ(At(f, "btnQuitter"), (Rect{440, 489, 80, 25}));
  f.setClientSize(673, 542);
  for (const Component& c : design.components()) EXPECT_EQ(f[c.name].bounds, c.bounds) << c.name;
}

TEST(DesignTest, LibraryDialogStretchesItsListAndKeepsItsButtonsAtTheEdges) {
  Form f = CreateEcrBibliosForm();
  f.setClientSize(560, 250);
  EXPECT_EQ(At(f, "Liste"), (Rect{8, 24, 430, 213}));
  EXPECT_EQ(At(f, "btnAjoute"), (Rect{451, 24, 105, 25}));
  EXPECT_EQ(At(f, "btnSupprime"), (Rect{451, 56, 105, 25}));
  EXPECT_EQ(At(f, "btnOk"), (Rect{467, 212, 75, 25}));
  EXPECT_EQ(At(f, "lbTitre"), (Rect{8, 8, 0, 0}));
}

TEST(DesignTest, CopyOrMoveDialogKeepsItsControlsInPlace) {
  Form f = CreateEcrConfirmeCopieForm();
  const Form design = CreateEcrConfirmeCopieForm();
  f.setClientSize(400, 200);
  for (const Component& c : design.components()) EXPECT_EQ(f[c.name].bounds, c.bounds) << c.name;
}

}  // namespace
}  // namespace orvella

namespace orvella {
namespace {

// Renames one component of a design, as a typing slip in the table would.
void Rename(Form& f, const char* from, const char* to) {
  Component* c = f.find(from);
  ASSERT_NE(c, nullptr) << from;
  c->name = to;
}

void ExpectUnresolved(Form& f, const char* name) {
  try {
    EcrOrvellaControls controls(f);
    ADD_FAILURE() << "resolved without " << name;
  } catch (const std::out_of_range& e) {
    EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
  }
}

TEST(ControlsTest, AMisspeltOrMissingControlFailsWhenTheWindowIsBuilt) {
  {
    Form f = CreateEcrOrvellaForm();
    Rename(f, "btnActiver", "btnActivr");
    ExpectUnresolved(f, "btnActiver");
  }
  {
    // The last of the kind items, resolved after every named member.
    Form f = CreateEcrOrvellaForm();
    Rename(f, "PM_TypeInconnu", "PM_TypeInconu");
    ExpectUnresolved(f, "PM_TypeInconnu");
  }
  {
    Form f = CreateEcrOrvellaForm();
    auto& all = f.components();
    std::erase_if(all, [](const Component& c) { return c.name == "PM_N4"; });
    ExpectUnresolved(f, "PM_N4");
  }
}

TEST(ControlsTest, TheLogicWorksOnItsOwnFormsComponents) {
  EcrOrvellaLogic logic;
  // Resolved against the Form the window shows, not a copy made on the way.
  EXPECT_EQ(&logic.controls().btnActiver, &logic.mainForm()["btnActiver"]);
  EXPECT_EQ(&logic.controls().PM_ApercuOrdre, &logic.mainForm()["PM_ApercuOrdre"]);
  for (std::size_t i = 0; i < kTypeItemCount; ++i)
    EXPECT_EQ(logic.controls().PM_Type[i], &logic.mainForm()[kTypeItems[i].first]) << kTypeItems[i].first;
  logic.setChecked("cbEffaceIni", false);
  EXPECT_FALSE(logic.deletesSceneryPacks());
  EXPECT_FALSE(logic.mainForm()["cbEffaceIni"].checked);
}

}  // namespace
}  // namespace orvella
