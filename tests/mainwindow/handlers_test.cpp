// The main window's table of handlers against its design: a name the design
// lacks, or a clickable control left without a handler, stops the window
// from being built.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "logic/mainwindow/ecrorvellalogic.h"

namespace orvella::test {
namespace {

void ExpectRejected(const Form& f, const std::string& name) {
  try {
    CheckHandlers(f);
    ADD_FAILURE() << "accepted despite " << name;
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
  }
}

Component Make(const char* name, ComponentKind kind, const char* caption) {
  Component c;
  c.name = name;
  c.kind = kind;
  c.caption = caption;
  return c;
}

TEST(HandlerTableTest, EveryNameMeetsTheDesignBothWays) {
  EXPECT_NO_THROW(CheckHandlers(CreateEcrOrvellaForm()));
  {
    // A handler's control, a kind item and a launch button renamed in the design.
    for (const char* name : {"btnTrier", "PM_TypeOrtho", "btnOuvrirXPQuitter"}) {
      Form f = CreateEcrOrvellaForm();
      f.find(name)->name = std::string(name) + "2";
      ExpectRejected(f, name);
    }
  }
  {
    Form f = CreateEcrOrvellaForm();
    f.add(Make("btnNouveau", ComponentKind::Button, "Nouveau"));
    ExpectRejected(f, "btnNouveau");
  }
  {
    Form f = CreateEcrOrvellaForm();
    f.add(Make("PM_Nouveau", ComponentKind::MenuItem, "Nouveau"));
    ExpectRejected(f, "PM_Nouveau");
  }
  {
    // Separators and labels take no click.
    Form f = CreateEcrOrvellaForm();
    f.add(Make("PM_N9", ComponentKind::MenuItem, "-"));
    f.add(Make("lbNote", ComponentKind::Label, "Note"));
    EXPECT_NO_THROW(CheckHandlers(f));
  }
}

}  // namespace
}  // namespace orvella::test
