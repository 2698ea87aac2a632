#include "pst/verify/node_contents.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

namespace tessaly::pst::verify {

// PidTagMessageSize is left out: Outlook's own contents rows do not always
// agree with the message on it.
const std::vector<std::uint32_t> kRepeatedMessageColumns = {
    0x001A001F,  // PidTagMessageClass
    0x0037001F,  // PidTagSubject
    0x0E070003,  // PidTagMessageFlags
    0x0042001F,  // PidTagSentRepresentingName
    0x30080040,  // PidTagLastModificationTime
    0x00170003,  // PidTagImportance
};

namespace {

bool isFolder(std::uint8_t type) { return type == kNidNormalFolder || type == kNidSearchFolder; }
bool isMessage(std::uint8_t type) { return type == kNidNormalMessage || type == kNidAssociatedMessage; }
bool isFolderTable(std::uint8_t type) {
    return type == kNidHierarchyTable || type == kNidContentsTable || type == kNidAssociatedContentsTable ||
           type == kNidSearchContentsTable;
}
// Tables that stand on their own in the node B-tree besides the folders':
// the receive folder table, the outgoing queue and the attachment and
// recipient table templates.
bool isOtherTable(std::uint8_t type) {
    return type == kNidReceiveFolderTable || type == kNidOutgoingQueueTable || type == kNidAttachmentTable ||
           type == kNidRecipientTable;
}

// A message's attachments and its attachment and recipient tables live in its
// subnodes; an attachment may itself hold subnodes.
void checkMessageSubnodes(VerifyContext& context, std::uint64_t nid, const SubnodeMap& subnodes) {
    for (const auto& [subnid, ref] : subnodes) {
        if (!context.spend()) return;
        const std::uint8_t type = nodeType(subnid);
        if (type != kNidAttachment && type != kNidAttachmentTable && type != kNidRecipientTable) continue;
        const auto inner = readSubnodes(context, ref.subnodeBid);
        if (!inner) continue;
        if (type == kNidAttachment)
            checkPropertyContext(context, nid, ref.dataBid, *inner);
        else
            checkTableContext(context, nid, ref.dataBid, *inner, CellSelection{});
    }
}

}  // namespace

std::optional<std::uint64_t> StoreContents::messageCell(std::uint32_t nid, std::uint32_t tag) const {
    auto cell = std::lower_bound(messageCells.begin(), messageCells.end(), nid,
                                 [](const KeptCell& kept, std::uint32_t key) { return kept.row < key; });
    for (; cell != messageCells.end() && cell->row == nid; ++cell)
        if (cell->tag == tag) return cell->digest;
    return std::nullopt;
}

namespace {

using NodeIterator = std::map<std::uint64_t, NodeEntry>::const_iterator;

// Checks the nodes from `first` to `last` (in NID order) into `store`.
void checkNodes(VerifyContext& context, NodeIterator first, NodeIterator last, StoreContents& store) {
    std::size_t messages = 0;
    for (auto node = first; node != last; ++node) messages += isMessage(nodeType(node->first)) ? 1 : 0;
    store.messageCells.reserve(messages * kRepeatedMessageColumns.size());
    for (auto entry = first; entry != last; ++entry) {
        const auto& [nid, node] = *entry;
        if (!context.spend()) break;
        const std::uint8_t type = nodeType(nid);
        // The store, the name map and search criteria are property contexts too.
        const bool special = nid == kMessageStoreNid || nid == kNameToIdMapNid || type == kNidSearchCriteriaObject;
        if (!special && !isFolder(type) && !isMessage(type) && !isFolderTable(type) && !isOtherTable(type)) continue;
        const auto subnodes = readSubnodes(context, node.subnodeBid);
        if (!subnodes) continue;
        if (isOtherTable(type)) {
            checkTableContext(context, nid, node.dataBid, *subnodes, CellSelection{});
            continue;
        }
        if (isFolderTable(type)) {
            CellSelection keep;
            keep.all = type == kNidHierarchyTable;
            if (type == kNidContentsTable || type == kNidAssociatedContentsTable) keep.tags = kRepeatedMessageColumns;
            auto table = checkTableContext(context, nid, node.dataBid, *subnodes, keep);
            if (table) store.tables.emplace(nid, std::move(*table));
            continue;
        }
        auto properties = checkPropertyContext(context, nid, node.dataBid, *subnodes);
        if (isMessage(type)) checkMessageSubnodes(context, nid, *subnodes);
        if (!properties) continue;
        if (isMessage(type)) {
            for (std::uint32_t tag : kRepeatedMessageColumns)
                if (auto value = propertyAsCell(*properties, tag))
                    store.messageCells.push_back({static_cast<std::uint32_t>(nid), tag, cellDigest(*value)});
        }
        if (nid == kMessageStoreNid)
            store.messageStore = std::move(*properties);
        else if (nid == kNameToIdMapNid)
            store.nameToIdMap = std::move(*properties);
        else if (isFolder(type))
            store.folders.emplace(nid, std::move(*properties));
    }
}

// A store with fewer messages is checked on one thread: a second costs more
// than it saves.
constexpr std::size_t kMessagesForASecondThread = 2000;

}  // namespace

StoreContents checkNodeContents(VerifyContext& context) {
    StoreContents store;
    std::size_t messages = 0;
    for (const auto& entry : context.nodes) messages += isMessage(nodeType(entry.first)) ? 1 : 0;
    const NodeIterator first = context.nodes.cbegin(), last = context.nodes.cend();
    if (messages < kMessagesForASecondThread) {
        checkNodes(context, first, last, store);
        return store;
    }
    // Messages are most of the work and each is checked on its own: the nodes
    // from the middle message on are checked on a second thread, into a part
    // of the context whose findings come after this thread's, as they would
    // in one pass.
    NodeIterator middle = first;
    for (std::size_t seen = 0; seen < messages / 2; ++middle) seen += isMessage(nodeType(middle->first)) ? 1 : 0;
    VerificationReport laterReport;
    std::unique_ptr<VerifyContext> later = context.splitOff(laterReport);
    StoreContents laterStore;
    std::exception_ptr laterFailure;
    const auto checkLater = [&] {
        try {
            checkNodes(*later, middle, last, laterStore);
        } catch (...) {
            laterFailure = std::current_exception();
        }
    };
    std::thread second;
    try {
        second = std::thread(checkLater);
    } catch (const std::system_error&) {
        // No thread to be had: the later part is checked here, after.
    }
    try {
        checkNodes(context, first, middle, store);
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable())
        second.join();
    else
        checkLater();
    if (laterFailure) std::rethrow_exception(laterFailure);
    context.rejoin(*later, laterReport);
    // The later part's messages all have higher NIDs: its cells follow.
    store.messageCells.insert(store.messageCells.end(), laterStore.messageCells.begin(),
                              laterStore.messageCells.end());
    store.folders.merge(laterStore.folders);
    store.tables.merge(laterStore.tables);
    if (laterStore.messageStore) store.messageStore = std::move(laterStore.messageStore);
    if (laterStore.nameToIdMap) store.nameToIdMap = std::move(laterStore.nameToIdMap);
    return store;
}

}  // namespace tessaly::pst::verify
