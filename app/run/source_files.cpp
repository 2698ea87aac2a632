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
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!isVcardName(entry.path().filename().string())) continue;
        // What a link leads to; a .vcf entry that cannot be looked at (a link
        // whose file is gone) is reported rather than passed over.
        std::error_code error;
        const std::filesystem::file_status status = entry.status(error);
        if (!error && status.type() == std::filesystem::file_type::regular) {
            listing.files.push_back(entry.path());
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

}  // namespace tessaly
