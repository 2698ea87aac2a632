#include "pst/verify/property_context.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "pst/verify/btree_on_heap.h"
#include "pst/verify/heap_on_node.h"
#include "pst/verify/property_types.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kPropertyContextSignature = 0xBC;
// Values kept in subnodes are read only up to this size (to check their
// layout); larger ones are only sized.
constexpr std::uint64_t kMaxValueRead = 1024 * 1024;

class PropertyCheck {
public:
    PropertyCheck(VerifyContext& context, std::uint64_t nid, const HeapOnNode& heap, const SubnodeMap& subnodes)
        : context_(context), nid_(nid), heap_(heap), subnodes_(subnodes) {}

    PropertyValue check(std::uint16_t id, Bytes record) {
        PropertyValue value;
        value.type = readU16(record, 0);
        value.inlineValue = readU32(record, 2);
        // Spelled out only for a finding: most values have none.
        const auto name = [&] { return "property " + hexText(id) + " of type " + hexText(value.type); };
        const auto info = propertyTypeInfo(value.type);
        if (!info) {
            violation("pc.type", name() + " has a type MS-PST does not define for a PST");
            return value;
        }
        if (info->shape == ValueShape::kInline4) return value;
        const std::uint32_t hnid = value.inlineValue;
        std::optional<std::uint64_t> size;
        if (hnid == 0) {
            size = 0;
            value.bytes.emplace();
        } else if (HeapOnNode::isHid(hnid)) {
            auto bytes = heap_.allocation(hnid);
            if (!bytes) {
                heap_.checkedAllocation(context_, hnid, name());
                return value;
            }
            size = bytes->size();
            value.bytes = std::move(*bytes);
        } else {
            const auto found = subnodes_.find(hnid);
            if (found == subnodes_.end()) {
                violation("pc.value-missing", name() + " names subnode " + hexText(hnid) + ", which the node lacks");
                return value;
            }
            size = dataSize(context_, found->second.dataBid);
            if (size && *size <= kMaxValueRead) value.bytes = readData(context_, found->second.dataBid);
        }
        if (!size) return value;
        checkSize(name, *info, value, *size);
        return value;
    }

private:
    void violation(const std::string& rule, const std::string& message) {
        context_.violation(rule, atNode("ltp", nid_), message);
    }

    template <typename Name>
    void checkSize(const Name& name, const PropertyTypeInfo& info, const PropertyValue& value,
                   std::uint64_t size) {
        switch (info.shape) {
        case ValueShape::kFixed:
            if (size != info.size)
                violation("pc.value-size", name() + " has " + std::to_string(size) + " bytes, its type " +
                                               std::to_string(info.size));
            break;
        case ValueShape::kVariable:
            if (value.type == 0x001F && size % 2 != 0)
                violation("pc.value-size", name() + " is UTF-16 text of an odd number of bytes");
            break;
        case ValueShape::kMultiFixed:
            if (size % info.size != 0)
                violation("pc.multi-value", name() + " has " + std::to_string(size) +
                                                " bytes, no whole number of elements");
            break;
        case ValueShape::kMultiVariable:
            if (value.bytes) checkMultiVariable(name(), *value.bytes);
            break;
        case ValueShape::kInline4:
            break;
        }
    }

    void checkMultiVariable(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        if (bytes.empty()) return;
        const Bytes data(bytes.data(), bytes.size());
        const std::uint64_t count = readU32(data, 0);
        if (!fits(data, 4, count * 4)) {
            violation("pc.multi-value", name + ": ulCount " + std::to_string(count) + " runs past the value");
            return;
        }
        std::uint64_t previous = 4 + count * 4;
        for (std::uint64_t index = 0; index < count; ++index) {
            const std::uint64_t offset = readU32(data, 4 + 4 * index);
            if (offset < previous || offset > data.size()) {
                violation("pc.multi-value", name + ": element offsets are out of order or outside the value");
                return;
            }
            previous = offset;
        }
    }

