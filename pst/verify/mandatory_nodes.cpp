#include "pst/verify/store_structure.h"

#include <algorithm>

namespace tessaly::pst::verify {

namespace {

// Nodes MS-PST requires in every PST: the message store, the named-property
// map, the root folder and its three tables, the search management nodes, and
// the template tables new folders and messages start from.
constexpr std::uint64_t kMandatoryNodes[] = {
    0x21, 0x61, 0x122, 0x12D, 0x12E, 0x12F, 0x1E1, 0x201, 0x261, 0x60D, 0x60E, 0x60F, 0x610, 0x62B, 0x671, 0x692,
};
// The search gatherer queue, descriptor and folder queue: MS-PST lists them as
// mandatory, Outlook 2007 and 2016 write them, Outlook 2013 does not. Their
// absence is worth a warning, not a violation.
constexpr std::uint64_t kSearchGathererNodes[] = {0x281, 0x2A1, 0x321};

constexpr std::uint16_t kRecordKey = 0x0FF9;
struct FolderEntryId {
    std::uint16_t property;
    const char* name;
    bool required;
};
constexpr FolderEntryId kFolderEntryIds[] = {
    {0x35E0, "PidTagIpmSubTreeEntryId", true},   {0x35E2, "PidTagIpmOutboxEntryId", false},
    {0x35E3, "PidTagIpmWastebasketEntryId", true}, {0x35E4, "PidTagIpmSentMailEntryId", false},
    {0x35E5, "PidTagViewsEntryId", false},       {0x35E6, "PidTagCommonViewsEntryId", false},
    {0x35E7, "PidTagFinderEntryId", true},
};

bool isFolderNid(std::uint64_t nid) {
    return nodeType(nid) == kNidNormalFolder || nodeType(nid) == kNidSearchFolder;
}

}  // namespace

void checkMandatoryNodes(VerifyContext& context, const StoreContents& store) {
    for (std::uint64_t nid : kMandatoryNodes)
        if (context.findNode(nid) == nullptr)
            context.violation("mandatory.node", atNode("messaging", nid),
                              "the node " + hexText(nid) + " that every PST must have is missing");
    for (std::uint64_t nid : kSearchGathererNodes)
        if (context.findNode(nid) == nullptr)
            context.warning("mandatory.search-gatherer", atNode("messaging", nid),
                            "the search gatherer node " + hexText(nid) +
                                " is missing (MS-PST lists it as mandatory; Outlook 2013 leaves it out)");

    const NodeEntry* root = context.findNode(kRootFolderNid);
    if (root != nullptr && root->parentNid != kRootFolderNid)
        context.violation("folder.parent", atNode("messaging", kRootFolderNid),
                          "the root folder's parent is " + hexText(root->parentNid) + ", not itself");

    if (!store.messageStore) {
        if (context.findNode(kMessageStoreNid) != nullptr)
            context.violation("mandatory.message-store", atNode("messaging", kMessageStoreNid),
                              "the message store's property context cannot be read");
        return;
    }
    const PropertyMap& properties = *store.messageStore;
    const std::vector<std::uint8_t>* recordKey = bytesProperty(properties, kRecordKey);
    if (recordKey == nullptr || recordKey->size() != 16) {
        context.violation("mandatory.record-key", atNode("messaging", kMessageStoreNid),
                          "the message store has no 16-byte PidTagRecordKey");
        recordKey = nullptr;
    }
    for (const FolderEntryId& entry : kFolderEntryIds) {
        const std::vector<std::uint8_t>* id = bytesProperty(properties, entry.property);
        const Location where = atNode("messaging", kMessageStoreNid);
        if (id == nullptr) {
            if (entry.required)
                context.violation("mandatory.folder", where, std::string("the message store lacks ") + entry.name);
            continue;
        }
        const Bytes bytes(id->data(), id->size());
        if (bytes.size() != 24 || readU32(bytes, 0) != 0 ||
            (recordKey && !std::equal(recordKey->begin(), recordKey->end(), bytes.begin() + 4))) {
            context.violation("store.entry-id", where,
                              std::string(entry.name) +
                                  " is not a 24-byte entry id of this store (flags 0, the store's record key, a NID)");
            continue;
        }
        const std::uint32_t nid = readU32(bytes, 20);
        if (!isFolderNid(nid) || context.findNode(nid) == nullptr)
            context.violation("mandatory.folder", where,
                              std::string(entry.name) + " names " + hexText(nid) + ", which is no folder of the file");
    }
}

}  // namespace tessaly::pst::verify
