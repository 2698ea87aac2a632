#include "pst/verify/name_to_id_map.h"

#include <map>

#include "pst/verify/crc32.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint16_t kBucketCount = 0x0001;
constexpr std::uint16_t kGuidStream = 0x0002;
constexpr std::uint16_t kEntryStream = 0x0003;
constexpr std::uint16_t kStringStream = 0x0004;
constexpr std::uint16_t kFirstBucket = 0x1000;
constexpr std::uint32_t kExpectedBuckets = 251;
constexpr std::uint16_t kFirstStreamGuid = 3;  // 1 is PS_MAPI, 2 PS_PUBLIC_STRINGS

struct NameEntry {
    std::uint32_t hashKey = 0;  // numeric id, or CRC-32 of the name
    std::uint16_t guidIndex = 0;
    bool isString = false;
    std::size_t bucketHits = 0;
};

class NameMapCheck {
public:
    NameMapCheck(VerifyContext& context, const PropertyMap& properties)
        : context_(context), properties_(properties) {}

    void run() {
        const auto buckets = integerProperty(properties_, kBucketCount);
        if (!buckets || *buckets != kExpectedBuckets) {
            violation("nameid.bucket-count", "PidTagNameidBucketCount is " +
                                                 (buckets ? std::to_string(*buckets) : std::string("missing")) +
                                                 ", not 251");
            if (!buckets || *buckets == 0 || *buckets > 0xF000) return;
        }
        bucketCount_ = buckets.value_or(kExpectedBuckets);
        const auto* guids = stream(kGuidStream, "GUID", 16);
        const auto* entries = stream(kEntryStream, "entry", 8);
        const auto* strings = stream(kStringStream, "string", 1);
        if (!guids || !entries || !strings) return;
        readEntries(Bytes(entries->data(), entries->size()), Bytes(strings->data(), strings->size()),
                    guids->size() / 16);
        checkBuckets();
    }

private:
    void violation(const std::string& rule, const std::string& message) {
        context_.violation(rule, atNode("messaging", kNameToIdMapNid), message);
    }

    const std::vector<std::uint8_t>* stream(std::uint16_t id, const char* name, std::size_t unit) {
        const auto found = properties_.find(id);
        if (found == properties_.end() || found->second.type != 0x0102 || !found->second.bytes) {
            violation("nameid.stream", std::string("the ") + name + " stream (" + hexText(id) + ") is missing");
            return nullptr;
        }
        if (found->second.bytes->size() % unit != 0) {
            violation("nameid.stream", std::string("the ") + name + " stream is no whole number of " +
                                           std::to_string(unit) + "-byte records");
            return nullptr;
        }
        return &*found->second.bytes;
    }

    void readEntries(Bytes entries, Bytes strings, std::uint64_t guidCount) {
        for (std::uint64_t offset = 0; offset + 8 <= entries.size(); offset += 8) {
            if (!context_.spend()) return;
            const std::uint32_t id = readU32(entries, offset);
            const std::uint16_t word = readU16(entries, offset + 4);
            const std::uint16_t index = readU16(entries, offset + 6);
            NameEntry entry;
            entry.isString = word & 1;
            entry.guidIndex = word >> 1;
            const std::string name = "named property 0x" + hexText(0x8000 + index).substr(2);
            if (entry.guidIndex == 0 || (entry.guidIndex >= kFirstStreamGuid &&
                                         static_cast<std::uint64_t>(entry.guidIndex - kFirstStreamGuid) >= guidCount)) {
                violation("nameid.guid", name + " has GUID index " + std::to_string(entry.guidIndex) +
                                             ", which names no GUID (" + std::to_string(guidCount) + " in the stream)");
            }
            if (entry.isString) {
                const std::uint64_t length = readU32(strings, id);
                if (!fits(strings, id, 4) || !fits(strings, std::uint64_t{id} + 4, length) || length % 2 != 0) {
                    violation("nameid.string", name + " names string offset " + hexText(id) +
                                                   ", which holds no UTF-16 name in the string stream");
                    continue;
                }
                entry.hashKey = pstCrc32(slice(strings, std::uint64_t{id} + 4, length));
            } else {
                entry.hashKey = id;
            }
            if (!entries_.emplace(index, entry).second)
                violation("nameid.index", name + " is listed twice in the entry stream");
        }
    }

