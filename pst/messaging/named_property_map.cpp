#include "pst/messaging/named_property_map.h"

#include <algorithm>
#include <map>
#include "pst/pst_error.h"

#include "pst/messaging/property_tags.h"
#include "pst/ndb/crc32.h"

namespace tessaly::pst {

std::uint16_t NamedPropertyMap::guidIndex(const Guid& guid) {
    // 1 and 2 stand for PS_MAPI and PS_PUBLIC_STRINGS; others are 3 + their
    // position in the GUID stream.
    if (guid == kPsMapi) return 1;
    if (guid == kPsPublicStrings) return 2;
    const auto it = std::find(guids_.begin(), guids_.end(), guid);
    if (it != guids_.end()) return static_cast<std::uint16_t>(3 + (it - guids_.begin()));
    guids_.push_back(guid);
    return static_cast<std::uint16_t>(2 + guids_.size());
}

std::uint32_t NamedPropertyMap::stringKey(const std::string& utf8Name) {
    const Bytes utf16 = utf8ToUtf16le(utf8Name);
    return computeCrc(utf16.data(), utf16.size());
}

std::uint16_t NamedPropertyMap::bucketFor(std::uint32_t key, std::uint16_t guidField) {
    return static_cast<std::uint16_t>(0x1000 + (key ^ guidField) % kBucketCount);
}

std::size_t NamedPropertyMap::recentSlot(const PropertyName& name) {
    std::uint32_t key = name.id;
    if (name.isString && !name.name.empty()) {
        key = static_cast<std::uint32_t>(name.name.size()) << 16 ^
              static_cast<std::uint8_t>(name.name.front()) << 8 ^ static_cast<std::uint8_t>(name.name.back());
    }
    // Fibonacci hashing: LIDs that differ only in their high byte land apart.
    return ((key ^ name.guid[0]) * 0x9E3779B1u) >> 24;
}

std::uint16_t NamedPropertyMap::idFor(const PropertyName& name) {
    // The name is kept in the first of four slots from its hash that holds
    // it or is free: two names of a message that share a slot no longer
    // take turns in it. With all four taken, the first gives way.
    const std::size_t first = recentSlot(name);
    Recent* free = nullptr;
    for (std::size_t probe = 0; probe < kRecentProbes; ++probe) {
        Recent& slot = recent_[(first + probe) % recent_.size()];
        if (slot.id == 0) {
            if (free == nullptr) free = &slot;
        } else if (slot.name == name) {
            return slot.id;
        }
    }
    Recent& recent = free != nullptr ? *free : recent_[first];
    const auto found = ids_.find(name);
    if (found != ids_.end()) {
        recent = {name, found->second};
        return found->second;
    }
    if (entries_.size() >= 0xFFFF - kFirstId) throw PstError("the store has no named-property ids left");
    Entry entry;
    entry.guidField = static_cast<std::uint16_t>((guidIndex(name.guid) << 1) | (name.isString ? 1 : 0));
    entry.index = static_cast<std::uint16_t>(entries_.size());
    if (name.isString) {
        const Bytes utf16 = utf8ToUtf16le(name.name);
        entry.key = computeCrc(utf16.data(), utf16.size());
        entry.stream = static_cast<std::uint32_t>(strings_.size());
        append32(strings_, static_cast<std::uint32_t>(utf16.size()));
        strings_.insert(strings_.end(), utf16.begin(), utf16.end());
        strings_.resize(alignUp(strings_.size(), 4), 0);
    } else {
        entry.key = name.id;
        entry.stream = name.id;
    }
    entries_.push_back(entry);
    const auto id = static_cast<std::uint16_t>(kFirstId + entry.index);
    ids_.emplace(name, id);
    recent = {name, id};
    return id;
}

PropertyContextBuilder NamedPropertyMap::build() const {
    PropertyContextBuilder pc;
    pc.set(tagId(tags::NameidBucketCount), PropertyValue::int32(kBucketCount));
    Bytes guidStream;
    for (const Guid& guid : guids_) guidStream.insert(guidStream.end(), guid.begin(), guid.end());
    pc.set(tagId(tags::NameidStreamGuid), PropertyValue::binary(guidStream));
    Bytes entryStream;
    std::map<std::uint16_t, Bytes> buckets;
    for (const Entry& entry : entries_) {
        append32(entryStream, entry.stream);
        append16(entryStream, entry.guidField);
        append16(entryStream, entry.index);
        Bytes& bucket = buckets[bucketFor(entry.key, entry.guidField)];
        append32(bucket, entry.key);
        append16(bucket, entry.guidField);
        append16(bucket, entry.index);
    }
    pc.set(tagId(tags::NameidStreamEntry), PropertyValue::binary(entryStream));
    pc.set(tagId(tags::NameidStreamString), PropertyValue::binary(strings_));
    for (auto& [id, records] : buckets) pc.set(id, PropertyValue::binary(std::move(records)));
    return pc;
}

}  // namespace tessaly::pst
