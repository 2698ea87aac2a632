#pragma once
// Copies of a file name that must not replace a file already there:
// "NAME.EXT", then "NAME (2).EXT", "NAME (3).EXT", … up to a bound, so that a
// folder full of such names ends the search instead of spinning.

#include <filesystem>

namespace tessaly {

// The most copies of one name that are tried.
inline constexpr int kMaxNumberedCopies = 1000;

// The `copy`th name of `first`: `first` itself for 1, otherwise " (copy)"
// before the extension (the last "." of the file name, if any).
std::filesystem::path numberedName(const std::filesystem::path& first, int copy);

struct NumberedName {
    std::filesystem::path first;
    int copy = 1;
};

// The inverse of numberedName: "NAME (N).EXT" with N from 2 to the bound is
// copy N of "NAME.EXT"; any other name is copy 1 of itself.
NumberedName splitNumberedName(const std::filesystem::path& name);

}  // namespace tessaly
