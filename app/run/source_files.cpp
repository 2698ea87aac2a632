#include "app/run/source_files.h"

#include <algorithm>

#include "common/ascii_case.h"

namespace tessaly {

namespace {

bool isVcardName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;  // hidden
    return equalsNoCase(std::filesystem::path(name).extension().string(), ".vcf");
}

}  // namespace

SourceListing listVcardFiles(const std::filesystem::path& folder) {
    SourceListing listing;
    std::error_code folderError;
    const std::filesystem::path realFolder = std::filesystem::canonical(folder, folderError);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!isVcardName(entry.path().filename().string())) continue;
        // What a link leads to; a .vcf entry that cannot be looked at (a link
        // whose file is gone) is reported rather than passed over.
        std::error_code error;
        const std::filesystem::file_status status = entry.status(error);
        if (!error && status.type() == std::filesystem::file_type::regular) {
            if (!entry.is_symlink(error)) {
                listing.files.push_back(entry.path());
                continue;
            }
            // Whoever can write the folder could plant a link to one of the
            // user's private files: a link is followed only to a file inside
            // the folder, and that file is what is read.
            const std::filesystem::path target = std::filesystem::canonical(entry.path(), error);
            const std::string inside = realFolder.string() + "/";
            if (!error && !folderError && target.string().compare(0, inside.size(), inside) == 0)
                listing.files.push_back(target);
            else
                listing.skipped.push_back({entry.path(), "a link to " + target.string() +
                                                             ", outside the folder; it was not followed"});
        } else if (status.type() == std::filesystem::file_type::not_found) {
            std::error_code readError;
            const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), readError);
            listing.skipped.push_back({entry.path(), readError ? "does not exist"
                                                               : "a link to " + target.string() + ", which does not exist"});
        } else if (error) {
            listing.skipped.push_back({entry.path(), error.message()});
        } else if (status.type() != std::filesystem::file_type::directory) {
            // A pipe or a device could block the run or never end.
            listing.skipped.push_back({entry.path(), "not a regular file; it was not read"});
        }
    }
    std::sort(listing.files.begin(), listing.files.end());
    std::sort(listing.skipped.begin(), listing.skipped.end(),
              [](const SkippedSource& a, const SkippedSource& b) { return a.path < b.path; });
    return listing;
}

std::filesystem::path chosenSourceFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) return file;
    const std::filesystem::path target = std::filesystem::canonical(file, error);
    return error ? file : target;
}

}  // namespace tessaly
