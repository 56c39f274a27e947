// The interaction the tests install: it answers from a script prepared in
// advance and records everything the program asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "logic/core/interaction.h"
#include "logic/order/orderline.h"

namespace orvella {

// An interaction that answers from a script prepared in advance and records
// everything it was asked. Running out of answers for a question is a test
// failure: the call throws std::logic_error.
class ScriptedInteraction : public Interaction {
 public:
  struct Event {
    std::string kind;  // "message", "confirm", "warn", "input", "folder", "copymove", "libraries", "cursor", "order"
    std::string text;  // the text shown (prompt for pickers and input boxes)
    std::string title;
    Point at;
  };

  // Answers, consumed in order per kind.
  std::deque<bool> confirmAnswers;
  std::deque<bool> warnAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<int> copyMoveAnswers;
  // Each answer replaces the library list given to the dialog; an empty
  // optional keeps the list as given.
  std::deque<std::optional<std::vector<std::string>>> libraryAnswers;
  Point mouse{100, 100};

  std::vector<Event> events;
  std::vector<std::string> messages;  // texts of ShowMessage, in order
  std::vector<std::vector<std::string>> librariesShown;
  // Each order shown: its lines and warnings.
  struct OrderShown {
    std::vector<OrderLine> lines;
    std::vector<std::string> warnings;
  };
  std::vector<OrderShown> ordersShown;
  int busyDepth = 0;  // cursor: +1 busy, -1 default
  int busyShown = 0;  // how often the hourglass was shown

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool WarnYesNo(const std::string& text, Point at) override;
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<std::string> PickFolder(const std::string& prompt) override;
  int AskCopyOrMove() override;
  std::vector<std::string> EditLibraries(const std::vector<std::string>& folders) override;
  void SetBusyCursor(bool busy) override;
  Point MousePos() override { return mouse; }
  void ShowOrder(const std::string& title, const std::vector<OrderLine>& lines,
                 const std::vector<std::string>& warnings) override;
  // Long work runs here at once; with cancelLong the user's Cancel comes
  // before its first step. Each run is counted.
  bool RunLong(const std::string& text, LongTask& task, const std::function<void()>& work) override;
  bool cancelLong = false;
  int longRuns = 0;

  // The initial text of the last input box.
  const std::string& lastInputInitial() const { return lastInputInitial_; }

 private:
  std::string lastInputInitial_;
};

}  // namespace orvella
