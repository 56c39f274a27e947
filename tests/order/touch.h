// Moves a path's modification time on by two seconds, as a copy over it would.
#pragma once

#include <filesystem>

namespace orvella::test {
void Touch(const std::filesystem::path& p);
}
