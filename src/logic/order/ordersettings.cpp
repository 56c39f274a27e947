#include "logic/order/ordersettings.h"

#include <cstdlib>
#include <cstring>

#include "logic/core/asciitext.h"
#include "logic/core/pathnames.h"
#include "logic/core/textfile.h"

namespace orvella {

namespace {
constexpr const char* kHeader = "OrvellaOrdre 1";
constexpr const char* kOrderKey = "Ordonne=";
constexpr const char* kKindKey = "Type=";
constexpr const char* kWrittenKey = "Ecrit=";
}  // namespace

std::optional<PackKind> OrderSettings::kindOf(const std::string& folder) const {
  if (auto it = kinds.find(folder); it != kinds.end()) return it->second;
  for (const auto& [path, kind] : kinds)
    if (EqualsAsciiNoCase(path, folder)) return kind;
  return std::nullopt;
}

void OrderSettings::setKind(const std::string& folder, std::optional<PackKind> kind) {
  for (auto it = kinds.begin(); it != kinds.end();) {
    if (EqualsAsciiNoCase(it->first, folder))
      it = kinds.erase(it);
    else
      ++it;
  }
  if (kind) kinds[folder] = *kind;
}

std::map<std::string, PackKind> OrderSettings::foldedKinds() const {
  std::map<std::string, PackKind> out;
  for (const auto& [path, kind] : kinds) out[FoldAsciiCase(path)] = kind;
  return out;
}

std::string OrderSettings::save() const {
  std::string out = std::string(kHeader) + "\r\n";
  out += kOrderKey;
  out += orderIni ? "1" : "0";
  out += "\r\n";
  for (const auto& [path, kind] : kinds)
    if (path.find_first_of("\r\n") == std::string::npos)  // a name that cannot be kept on one line is not kept
      out += std::string(kKindKey) + PackKindKey(kind) + "\t" + path + "\r\n";
  for (const auto& [path, digest] : written)
    if (path.find_first_of("\r\n") == std::string::npos)
      out += std::string(kWrittenKey) + IntToHex(digest, 16) + "\t" + path + "\r\n";
  return out;
}

OrderSettings OrderSettings::load(const std::string& text) {
  OrderSettings s;
  bool first = true;
  for (const std::string& line : SplitLines(text)) {
    if (first) {
      first = false;
      if (line != kHeader) return s;
      continue;
    }
    const std::string orderKey = kOrderKey;
    const std::string kindKey = kKindKey;
    if (line.compare(0, orderKey.size(), orderKey) == 0) {
      s.orderIni = line.substr(orderKey.size()) == "1";
    } else if (line.compare(0, kindKey.size(), kindKey) == 0) {
      const size_t tab = line.find('\t', kindKey.size());
      if (tab == std::string::npos || tab + 1 >= line.size()) continue;
      const std::optional<PackKind> kind = PackKindFromKey(line.substr(kindKey.size(), tab - kindKey.size()));
      const std::string path = line.substr(tab + 1);
      if (kind && *kind != PackKind::GlobalAirports && path.find('\r') == std::string::npos) s.setKind(path, kind);
    } else if (line.compare(0, std::strlen(kWrittenKey), kWrittenKey) == 0) {
      const size_t at = std::strlen(kWrittenKey);
      const size_t tab = line.find('\t', at);
      if (tab != at + 16 || tab + 1 >= line.size()) continue;
      char* stop = nullptr;
      const std::string hex = line.substr(at, 16);
      const unsigned long long digest = std::strtoull(hex.c_str(), &stop, 16);
      if (*stop == '\0' && digest != 0) s.written[line.substr(tab + 1)] = digest;
    }
  }
  return s;
}

std::string OrderSettingsPath(const std::string& settingsPath) { return ChangeExtension(settingsPath, ".ordre.ini"); }
std::string PackMemoryPath(const std::string& settingsPath) { return ChangeExtension(settingsPath, ".packs"); }

}  // namespace orvella
