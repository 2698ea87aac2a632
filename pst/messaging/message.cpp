#include "pst/messaging/message.h"

#include <algorithm>
#include <cstdio>

#include "pst/messaging/property_tags.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

namespace {

std::string tagText(std::uint32_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(tag));
    return text;
}

}  // namespace

void Message::set(std::uint32_t tag, PropertyValue&& value) {
    if (tagType(tag) != value.type()) throw PstError("property " + tagText(tag) + " given a value of another type");
    if (tagId(tag) >= 0x8000) throw PstError("property " + tagText(tag) + ": ids from 0x8000 are named properties; set them by name");
    tagged_.emplace_back(tag, std::move(value));
}

PropertyContextBuilder attachmentObject(Attachment attachment) {
    constexpr std::int32_t kAttachByValue = 1;
    PropertyContextBuilder properties;
    properties.set(tagId(tags::AttachMethod), PropertyValue::int32(kAttachByValue));
    properties.set(tagId(tags::RenderingPosition), PropertyValue::int32(-1));
    properties.set(tagId(tags::AttachFilename), PropertyValue::string(attachment.fileName));
    properties.set(tagId(tags::AttachLongFilename), PropertyValue::string(attachment.fileName));
    properties.set(tagId(tags::DisplayName), PropertyValue::string(attachment.fileName));
    const auto dot = attachment.fileName.rfind('.');
    if (dot != std::string::npos) {
        properties.set(tagId(tags::AttachExtension), PropertyValue::string(attachment.fileName.substr(dot)));
    }
    // Not rendered in the body, neither in HTML nor in RTF.
    properties.set(tagId(tags::AttachFlags), PropertyValue::int32(0));
    properties.set(tagId(tags::AttachDataBinary), PropertyValue::binary(std::move(attachment.data)));
    for (auto& [tag, value] : attachment.properties) properties.set(tagId(tag), std::move(value));
    // Outlook gives as an attachment's size the bytes of all its values, the
    // data and this size's own four included.
    std::uint64_t size = 4;
    for (const auto& [id, value] : properties.values()) size += value.bytes().size();
    properties.set(tagId(tags::AttachSize), PropertyValue::int32(static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF))));
    return properties;
}

void Message::set(const PropertyName& name, PropertyValue&& value) { named_.emplace_back(name, std::move(value)); }

void Message::setAll(const Message& other) {
    tagged_.insert(tagged_.end(), other.tagged_.begin(), other.tagged_.end());
    named_.insert(named_.end(), other.named_.begin(), other.named_.end());
}

}  // namespace tessaly::pst
