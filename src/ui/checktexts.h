// The scenery check's texts in the window, in one keyed table: the report
// dialog, the map of tiles, the marks in the trees. A key the table lacks
// shows as itself, so a misspelt key is seen at once.
#pragma once

#include <QString>

#include <string_view>
#include <utility>

namespace orvella::ui {

// The French text of key; "%1".."%9" are filled by QString::arg.
QString CheckText(std::string_view key);

// Every key with its text, in the table's order (for checks and a future
// language file).
std::pair<const char* const*, int> CheckTextKeys();

}  // namespace orvella::ui
