#include "logic/core/interaction.h"

namespace orvella {

namespace {
class SilentInteraction final : public Interaction {
 public:
  void ShowMessage(const std::string&) override {}
  bool Confirm(const std::string&) override { return false; }
  bool WarnYesNo(const std::string&, Point) override { return false; }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> PickFolder(const std::string&) override { return std::nullopt; }
  int AskCopyOrMove() override { return kMrCancel; }
  std::vector<std::string> EditLibraries(const std::vector<std::string>& folders) override { return folders; }
  void SetBusyCursor(bool) override {}
  Point MousePos() override { return {}; }
};

SilentInteraction g_silent;
Interaction* g_current = &g_silent;

}  // namespace

Interaction& UI() { return *g_current; }

Interaction* SetUI(Interaction* ui) {
  Interaction* previous = g_current == &g_silent ? nullptr : g_current;
  g_current = ui ? ui : &g_silent;
  return previous;
}

}  // namespace orvella
