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

SilentInteraction silent;
Interaction* current = &silent;

}  // namespace

Interaction& UI() { return *current; }

Interaction* SetUI(Interaction* ui) {
  Interaction* previous = current == &silent ? nullptr : current;
  current = ui ? ui : &silent;
  return previous;
}

}  // namespace orvella
