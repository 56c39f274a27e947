// The definitions of a DSF tile: the names of the terrains, objects,
// polygons and networks it places, from the string tables of its DEFN atom,
// with the properties of its HEAD atom. Only the start of the file up to the
// end of both atoms is ever needed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logic/order/dsf.h"

namespace orvella::check {

struct DsfDefinitions {
  DsfProperties properties;
  std::vector<std::string> terrains, objects, polygons, networks;
};

// How much of a plain DSF the definitions need: Done once the bytes hold
// the whole HEAD and DEFN atoms; NeedMore with the total size; Damaged.
DsfStart ScanDsfDefinitions(std::string_view bytes);

// The definitions of bytes that ScanDsfDefinitions found whole.
std::optional<DsfDefinitions> ParseDsfDefinitions(std::string_view bytes);

// The same read for the check: whether the tile is an overlay, and the names
// of its four tables in one list, as views into bytes.
bool DsfDefinitionNames(std::string_view bytes, bool& overlay, std::vector<std::string_view>& names);

// Most that is read of one tile to reach its definitions.
inline constexpr size_t kDsfDefinitionsLimit = size_t{64} << 20;

}  // namespace orvella::check
