// A stand-in X-Plane installation and scene library on real folders, with
// links made through the program's own junction service.
#pragma once

#include <string>

#include "support/testdir.h"

namespace orvella::test {

class SceneryFixture {
 public:
  SceneryFixture();

  TestDir dir;
  std::string installation;  // Windows path of the installation folder
  std::string custom;        // ...\Custom Scenery\ (with the final "\")
  std::string global;        // ...\Global Scenery\ (with the final "\")

  // A scene folder below the library (with an "Earth nav data" folder);
  // returns its Windows path.
  std::string scene(const std::string& rel);
  // A link named `name` in the Custom Scenery folder (or Global with
  // global=true) pointing at target (a Windows path).
  void link(const std::string& name, const std::string& target, bool inGlobal = false);
  // Whether this machine's volume can hold links (Wine's cannot).
  static bool LinksSupported(const TestDir& dir);
};

}  // namespace orvella::test
