// The folders and trees the benchmarks share.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "benchdir.h"
#include "logic/model/tree.h"

namespace orvella::bench {

namespace fs = std::filesystem;

constexpr int kScenesPerGroup = 100;
constexpr int kPlainEntries = 100;

// N scene folders, a scenery folder holding N links (N/2 of them to scenes
// of the tree, N/2 to folders no scene names) and 100 plain entries, and a
// tree of the N scenes in groups of 100.
struct RefreshSetup {
  explicit RefreshSetup(int n) {
    root = MakeTempFolder("refresh" + std::to_string(n));
    fs::create_directories(root / "Custom Scenery");
    fs::create_directories(root / "library");
    for (int i = 0; i < n; ++i) {
      const std::string name = "Scene " + std::to_string(i);
      fs::create_directories(root / "library" / name / "Earth nav data");
    }
    for (int i = 0; i < n; ++i) {
      // Even scenes are linked; odd links point at folders no scene names.
      const std::string name = i % 2 == 0 ? "Scene " + std::to_string(i) : "Other " + std::to_string(i);
      fs::create_directory_symlink(root / "library" / ("Scene " + std::to_string(i)), root / "Custom Scenery" / name);
    }
    for (int i = 0; i < kPlainEntries; ++i)
      fs::create_directories(root / "Custom Scenery" / ("plain " + std::to_string(i)));
    folder = Win(root / "Custom Scenery") + "\\";
    tree.sceneryFolder = folder;
    Node* group = nullptr;
    for (int i = 0; i < n; ++i) {
      if (i % kScenesPerGroup == 0)
        group = tree.addChild(nullptr, "Group " + std::to_string(i / kScenesPerGroup), kKindGroup);
      tree.addChild(group, Win(root / "library" / ("Scene " + std::to_string(i))), kKindScene);
    }
  }
  fs::path root;
  std::string folder;
  SceneryTree tree{"CustScn"};
};

inline RefreshSetup& Setup(int n) {
  static std::map<int, std::unique_ptr<RefreshSetup>> setups;
  auto& s = setups[n];
  if (!s) s = std::make_unique<RefreshSetup>(n);
  return *s;
}

}  // namespace orvella::bench
