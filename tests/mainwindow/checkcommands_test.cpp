// The scenery check's side of the main window's logic: what a check starts
// from, and the two repairs its report offers.
#include <gtest/gtest.h>

#include <cctype>

#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/order/scenerypacks.h"
#include "mainwindow/window_fixture.h"

namespace orvella::test {
namespace {

class CheckCommandsTest : public WindowFixture {
 protected:
  std::string ini() const { return fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini"); }
  void writeIni(const std::string& body) {
    fx.dir.file("X-Plane 12/Custom Scenery/scenery_packs.ini", "I\n1000 Version\nSCENERY\n\n" + body);
  }
};

TEST_F(CheckCommandsTest, ACheckStartsFromTheInstallationAndTheInactiveScenesOfBothTrees) {
  const std::string on = fx.scene("On");
  const std::string off = fx.scene("Off");
  const std::string globalOff = fx.scene("GlobalOff");
  fx.link("On", on);
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, on, kKindScene);
  t.addChild(g, off, kKindScene);
  t.addChild(g, fx.dir.win("library/Gone"), kKindScene);  // missing: provides nothing
  w.globScn().addChild(nullptr, globalOff, kKindScene);
  w.refreshAll();
  EXPECT_TRUE(w.controls().btnVerifier.enabled);
  const auto d = w.makeCheckRequest();
  EXPECT_EQ(d.installation, fx.installation);
  EXPECT_EQ(d.inactiveScenes, (std::vector<std::string>{off, globalOff}));
  EXPECT_EQ(d.memoryFile, fx.dir.win("orvella.check"));

  w.PM_PagePopup();
  EXPECT_TRUE(w.controls().PM_Verifier.visible);
  w.selectInstallation(-1);
  EXPECT_THROW(w.makeCheckRequest(), EListError);
  w.PM_PagePopup();
  EXPECT_FALSE(w.controls().PM_Verifier.visible);
}

TEST_F(CheckCommandsTest, ActivatingTheProviderLinksItWhereverItIsAndOnlyWhenInactive) {
  const std::string lib = fx.scene("Lib");
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* scene = t.addChild(g, lib, kKindScene);
  w.refreshAll();
  EXPECT_FALSE(w.activateSceneFolder(fx.dir.win("library/Nobody")));
  // The case of A-Z and a final separator do not matter.
  std::string asked = lib + "\\";
  for (char& c : asked) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_TRUE(w.activateSceneFolder(asked));
  EXPECT_TRUE(fx.dir.isSymlink("X-Plane 12/Custom Scenery/Lib"));
  EXPECT_EQ(scene->state(), kStateAll);
  EXPECT_EQ(t.selected(), scene);
  EXPECT_FALSE(w.activateSceneFolder(lib));  // already active
}

TEST_F(CheckCommandsTest, ADisabledPackIsEnabledInTheFileOnlyWhenTheLaunchWritesTheOrder) {
  const std::string body =
      "SCENERY_PACK Custom Scenery/A/\nSCENERY_PACK_DISABLED Custom Scenery/Ru Scenery/\n"
      "SCENERY_PACK_DISABLED " +
      fx.dir.host("elsewhere/Abs").generic_string() + "/\n";
  writeIni(body);
  const std::string ru = fx.installation + "\\Custom Scenery\\Ru Scenery";
  EXPECT_FALSE(w.enablePackInIni(ru));  // the option is off: the file is the user's
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();

  struct Case {
    std::string folder;
    bool done;
    std::string line;
  } const cases[] = {
      {ru, true, "SCENERY_PACK Custom Scenery/Ru Scenery/"},
      {fx.dir.win("elsewhere/Abs"), true, "SCENERY_PACK " + fx.dir.host("elsewhere/Abs").generic_string() + "/"},
      {fx.installation + "\\Custom Scenery\\A", false, ""},  // not disabled
      {fx.dir.win("library/Other"), false, ""},
  };
  for (const Case& c : cases) {
    writeIni(body);
    EXPECT_EQ(w.enablePackInIni(c.folder), c.done) << c.folder;
    if (!c.done) {
      EXPECT_EQ(ini(), "I\n1000 Version\nSCENERY\n\n" + body) << c.folder;
      continue;
    }
    EXPECT_NE(ini().find("\n" + c.line + "\n"), std::string::npos) << ini();
    // The other lines stay, and the previous file is kept aside.
    EXPECT_NE(ini().find("SCENERY_PACK Custom Scenery/A/\n"), std::string::npos);
    EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"), "I\n1000 Version\nSCENERY\n\n" + body);
  }
}

TEST_F(CheckCommandsTest, EnablingAPackAfterALaunchKeepsTheUsersOwnFileAside) {
  const std::string user = "I\n1000 Version\nSCENERY\n\n# mine\nSCENERY_PACK_DISABLED Custom Scenery/Ru Scenery/\n";
  fx.dir.file("X-Plane 12/Custom Scenery/Ru Scenery/readme.txt", "pack");
  fx.dir.file("X-Plane 12/Custom Scenery/scenery_packs.ini", user);
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  ASSERT_EQ(w.writeSceneryOrder(), OrderWrite::Written);
  const std::string bak = "X-Plane 12/Custom Scenery/scenery_packs.ini.user.bak";
  ASSERT_EQ(fx.dir.read(bak), user);
  ASSERT_TRUE(w.enablePackInIni(fx.installation + "\\Custom Scenery\\Ru Scenery"));
  EXPECT_NE(ini().find("\nSCENERY_PACK Custom Scenery/Ru Scenery/"), std::string::npos) << ini();
  EXPECT_EQ(fx.dir.read(bak), user) << "the program's own file is not the user's";
  // The file written is known as the program's own after a restart too.
  EcrOrvellaLogic again;
  again.FormCreate(fx.dir.win("orvella.exe"));
  const auto own = again.order().written.find(FoldAsciiCase(SceneryPacksPath(fx.installation)));
  ASSERT_NE(own, again.order().written.end());
  EXPECT_EQ(own->second, TextDigest(ini()));
}

}  // namespace
}  // namespace orvella::test
