// The one seam through which the program talks to the user: every message
// box, question, input box, folder picker and modal dialog of the program goes
// through the current Interaction. The Qt interface installs the real one;
// tests install one that answers in advance.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "logic/core/geometry.h"

namespace orvella {

// Answers of the copy-or-move dialog.
inline constexpr int kMrYes = 6;     // "Copier"
inline constexpr int kMrNo = 7;      // "Déplacer"
inline constexpr int kMrCancel = 2;  // "Annuler" or closed

struct OrderLine;  // logic/order/orderline.h

// A long piece of work of the program, run off the window's thread: it looks
// at `cancelled` between its steps and counts them in `done`.
struct LongTask {
  std::atomic<bool> cancelled{false};
  std::atomic<int> done{0};
  int total = 0;
};

class Interaction {
 public:
  virtual ~Interaction() = default;

  // Plain message box: the application title as caption, the text, one OK.
  virtual void ShowMessage(const std::string& text) = 0;
  // Confirmation box with a question icon, buttons Yes and No; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // Warning box "Avertissement" with Yes and No, its top left corner at `at`
  // (a negative coordinate is not applied); true for Yes.
  virtual bool WarnYesNo(const std::string& text, Point at) = 0;
  // Modal input box; nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                              const std::string& initial) = 0;
  // The folder picker: a Windows path without trailing "\" (except for a
  // drive root), or nullopt when cancelled.
  virtual std::optional<std::string> PickFolder(const std::string& prompt) = 0;
  // The copy-or-move dialog: kMrYes, kMrNo or kMrCancel.
  virtual int AskCopyOrMove() = 0;
  // The library-folders dialog, shown modally with `folders`; answers the
  // list as the dialog holds it when closed. The dialog places itself: its
  // bottom edge at the mouse pointer, centred on the main window.
  virtual std::vector<std::string> EditLibraries(const std::vector<std::string>& folders) = 0;
  // The hourglass cursor on (true) or back to the default (false).
  virtual void SetBusyCursor(bool busy) = 0;
  // The mouse pointer's screen position.
  virtual Point MousePos() = 0;
  // Shows the scenery order that would be written (top first) with its
  // warnings, modally, until the user closes it. Nothing by default.
  virtual void ShowOrder(const std::string& title, const std::vector<OrderLine>& lines,
                         const std::vector<std::string>& warnings) {}
  // Runs work on another thread while the window keeps answering (its
  // commands wait); beyond half a second a progress bar of task's steps with
  // a Cancel button shows, which sets task.cancelled. Answers false when the
  // work was cancelled. By default the work runs here, at once.
  virtual bool RunLong(const std::string& text, LongTask& task, const std::function<void()>& work) {
    work();
    return !task.cancelled;
  }
};

// The interaction in force; a silent default that answers "no" to everything
// until the program or a test installs its own.
Interaction& UI();
// Installs an interaction (not owned); nullptr restores the silent default.
// Returns the previous one.
Interaction* SetUI(Interaction* ui);

// Restores the cursor when a search ends, also by an exception.
class BusyCursor {
 public:
  BusyCursor() { UI().SetBusyCursor(true); }
  ~BusyCursor() { UI().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Installs an interaction for the lifetime of the guard.
class ScopedUI {
 public:
  explicit ScopedUI(Interaction& ui) : previous_(SetUI(&ui)) {}
  ~ScopedUI() { SetUI(previous_); }
  ScopedUI(const ScopedUI&) = delete;
  ScopedUI& operator=(const ScopedUI&) = delete;

 private:
  Interaction* previous_;
};

}  // namespace orvella
