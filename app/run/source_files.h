#pragma once
// The vCard files a source names: the file itself, or the .vcf files of a folder.

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// The .vcf files of a folder: ordinary files whose extension is ".vcf" in any
// letter case, not hidden (a name starting with "."), not in subfolders, in
// sorted order so that runs are reproducible. Throws std::filesystem's error
// when the folder cannot be listed.
std::vector<std::filesystem::path> listVcardFiles(const std::filesystem::path& folder);

}  // namespace tessaly
