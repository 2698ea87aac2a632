#pragma once
// The 24 number formats every sheet declares after BOF. A cell's format index
// (0 to 23) selects one of them by its position in this list.

#include <array>
#include <string_view>

namespace tessaly {

const std::array<std::string_view, 24>& defaultNumberFormats();

}  // namespace tessaly
