#pragma once
// The vCard files a source names: the file itself, or the .vcf files of a folder.

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// A .vcf entry of a folder that is not read, and why.
struct SkippedSource {
    std::filesystem::path path;
    std::string cause;
};

struct SourceListing {
    std::vector<std::filesystem::path> files;  // to read, in sorted order
    std::vector<SkippedSource> skipped;        // to report, in sorted order
};

// The .vcf files of a folder: ordinary files whose extension is ".vcf" in any
// letter case, not hidden (a name starting with "."), not in subfolders, in
// sorted order so that runs are reproducible. A .vcf link that leads nowhere
// is skipped with its cause, not passed over in silence. Throws
// std::filesystem's error when the folder cannot be listed.
SourceListing listVcardFiles(const std::filesystem::path& folder);

// A source file the user named: a link at its name is the user's own choice,
// so it is read through to its file (whose name the reader then opens
// without following links); any other path is read as it is.
std::filesystem::path chosenSourceFile(const std::filesystem::path& file);

}  // namespace tessaly
