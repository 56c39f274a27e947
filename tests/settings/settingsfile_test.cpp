// The settings file read into its record and written from it, without a
// window: what a damaged file still gives, the nesting limit, the fields of
// each version, and the writer's fixed point.
#include <gtest/gtest.h>

#include <string>

#include "logic/core/errors.h"
#include "logic/settings/settingsfile.h"

namespace orvella {
namespace {

// The lines of a version 5 file before its trees.
const std::string kHead = "5\r\n0 0 10 10\r\n0 -1\r\n0 1 0\r\n";

// A chain of `depth` nested open groups named g1, g2, ..., then one scene,
// every group closed.
std::string NestedGroups(int depth) {
  std::string s;
  for (int i = 1; i <= depth; ++i) s += "*g" + std::to_string(i) + "\r\n";
  s += "=deep\r\n";
  for (int i = 1; i <= depth; ++i) s += "-\r\n";
  return s;
}

TEST(SettingsParse, ABadNumberKeepsEveryFieldBeforeItAndNoneAfter) {
  // The option line's second number is damaged: the auto-sort flag before it
  // is read, the panel, the backup flag and the trees are not.
  const SettingsRead r = ParseSettings("5\r\n1 2 300 400\r\n2 1\r\nC:\\XP9\r\nC:\\XP10\r\n1 x 0\r\n=C:\\S\r\n-\r\n");
  ASSERT_TRUE(r.error.has_value());
  EXPECT_EQ(r.error->errorCode(), kIoInvalidNumber);
  const SettingsFile& s = r.settings;
  ASSERT_TRUE(s.bounds.has_value());
  EXPECT_EQ(*s.bounds, (Rect{1, 2, 300, 400}));
  EXPECT_EQ(s.installations, (std::vector<std::string>{"C:\\XP9", "C:\\XP10"}));
  EXPECT_EQ(s.selected, 1);
  EXPECT_EQ(s.triAuto, true);
  EXPECT_FALSE(s.panelShown.has_value());
  EXPECT_FALSE(s.effaceIni.has_value());
  EXPECT_TRUE(s.custom.empty());

  // Damage in the bounds: nothing of the window is taken.
  const SettingsRead early = ParseSettings("5\r\n1 two 3 4\r\n");
  ASSERT_TRUE(early.error.has_value());
  EXPECT_FALSE(early.settings.bounds.has_value());
  EXPECT_TRUE(early.settings.installations.empty());
}

TEST(SettingsParse, AFileCutShortListsNoMoreInstallationsThanItHasLines) {
  const SettingsRead r = ParseSettings("5\r\n0 0 1 1\r\n2000000000 0\r\nC:\\A\r\nC:\\B");
  EXPECT_FALSE(r.error.has_value());
  EXPECT_EQ(r.settings.installations, (std::vector<std::string>{"C:\\A", "C:\\B"}));
  // The option line is missing: its numbers read as 0, as at any end of file.
  EXPECT_EQ(r.settings.triAuto, false);
  EXPECT_EQ(r.settings.panelShown, false);
}

TEST(SettingsParse, EachVersionReadsOnlyItsOwnFields) {
  const std::string body = "7 8 9 10\r\n1 0\r\nC:\\XP\r\n1 0 1\r\n=c\r\n-\r\n=g\r\n";
  const SettingsRead v1 = ParseSettings("1\r\n7 8 9 10\r\n1\r\nC:\\XP\r\n=c\r\n-\r\n=g\r\n");
  EXPECT_FALSE(v1.error.has_value());
  EXPECT_EQ(v1.settings.selected, -1);
  EXPECT_FALSE(v1.settings.triAuto.has_value());
  ASSERT_EQ(v1.settings.custom.size(), 1u);
  EXPECT_TRUE(v1.settings.global.empty());  // version 1 has one tree

  const SettingsRead v4 = ParseSettings("4\r\n" + body);
  EXPECT_EQ(v4.settings.triAuto, true);
  EXPECT_FALSE(v4.settings.panelShown.has_value());
  ASSERT_EQ(v4.settings.global.size(), 1u);
  EXPECT_EQ(v4.settings.global[0].text, "g");

  const SettingsRead v5 = ParseSettings("5\r\n" + body);
  EXPECT_EQ(v5.settings.panelShown, false);
  EXPECT_EQ(v5.settings.effaceIni, true);
  EXPECT_EQ(v5.settings.selected, 0);
}

TEST(SettingsParse, GroupsNestDownToTheLimitAndNoFurther) {
  const SettingsRead atLimit = ParseSettings(kHead + NestedGroups(kMaxSettingsGroupDepth));
  EXPECT_FALSE(atLimit.error.has_value());

  // One level more: the read stops with a text of its own, and the groups
  // still open at that point are marked as cut off, every one of them.
  const SettingsRead over = ParseSettings(kHead + "+done\r\n=a\r\n-\r\n" + NestedGroups(kMaxSettingsGroupDepth + 1));
  ASSERT_TRUE(over.error.has_value());
  EXPECT_EQ(over.error->errorCode(), kIoInvalidNumber);
  EXPECT_NE(std::string(over.error->what()).find("256"), std::string::npos);
  ASSERT_EQ(over.settings.custom.size(), 2u);
  EXPECT_TRUE(over.settings.custom[0].complete);
  int depth = 0;
  for (const SettingsNode* n = &over.settings.custom[1]; n; n = n->children.empty() ? nullptr : &n->children[0]) {
    EXPECT_FALSE(n->complete) << "level " << depth;
    EXPECT_TRUE(n->expanded);
    ++depth;
  }
  EXPECT_EQ(depth, kMaxSettingsGroupDepth);

  // What was kept is written as a file that reads back whole.
  const std::string written = FormatSettings(over.settings);
  const SettingsRead again = ParseSettings(written);
  EXPECT_FALSE(again.error.has_value());
  EXPECT_EQ(FormatSettings(again.settings), written);
}

TEST(SettingsFormat, AnEmptyRecordIsAVersion5FileWithTheDefaults) {
  EXPECT_EQ(FormatSettings(SettingsFile{}), "5\r\n0 0 0 0\r\n0 -1\r\n0 1 0\r\n-\r\n");
}

TEST(SettingsFormat, TextsThatLookLikeMarkersComeBackAsTheyWere) {
  SettingsFile s;
  s.bounds = Rect{-5, 2147483647, 0, -2147483647 - 1};
  s.installations = {"", " C:\\lead space", "5"};
  s.selected = 2;
  SettingsNode group{true, false, true, "-", {}};
  group.children.push_back(SettingsNode{false, false, true, "", {}});
  group.children.push_back(SettingsNode{true, true, true, "=*+", {}});
  s.custom = {group};
  s.global = {SettingsNode{false, false, true, "-", {}}};
  const std::string written = FormatSettings(s);
  const SettingsRead r = ParseSettings(written);
  ASSERT_FALSE(r.error.has_value());
  EXPECT_EQ(r.settings.installations, s.installations);
  EXPECT_EQ(*r.settings.bounds, *s.bounds);
  ASSERT_EQ(r.settings.custom.size(), 1u);
  ASSERT_EQ(r.settings.custom[0].children.size(), 2u);
  EXPECT_EQ(r.settings.custom[0].text, "-");
  EXPECT_EQ(r.settings.custom[0].children[1].text, "=*+");
  EXPECT_TRUE(r.settings.custom[0].children[1].expanded);
  EXPECT_EQ(FormatSettings(r.settings), written);
}

#ifndef _WIN32
TEST(SettingsParse, Windows1252BytesAreReadAsUtf8Text) {
  const SettingsRead r = ParseSettings("5\r\n0 0 1 1\r\n0 -1\r\n0 1 0\r\n=Z:\\sc\xe8nes\\LFPG\r\n");
  ASSERT_EQ(r.settings.custom.size(), 1u);
  EXPECT_EQ(r.settings.custom[0].text, "Z:\\sc\xc3\xa8nes\\LFPG");
}
#endif

}  // namespace
}  // namespace orvella
