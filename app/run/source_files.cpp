#include "app/run/source_files.h"

#include <algorithm>

namespace tessaly {

namespace {

bool isVcardExtension(const std::string& extension) {
    static constexpr char kVcf[] = ".vcf";
    if (extension.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = extension[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != kVcf[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<std::filesystem::path> listVcardFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (!isVcardExtension(entry.path().extension().string())) continue;
        std::error_code error;
        if (!entry.is_regular_file(error)) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace tessaly
