#pragma once
// Reads every node as what its type says it holds (property contexts for the
// message store, the named-property map, folders, search criteria, messages
// and attachments; table contexts for folder, attachment, recipient, receive
// folder and outgoing queue tables), checking each one, and keeps what the
// messaging checks need: the store's, the name map's and the folders'
// properties, the folders' tables and the values messages repeat in them.

#include <cstdint>
#include <map>
#include <optional>

#include "pst/verify/cell_digest.h"
#include "pst/verify/property_context.h"
#include "pst/verify/table_context.h"
#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

inline constexpr std::uint64_t kMessageStoreNid = 0x21;
inline constexpr std::uint64_t kNameToIdMapNid = 0x61;
inline constexpr std::uint64_t kRootFolderNid = 0x122;

struct StoreContents {
    std::optional<PropertyMap> messageStore;
    std::optional<PropertyMap> nameToIdMap;
    std::map<std::uint64_t, PropertyMap> folders;     // by folder NID
    std::map<std::uint64_t, TableContents> tables;    // folder tables by table NID
    // Each message's values of the columns its folder's contents table
    // repeats, as digests (`row` is the message's NID), in NID order.
    std::vector<KeptCell> messageCells;

    // The digest of a message's value of `tag`, if it has one.
    std::optional<std::uint64_t> messageCell(std::uint32_t nid, std::uint32_t tag) const;
};

// The columns a contents table fills from each message's property context,
// compared between the two.
extern const std::vector<std::uint32_t> kRepeatedMessageColumns;

StoreContents checkNodeContents(VerifyContext& context);

}  // namespace tessaly::pst::verify
