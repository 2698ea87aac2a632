#pragma once
// Named properties (MS-OXCDATA 2.6): a property set GUID with either a
// numeric id (LID) or a string name.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

namespace tessaly::pst {

// A GUID in its stored byte order (the first three fields little-endian).
using Guid = std::array<std::uint8_t, 16>;

// Parses "00062004-0000-0000-C000-000000000046"; throws PstError.
Guid parseGuid(const std::string& text);

struct PropertyName {
    Guid guid{};
    bool isString = false;
    std::uint32_t id = 0;  // the LID when !isString
    std::string name;      // UTF-8, when isString

    static PropertyName numeric(const Guid& guid, std::uint32_t id) { return {guid, false, id, {}}; }
    static PropertyName string(const Guid& guid, std::string name) { return {guid, true, 0, std::move(name)}; }
    bool operator<(const PropertyName& other) const {
        return std::tie(guid, isString, id, name) < std::tie(other.guid, other.isString, other.id, other.name);
    }
    // The id first, which tells most names apart; the GUID as two words.
    bool operator==(const PropertyName& other) const {
        if (id != other.id || isString != other.isString) return false;
        std::uint64_t a[2], b[2];
        std::memcpy(a, guid.data(), sizeof a);
        std::memcpy(b, other.guid.data(), sizeof b);
        return a[0] == b[0] && a[1] == b[1] && name == other.name;
    }
};

struct PropertyNameHash {
    std::size_t operator()(const PropertyName& name) const;
};

extern const Guid kPsMapi;           // {00020328-0000-0000-C000-000000000046}
extern const Guid kPsPublicStrings;  // {00020329-0000-0000-C000-000000000046}
extern const Guid kPsetidCommon;     // {00062008-0000-0000-C000-000000000046}

// PidLidSmartNoAttach, in PSETID_Common.
extern const PropertyName kSmartNoAttachName;
// PidNameKeywords (the categories), a string name in PS_PUBLIC_STRINGS.
extern const PropertyName kKeywordsName;

}  // namespace tessaly::pst
