#include "vcard/picture_names.h"

namespace tessaly {

std::string PictureNames::claim(int fileCardCount) {
    const auto place = static_cast<std::size_t>(fileCardCount < 0 ? 0 : fileCardCount);
    if (place >= uses_.size()) uses_.resize(place + 1, 0);
    const std::uint32_t use = ++uses_[place];
    std::string name = place > 0 ? std::to_string(place) : std::string();
    if (use > 1) name += " (" + std::to_string(use) + ")";
    return name + ".gif";
}

}  // namespace tessaly
