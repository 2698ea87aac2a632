#include "app/read_mode_option.h"

namespace tessaly {

std::optional<ReadMode> readModeNamed(const std::string& name) {
    if (name == "auto") return ReadMode::Auto;
    if (name == "normal") return ReadMode::Normal;
    if (name == "advance") return ReadMode::Advance;
    return std::nullopt;
}

}  // namespace tessaly
