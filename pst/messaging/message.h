#pragma once
// A message as the caller fills it before it is added to a folder: properties
// by tag or by name, and attachments.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pst/ltp/property_context.h"
#include "pst/ltp/property_value.h"
#include "pst/messaging/property_name.h"

namespace tessaly::pst {

struct Attachment {
    std::string fileName;  // UTF-8
    Bytes data;
    // Further attachment properties (for instance the MIME type).
    std::vector<std::pair<std::uint32_t, PropertyValue>> properties;
};

// The properties of an attachment object (MS-OXCMSG 2.2.2): attached by
// value, not rendered inline, its file name, extension, flags and data, the
// attachment's own properties, then its size: the bytes of all of these.
PropertyContextBuilder attachmentObject(Attachment attachment);

class Message {
public:
    // A property by tag; the tag's type must be the value's type.
    void set(std::uint32_t tag, PropertyValue&& value);
    // A named property; its id is assigned by the store's name-to-id map.
    void set(const PropertyName& name, PropertyValue&& value);
    // Sets every property `other` has, after those set so far and in its
    // order (a later value of a property replaces an earlier one).
    void setAll(const Message& other);
    void addAttachment(Attachment attachment) { attachments_.push_back(std::move(attachment)); }
    // Drops every value and attachment, keeping the room they took: a
    // message filled again after it needs no memory of its own.
    void clear() {
        tagged_.clear();
        named_.clear();
        attachments_.clear();
    }
    // Room for this many tagged and named values.
    void reserve(std::size_t taggedCount, std::size_t namedCount) {
        tagged_.reserve(taggedCount);
        named_.reserve(namedCount);
    }

    const std::vector<std::pair<std::uint32_t, PropertyValue>>& tagged() const { return tagged_; }
    const std::vector<std::pair<PropertyName, PropertyValue>>& named() const { return named_; }
    const std::vector<Attachment>& attachments() const { return attachments_; }
    // For the store, which takes the values over.
    std::vector<std::pair<std::uint32_t, PropertyValue>>& tagged() { return tagged_; }
    std::vector<std::pair<PropertyName, PropertyValue>>& named() { return named_; }
    std::vector<Attachment>& attachments() { return attachments_; }

private:
    std::vector<std::pair<std::uint32_t, PropertyValue>> tagged_;
    std::vector<std::pair<PropertyName, PropertyValue>> named_;
    std::vector<Attachment> attachments_;
};

}  // namespace tessaly::pst
