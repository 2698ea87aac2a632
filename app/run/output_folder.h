#pragma once
// The output folder as a run uses it: opened once and held open for the run,
// so that every file is made in the folder that was checked and goes where
// the report says, and a word when others could change what is written there.

#include <filesystem>
#include <memory>
#include <string>

#include "common/held_folder.h"

namespace tessaly {

struct OutputFolder {
    std::filesystem::path path;  // the real folder (the chosen one when it does not exist yet)
    std::string warning;         // empty, or why other users could change the run's files
    // Held while the run writes; empty when the folder could not be opened
    // (the target then reports why).
    std::shared_ptr<HeldFolder> held;
};

// Throws TargetError when the folder's own name is a link: whoever can write
// its parent could point it anywhere between two runs.
OutputFolder checkOutputFolder(const std::filesystem::path& chosen);

}  // namespace tessaly
