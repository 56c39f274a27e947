#include "support/scriptedinteraction.h"

#include <stdexcept>

namespace orvella {

namespace {
template <typename T>
T Take(std::deque<T>& answers, const char* what) {
  if (answers.empty()) throw std::logic_error(std::string("no scripted answer left for ") + what);
  T v = std::move(answers.front());
  answers.pop_front();
  return v;
}
}  // namespace

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

bool ScriptedInteraction::RunLong(const std::string& text, LongTask& task, const std::function<void()>& work) {
  ++longRuns;
  events.push_back({"long", {}, text, {}});
  if (cancelLong) task.cancelled = true;
  work();
  return !task.cancelled;
}

}  // namespace orvella
