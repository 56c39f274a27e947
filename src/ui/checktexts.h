// The scenery check's texts in the window: the catalogue's section
// "OrvellaCheckFenetre" (the report dialog, the map of tiles, the marks in
// the trees). The report's sections and reasons are the engine's own texts
// (check::CheckText). A key the catalogue lacks shows as itself, so a
// misspelt key is seen at once.
#pragma once

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvella::ui {

// The text of key; "%1".."%9" are filled by QString::arg.
QString CheckText(std::string_view key);
// The engine's text of key with its "%s" filled, as a QString.
QString EngineText(const char* key, std::initializer_list<std::string> args = {});

}  // namespace orvella::ui
