// A test folder in which scene folders are made, and a tree whose group "G"
// takes what a command adds.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "logic/model/tree.h"
#include "support/testdir.h"

namespace orvella::test {

class SceneFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { g = tree.addChild(nullptr, "G", kKindGroup); }
  // A scene folder (marked by "Earth nav data") below the test folder.
  std::string scene(const std::string& rel) {
    dir.mkdir(rel + "/Earth nav data");
    return dir.win(rel);
  }
  TestDir dir;
  SceneryTree tree{"CustScn"};
  Node* g = nullptr;
};

}  // namespace orvella::test
