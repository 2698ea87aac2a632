#include "app/run/source_files.h"

#include <algorithm>

#include "vcard/vcard_text.h"

namespace tessaly {

std::vector<std::filesystem::path> listVcardFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (asciiLower(entry.path().extension().string()) != ".vcf") continue;
        std::error_code error;
        if (!entry.is_regular_file(error)) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace tessaly
