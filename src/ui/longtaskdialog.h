// Long work of the program run off the window's thread: the window keeps
// painting while it runs, and beyond half a second a progress bar with a
// Cancel button ("Annuler") shows, modal to the window.
#pragma once

#include <QString>

#include <functional>

#include "logic/core/interaction.h"

class QWidget;

namespace orvella::ui {

// How long the work runs before the progress bar shows.
inline constexpr int kProgressDelayMs = 500;

// Runs work on another thread and waits for it with the window answering:
// during the first kProgressDelayMs only painting and timers (the user's
// clicks and keys wait), then the progress dialog, object name
// "EcrProgression", with its Cancel button setting task.cancelled. Answers
// false when the work was cancelled. An exception of the work is raised
// here once it ended.
bool RunLongTask(QWidget* owner, const QString& text, LongTask& task, const std::function<void()>& work);

}  // namespace orvella::ui
