#include "ui/checktexts.h"

#include "logic/check/checktexts.h"
#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"

namespace orvella::ui {

QString CheckText(std::string_view key) { return MessageText(Text("OrvellaCheckFenetre", key)); }

QString EngineText(const char* key, std::initializer_list<std::string> args) {
  return FromAnsi(args.size() ? check::CheckText(key, args) : check::CheckText(key));
}

}  // namespace orvella::ui
