#include "support/sceneryfixture.h"

#include <gtest/gtest.h>

#include "logic/junction/reparsepoints.h"

namespace orvella::test {

SceneryFixture::SceneryFixture() {
  installation = dir.mkdir("X-Plane 12");
  dir.file("X-Plane 12/X-Plane.exe");
  custom = dir.mkdir("X-Plane 12/Custom Scenery") + "\\";
  global = dir.mkdir("X-Plane 12/Global Scenery") + "\\";
}

std::string SceneryFixture::scene(const std::string& rel) {
  dir.mkdir("library/" + rel + "/Earth nav data");
  return dir.win("library/" + rel);
}

void SceneryFixture::link(const std::string& name, const std::string& target, bool inGlobal) {
  CreateJunction((inGlobal ? global : custom) + name, target);
}

bool SceneryFixture::LinksSupported(const TestDir& dir) { return VolumeSupportsReparsePoints(dir.win()); }

}  // namespace orvella::test
