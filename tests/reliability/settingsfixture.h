// A main window started and closed over a settings file in a temporary
// folder, and the file's content seen as lines of nodes, so that damaged and
// half-written files can be compared with the file they came from.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella::test {

// One node of a tree in reading order: its depth, kind marker and text.
struct NodeLine {
  int depth;
  char marker;  // '*' expanded group, '+' collapsed group, '=' scene
  std::string text;
  bool operator==(const NodeLine&) const = default;
};
std::vector<NodeLine> Lines(const SceneryTree& tree);
std::string Show(const std::vector<NodeLine>& lines);

// Whether `part` is what a reader keeps of `whole` when the file stops
// early: the same first nodes, the last one's text possibly cut short.
bool IsCutShort(const std::vector<NodeLine>& part, const std::vector<NodeLine>& whole);
bool IsCutShort(const std::vector<std::string>& part, const std::vector<std::string>& whole);

class SettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a window whose executable lies in the temporary folder: it reads
  // orvella.ini when there is one.
  std::unique_ptr<EcrOrvellaLogic> start();
  std::string ini() const { return dir.read("orvella.ini"); }
  // The message of an input/output error of the settings file in folder
  // (relative, with its final slash): the file's path, then the text.
  std::string ioMessage(const std::string& text, const std::string& folder = "") const {
    return dir.win(folder + "orvella.ini") + " :\r\n" + text;
  }

  // A settings file as a user has one: three installations (the second of
  // them gone), the third selected, nested groups in both trees.
  std::string realisticFile();

  TestDir dir;
  ScriptedInteraction ui;
  ScopedUI scope{ui};

 private:
  std::optional<std::string> oldConfig_;
};

}  // namespace orvella::test
