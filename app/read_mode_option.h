#pragma once
// The value of `--mode`, shared by the subcommands that read vCard files.

#include <optional>
#include <string>

#include "vcard/line_reader.h"

namespace tessaly {

// "auto", "normal" or "advance"; nothing for any other word.
std::optional<ReadMode> readModeNamed(const std::string& name);

}  // namespace tessaly
