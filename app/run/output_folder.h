#pragma once
// The output folder as a run uses it: links on the way to it resolved, so
// that every file goes where the report says, and a word when others could
// change what is written there.

#include <filesystem>
#include <string>

namespace tessaly {

struct OutputFolder {
    std::filesystem::path path;  // the real folder (the chosen one when it does not exist yet)
    std::string warning;         // empty, or why other users could change the run's files
};

// Throws TargetError when the folder's own name is a link: whoever can write
// its parent could point it anywhere between two runs.
OutputFolder checkOutputFolder(const std::filesystem::path& chosen);

}  // namespace tessaly