    void checkBuckets() {
        for (const auto& [id, value] : properties_) {
            if (id < kFirstBucket) continue;
            const std::uint32_t bucket = id - kFirstBucket;
            if (bucket >= bucketCount_ || value.type != 0x0102 || !value.bytes) {
                violation("nameid.bucket", "property " + hexText(id) + " is no hash bucket of the map");
                continue;
            }
            const Bytes records(value.bytes->data(), value.bytes->size());
            if (records.size() % 8 != 0) {
                violation("nameid.bucket", "hash bucket " + hexText(id) + " is no whole number of 8-byte records");
                continue;
            }
            for (std::uint64_t offset = 0; offset < records.size(); offset += 8)
                checkBucketRecord(id, bucket, readU32(records, offset), readU16(records, offset + 4),
                                  readU16(records, offset + 6));
        }
        for (const auto& [index, entry] : entries_) {
            if (entry.bucketHits != 1)
                violation("nameid.bucket-missing",
                          "named property 0x" + hexText(0x8000 + index).substr(2) + " appears in " +
                              std::to_string(entry.bucketHits) + " hash buckets instead of exactly one (bucket " +
                              hexText(kFirstBucket +
                                      nameIdBucket(entry.hashKey, entry.guidIndex, entry.isString, bucketCount_)) +
                              ")");
        }
    }

    void checkBucketRecord(std::uint16_t property, std::uint32_t bucket, std::uint32_t key, std::uint16_t word,
                           std::uint16_t index) {
        const std::string name = "named property 0x" + hexText(0x8000 + index).substr(2);
        const auto found = entries_.find(index);
        if (found == entries_.end()) {
            violation("nameid.bucket-entry", "hash bucket " + hexText(property) + " lists " + name +
                                                 ", which the entry stream lacks");
            return;
        }
        NameEntry& entry = found->second;
        if (key != entry.hashKey || (word & 1) != entry.isString || (word >> 1) != entry.guidIndex) {
            violation("nameid.hash-value", "hash bucket " + hexText(property) + " records " + name + " as " +
                                               hexText(key) + "/" + hexText(word) + ", the entry stream gives " +
                                               hexText(entry.hashKey));
            return;
        }
        const std::uint32_t expected = nameIdBucket(entry.hashKey, entry.guidIndex, entry.isString, bucketCount_);
        if (expected != bucket) {
            violation("nameid.bucket", name + " is filed in hash bucket " + hexText(property) + " but hashes to " +
                                           hexText(kFirstBucket + expected));
            return;
        }
        ++entry.bucketHits;
    }

    VerifyContext& context_;
    const PropertyMap& properties_;
    std::uint32_t bucketCount_ = kExpectedBuckets;
    std::map<std::uint16_t, NameEntry> entries_;
};

}  // namespace

std::uint32_t nameIdBucket(std::uint32_t nameKey, std::uint16_t guidIndex, bool isString, std::uint32_t bucketCount) {
    const std::uint32_t kind = (static_cast<std::uint32_t>(guidIndex) << 1) | (isString ? 1u : 0u);
    return (nameKey ^ kind) % bucketCount;
}

void checkNameToIdMap(VerifyContext& context, const StoreContents& store) {
    if (!store.nameToIdMap) {
        if (context.findNode(kNameToIdMapNid) != nullptr)
            context.violation("nameid.unreadable", atNode("messaging", kNameToIdMapNid),
                              "the named-property map's property context cannot be read");
        return;
    }
    NameMapCheck(context, *store.nameToIdMap).run();
}

}  // namespace tessaly::pst::verify
