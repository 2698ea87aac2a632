#include "common/numbered_name.h"

#include <charconv>
#include <string>

namespace tessaly {

std::filesystem::path numberedName(const std::filesystem::path& first, int copy) {
    if (copy <= 1) return first;
    return first.parent_path() /
           (first.stem().string() + " (" + std::to_string(copy) + ")" + first.extension().string());
}

NumberedName splitNumberedName(const std::filesystem::path& name) {
    const std::string stem = name.stem().string();
    // " (N)" at the end of the stem, N without a leading zero.
    const std::size_t open = stem.rfind(" (");
    if (open == std::string::npos || stem.size() < open + 4 || stem.back() != ')' || stem[open + 2] == '0')
        return {name, 1};
    const char* digits = stem.data() + open + 2;
    const char* end = stem.data() + stem.size() - 1;
    int copy = 0;
    const auto [stop, error] = std::from_chars(digits, end, copy);
    if (error != std::errc() || stop != end || copy < 2 || copy > kMaxNumberedCopies) return {name, 1};
    return {name.parent_path() / (stem.substr(0, open) + name.extension().string()), copy};
}

}  // namespace tessaly