    VerifyContext& context_;
    std::uint64_t nid_;
    const HeapOnNode& heap_;
    const SubnodeMap& subnodes_;
};

}  // namespace

std::vector<PropertyMap::value_type>::const_iterator PropertyMap::firstFrom(std::uint16_t id) const {
    return std::lower_bound(entries_.begin(), entries_.end(), id,
                            [](const value_type& entry, std::uint16_t key) { return entry.first < key; });
}

PropertyValue& PropertyMap::operator[](std::uint16_t id) {
    if (entries_.empty() || entries_.back().first < id) return entries_.emplace_back(id, PropertyValue{}).second;
    const auto at = entries_.begin() + (firstFrom(id) - entries_.cbegin());
    if (at != entries_.end() && at->first == id) return at->second;
    return entries_.emplace(at, id, PropertyValue{})->second;
}

PropertyMap::const_iterator PropertyMap::find(std::uint16_t id) const {
    const auto at = firstFrom(id);
    return at != entries_.end() && at->first == id ? at : entries_.end();
}

const PropertyValue& PropertyMap::at(std::uint16_t id) const {
    const auto found = find(id);
    if (found == end()) throw std::out_of_range("no property " + std::to_string(id));
    return found->second;
}

std::optional<PropertyMap> checkPropertyContext(VerifyContext& context, std::uint64_t nid, std::uint64_t dataBid,
                                                const SubnodeMap& subnodes) {
    const auto blocks = dataBlockIds(context, dataBid, UINT64_MAX);
    if (!blocks) return std::nullopt;
    auto heap = HeapOnNode::open(context, nid, *blocks);
    if (!heap) return std::nullopt;
    if (heap->clientSignature() != kPropertyContextSignature) {
        context.violation("pc.signature", atNode("ltp", nid),
                          "a property context's heap has bClientSig " + hexText(heap->clientSignature()) +
                              ", not 0xBC");
        return std::nullopt;
    }
    const auto records = readBtreeOnHeap(context, *heap, heap->userRoot(), 2, 6, "property context");
    if (!records) return std::nullopt;
    PropertyCheck check(context, nid, *heap, subnodes);
    PropertyMap properties;
    properties.reserve(records->size());
    for (const BthRecord& record : *records) {
        if (!context.spend()) break;
        properties[static_cast<std::uint16_t>(record.key)] = check.check(static_cast<std::uint16_t>(record.key),
                                                                        record.data());
    }
    return properties;
}

std::optional<std::uint32_t> integerProperty(const PropertyMap& properties, std::uint16_t id) {
    const auto found = properties.find(id);
    if (found == properties.end() || found->second.type != 0x0003) return std::nullopt;
    return found->second.inlineValue;
}

std::optional<bool> booleanProperty(const PropertyMap& properties, std::uint16_t id) {
    const auto found = properties.find(id);
    if (found == properties.end() || found->second.type != 0x000B) return std::nullopt;
    return (found->second.inlineValue & 0xFF) != 0;
}

const std::vector<std::uint8_t>* bytesProperty(const PropertyMap& properties, std::uint16_t id) {
    const auto found = properties.find(id);
    if (found == properties.end() || !found->second.bytes) return nullptr;
    return &*found->second.bytes;
}

std::optional<std::vector<std::uint8_t>> propertyAsCell(const PropertyMap& properties, std::uint32_t tag) {
    const auto found = properties.find(static_cast<std::uint16_t>(tag >> 16));
    if (found == properties.end() || found->second.type != (tag & 0xFFFF)) return std::nullopt;
    const PropertyValue& value = found->second;
    if (value.type == 0x0003) {
        const std::uint32_t number = value.inlineValue;
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                         static_cast<std::uint8_t>(number >> 16),
                                         static_cast<std::uint8_t>(number >> 24)};
    }
    if (value.type == 0x000B) return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value.inlineValue & 0xFF)};
    return value.bytes;
}

}  // namespace tessaly::pst::verify
