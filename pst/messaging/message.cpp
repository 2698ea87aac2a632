#include "pst/messaging/message.h"

#include <stdexcept>

namespace tessaly::pst {

void Message::set(std::uint32_t tag, PropertyValue value) {
    if (tagType(tag) != value.type) {
        throw std::invalid_argument("property 0x" + std::to_string(tag) + " given a value of another type");
    }
    if (tagId(tag) >= 0x8000) throw std::invalid_argument("ids from 0x8000 are named properties; set them by name");
    tagged_.emplace_back(tag, std::move(value));
}

void Message::set(const PropertyName& name, PropertyValue value) { named_.emplace_back(name, std::move(value)); }

}  // namespace tessaly::pst
