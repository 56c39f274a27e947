#include "logic/core/interaction.h"

#include <stdexcept>

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

template <typename T>
T Take(std::deque<T>& answers, const char* what) {
  if (answers.empty()) throw std::logic_error(std::string("no scripted answer left for ") + what);
  T v = std::move(answers.front());
  answers.pop_front();
  return v;
}
}  // namespace

Interaction& UI() { return *g_current; }

Interaction* SetUI(Interaction* ui) {
  Interaction* previous = g_current == &g_silent ? nullptr : g_current;
  g_current = ui ? ui : &g_silent;
  return previous;
}

void ScriptedInteraction::ShowMessage(const std::string& text) {
  events.push_back({"message", text, {}, {}});
  messages.push_back(text);
}

bool ScriptedInteraction::Confirm(const std::string& text) {
  events.push_back({"confirm", text, {}, {}});
  return Take(confirmAnswers, "Confirm");
}

bool ScriptedInteraction::WarnYesNo(const std::string& text, Point at) {
  events.push_back({"warn", text, {}, at});
  return Take(warnAnswers, "WarnYesNo");
}

std::optional<std::string> ScriptedInteraction::InputBox(const std::string& title, const std::string& prompt,
                                                         const std::string& initial) {
  events.push_back({"input", prompt, title, {}});
  lastInputInitial_ = initial;
  return Take(inputAnswers, "InputBox");
}

std::optional<std::string> ScriptedInteraction::PickFolder(const std::string& prompt) {
  events.push_back({"folder", prompt, {}, {}});
  return Take(folderAnswers, "PickFolder");
}

int ScriptedInteraction::AskCopyOrMove() {
  events.push_back({"copymove", {}, {}, {}});
  return Take(copyMoveAnswers, "AskCopyOrMove");
}

std::vector<std::string> ScriptedInteraction::EditLibraries(const std::vector<std::string>& folders) {
  events.push_back({"libraries", {}, {}, {}});
  librariesShown.push_back(folders);
  auto answer = Take(libraryAnswers, "EditLibraries");
  return answer ? *answer : folders;
}

void ScriptedInteraction::SetBusyCursor(bool busy) {
  events.push_back({"cursor", busy ? "busy" : "default", {}, {}});
  busyDepth += busy ? 1 : -1;
  if (busy) ++busyShown;
}

void ScriptedInteraction::ShowOrder(const std::string& title, const std::vector<OrderLine>& lines,
                                    const std::vector<std::string>& warnings) {
  events.push_back({"order", {}, title, {}});
  ordersShown.push_back({lines, warnings});
}

}  // namespace orvella
