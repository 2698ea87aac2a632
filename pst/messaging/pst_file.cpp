#include "pst/messaging/pst_file.h"

#include <chrono>
#include <random>

#include "common/serial_worker.h"
#include "pst/ltp/node_content.h"
#include "pst/messaging/property_tags.h"
#include "pst/messaging/table_templates.h"
#include "pst/pst_error.h"

namespace tessaly::pst {
namespace {

// Fixed NIDs of a store (MS-PST 2.4.1).
constexpr Nid kMessageStore = 0x21;
constexpr Nid kNameToIdMap = 0x61;
constexpr Nid kRootFolder = 0x122;
constexpr Nid kSearchManagementQueue = 0x1E1;
constexpr Nid kSearchActivityList = 0x201;
constexpr Nid kSearchDomainObject = 0x261;
constexpr Nid kSearchGathererQueue = 0x281;
constexpr Nid kSearchGathererDescriptor = 0x2A1;
constexpr Nid kSearchGathererFolderQueue = 0x321;
constexpr Nid kHierarchyTableTemplate = 0x60D;
constexpr Nid kContentsTableTemplate = 0x60E;
constexpr Nid kAssocContentsTableTemplate = 0x60F;
constexpr Nid kSearchContentsTableTemplate = 0x610;
constexpr Nid kReceiveFolderTable = 0x62B;
constexpr Nid kOutgoingQueueTable = 0x64C;
constexpr Nid kAttachmentTable = 0x671;
constexpr Nid kRecipientTable = 0x692;
constexpr Nid kChangeHistoryTable = 0x6B6;
constexpr Nid kTombstoneTable = 0x6D7;
constexpr Nid kTombstoneDateTable = 0x6F8;

// Folder NIDs in the order Outlook numbers a new store's folders.
constexpr Nid folderNid(std::uint32_t position) { return makeNid(NidType::NormalFolder, 0x401 + position); }
constexpr Nid kIpmSubtree = folderNid(0);
constexpr Nid kSearchRoot = folderNid(1);
constexpr Nid kViews = folderNid(6);
constexpr Nid kCommonViews = folderNid(7);

// The spam search folder every store has (MS-PST 2.7.3), with its search
// update queue, criteria object and search contents table.
constexpr std::uint32_t kSpamSearchIndex = 0x111;
constexpr Nid kSpamSearchFolder = makeNid(NidType::SearchFolder, kSpamSearchIndex);
constexpr Nid kSpamSearchUpdateQueue = makeNid(NidType::SearchUpdateQueue, kSpamSearchIndex);
constexpr Nid kSpamSearchCriteria = makeNid(NidType::SearchCriteriaObject, kSpamSearchIndex);
constexpr Nid kSpamSearchContents = makeNid(NidType::SearchContentsTable, kSpamSearchIndex);
constexpr std::uint16_t kPidTagSearchFolderFlags = 0x660B;

struct StandardFolderInfo {
    StandardFolder folder;
    std::uint32_t position;
    const char* name;
    const char* containerClass;
};

constexpr StandardFolderInfo kStandardFolders[] = {
    {StandardFolder::DeletedItems, 2, "Deleted Items", "IPF.Note"},
    {StandardFolder::Inbox, 3, "Inbox", "IPF.Note"},
    {StandardFolder::Outbox, 4, "Outbox", "IPF.Note"},
    {StandardFolder::SentItems, 5, "Sent Items", "IPF.Note"},
    {StandardFolder::Calendar, 8, "Calendar", "IPF.Appointment"},
    {StandardFolder::Contacts, 9, "Contacts", "IPF.Contact"},
    {StandardFolder::Journal, 10, "Journal", "IPF.Journal"},
    {StandardFolder::Notes, 11, "Notes", "IPF.StickyNote"},
    {StandardFolder::Tasks, 12, "Tasks", "IPF.Task"},
    {StandardFolder::Drafts, 13, "Drafts", "IPF.Note"},
};

// PidTagValidFolderMask: subtree, inbox, outbox, wastebasket, sent mail,
// views, common views and finder are all present.
constexpr std::int32_t kAllFoldersValid = 0xFF;
constexpr std::int32_t kMessageFlagRead = 0x01;
constexpr std::int32_t kMessageFlagHasAttachment = 0x10;

// The messages waiting for the background writer: enough for the two threads
// to meet rarely (the writer starts on a quarter of them at a time), few
// enough that a run's memory does not grow with them (the bytes' bound below
// holds as well).
constexpr std::size_t kQueuedMessages = 1024;
constexpr std::size_t kQueuedMessageBytes = std::size_t{16} << 20;

// About what a message holds in memory, for the queue's bound.
std::size_t heldBytes(const Message& message) {
    constexpr std::size_t kPerValue = 48;  // the value's own bookkeeping
    std::size_t bytes = sizeof(Message);
    for (const auto& [tag, value] : message.tagged()) bytes += kPerValue + value.bytes().size();
    for (const auto& [name, value] : message.named()) bytes += kPerValue + name.name.size() + value.bytes().size();
    for (const Attachment& attachment : message.attachments()) bytes += attachment.data.size();
    return bytes;
}

std::uint64_t currentFileTime() {
    const auto since1970 = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<std::uint64_t>(since1970.count()) * 10 + 116444736000000000ull;
}

}  // namespace

std::unique_ptr<PstFile> PstFile::create(const std::filesystem::path& path, const std::string& displayName,
                                         const PstOptions& options) try {
    return std::unique_ptr<PstFile>(new PstFile(path, displayName, options));
} catch (const PstError&) {
    throw;
} catch (const std::bad_alloc&) {
    throw PstError(path.string(), "not enough memory");
}

PstFile::PstFile(const std::filesystem::path& path, const std::string& displayName, const PstOptions& options)
    : fileName_(path.string()),
      displayName_(displayName),
      writer_(path, options.unique.value_or(std::random_device{}())) {
    if (options.recordKey) {
        recordKey_ = *options.recordKey;
    } else {
        std::random_device random;
        for (auto& byte : recordKey_) byte = static_cast<std::uint8_t>(random());
    }
    fileTime_ = options.fileTime.value_or(currentFileTime());
    // The name-to-id map is never empty: readers refuse a map without
    // entries, and Outlook's own stores start with names like these.
    names_.idFor(kSmartNoAttachName);
    names_.idFor(kKeywordsName);
    writeTemplates();
    addFolder(kRootFolder, kRootFolder, "", "");
    addFolder(kIpmSubtree, kRootFolder, "Top of Personal Folders", "");
    addFolder(kSearchRoot, kRootFolder, "Search Root", "");
    addFolder(kViews, kRootFolder, "IPM_VIEWS", "");
    addFolder(kCommonViews, kRootFolder, "IPM_COMMON_VIEWS", "");
    for (const auto& info : kStandardFolders) {
        standard_[info.folder] = addFolder(folderNid(info.position), kIpmSubtree, info.name, info.containerClass);
    }
    // The default-folder identifiers a client looks for on the root folder
    // and on the Inbox.
    const std::pair<std::uint32_t, StandardFolder> defaults[] = {
        {tags::IpmAppointmentEntryId, StandardFolder::Calendar}, {tags::IpmContactEntryId, StandardFolder::Contacts},
        {tags::IpmJournalEntryId, StandardFolder::Journal},      {tags::IpmNoteEntryId, StandardFolder::Notes},
        {tags::IpmTaskEntryId, StandardFolder::Tasks},           {tags::IpmDraftsEntryId, StandardFolder::Drafts},
    };
    for (Nid holder : {kRootFolder, standardFolder(StandardFolder::Inbox)}) {
        for (const auto& [tag, folder] : defaults) {
            folderOf(holder).properties.set(tagId(tag), PropertyValue::binary(entryId(standardFolder(folder))));
        }
    }
    if (options.writeInBackground) background_ = std::make_unique<SerialWorker>(kQueuedMessages, kQueuedMessageBytes);
}

PstFile::~PstFile() = default;

void PstFile::settle() const {
    if (background_) background_->wait();
}

std::string PstFile::writeFailure() const {
    if (!background_) return writer_.writeFailure();
    // While the background writer works, the file is its own: a failed
    // write fails its message, which keeps the cause.
    if (!background_->failed()) return {};
    try {
        std::rethrow_exception(background_->failure());
    } catch (const PstError& error) {
        return error.cause();
    } catch (...) {
        return "unknown failure";
    }
}

void PstFile::fail(const std::string& cause) const { throw PstError(fileName_, cause); }

void PstFile::rethrowWithFileName() const {
    // Errors of the layers below carry no file name; anything else that
    // escapes them (memory, a container's own error) becomes a PstError too.
    try {
        throw;
    } catch (const PstError& error) {
        if (!error.file().empty()) throw;
        fail(error.cause());
    } catch (const std::bad_alloc&) {
        fail("not enough memory");
    } catch (const std::exception& error) {
        fail(error.what());
    }
}

void PstFile::writeTemplates() {
    auto writeEmptyTable = [this](Nid nid, const std::vector<TableColumn>& columns) {
        TableContextBuilder table(writer_, columns);
        const NodeContent content = table.build();
        const auto [data, sub] = writeNodeContent(writer_, content);
        writer_.addNode(nid, data, sub, 0);
        templates_[nid] = data;
        if (nid == kRecipientTable) {
            recipientTable_.blocks = content.heapBlocks;
            recipientTable_.data = data;
        }
    };
    writeEmptyTable(kHierarchyTableTemplate, hierarchyTableColumns());
    writeEmptyTable(kContentsTableTemplate, contentsTableColumns());
    writeEmptyTable(kAssocContentsTableTemplate, associatedContentsTableColumns());
    writeEmptyTable(kSearchContentsTableTemplate, searchContentsTableColumns());
    writeEmptyTable(kAttachmentTable, attachmentTableTemplateColumns());
    writeEmptyTable(kRecipientTable, recipientTableColumns());
    writeEmptyTable(kOutgoingQueueTable, outgoingQueueTableColumns());
    writeEmptyTable(kChangeHistoryTable, changeHistoryTableColumns());
    writeEmptyTable(kTombstoneTable, tombstoneTableColumns());
    writeEmptyTable(kTombstoneDateTable, tombstoneDateTableColumns());
}

void PstFile::writeReceiveFolderTable() {
    // Mail of every class is received in the Inbox, as in a new Outlook
    // store; "IPC" (internal messages) goes to the root folder.
    TableContextBuilder table(writer_, receiveFolderTableColumns());
    const std::pair<const char*, Nid> routes[] = {
        {"", standardFolder(StandardFolder::Inbox)},
        {"IPM", standardFolder(StandardFolder::Inbox)},
        {"Report.IPM", standardFolder(StandardFolder::Inbox)},
        {"IPC", kRootFolder},
    };
    std::uint32_t rowId = 0;
    for (const auto& [messageClass, folder] : routes) {
        PropertyContextBuilder row;
        row.set(tagId(tags::MessageClass), PropertyValue::string(messageClass));
        row.set(tagId(tags::LtpParentNid), PropertyValue::int32(static_cast<std::int32_t>(folder)));
        table.addRow(++rowId, row);
    }
    writeNode(writer_, kReceiveFolderTable, 0, table.build());
}

Nid PstFile::addFolder(Nid nid, Nid parent, const std::string& name, const std::string& containerClass) {
    writer_.noteNid(nid);
    Folder folder;
    folder.parent = parent;
    folder.properties.set(tagId(tags::DisplayName), PropertyValue::string(name));
    if (!containerClass.empty()) folder.properties.set(tagId(tags::ContainerClass), PropertyValue::string(containerClass));
    folder.contents =
        std::make_unique<TableContextBuilder>(writer_, contentsTableColumns(), TableContextBuilder::Mode::Streaming);
    folders_.emplace(nid, std::move(folder));
    if (parent != nid) folderOf(parent).children.push_back(nid);
    return nid;
}

PstFile::Folder& PstFile::folderOf(Nid nid) {
    const auto it = folders_.find(nid);
    if (it == folders_.end()) fail("no folder with NID " + std::to_string(nid) + " in this store");
    return it->second;
}

Nid PstFile::rootFolder() const { return kRootFolder; }
Nid PstFile::ipmSubtree() const { return kIpmSubtree; }
Nid PstFile::standardFolder(StandardFolder folder) const {
    const auto it = standard_.find(folder);
    if (it == standard_.end()) fail("no such standard folder");
    return it->second;
}

// A block counts at most 65,535 references: once the shared block is full, a
// copy of it is written and the messages after share that one.
Bid PstFile::emptyRecipientTable() {
    if (writer_.referencesLeft(recipientTable_.data) == 0)
        recipientTable_.data = writer_.writeDataChunks(recipientTable_.blocks);
    return recipientTable_.data;
}

Bid PstFile::recipientOnlySubnodes() {
    if (recipientOnlySubnodes_ == 0 || writer_.referencesLeft(recipientOnlySubnodes_) == 0)
        recipientOnlySubnodes_ = writer_.writeSubnodeTree({{kRecipientTable, emptyRecipientTable(), 0}});
    return recipientOnlySubnodes_;
}

Bid PstFile::templateData(Nid table) const {
    const auto it = templates_.find(table);
    if (it == templates_.end()) fail("internal error: no template table " + std::to_string(table));
    return it->second;
}

std::size_t PstFile::messageCount(Nid folder) const {
    settle();
    const auto it = folders_.find(folder);
    return it == folders_.end() ? 0 : it->second.contents->rowCount();
}

Nid PstFile::createFolder(Nid parent, const std::string& name, const std::string& containerClass) try {
    settle();
    failIfNotOpen();
    folderOf(parent);
    return addFolder(writer_.newNid(NidType::NormalFolder), parent, name, containerClass);
} catch (...) {
    rethrowWithFileName();
}

void PstFile::failIfNotOpen() const {
    if (closed_) fail("the store is closed");
    // After a failed close the file is gone, and after a failed write it has
    // a gap: nothing more can be written.
    if (!failure_.empty()) fail(failure_);
    if (background_) {
        if (background_->failed()) std::rethrow_exception(background_->failure());
    } else if (!writer_.writeFailure().empty()) {
        fail(writer_.writeFailure());
    }
}

Bytes PstFile::entryId(Nid nid) const {
    // rgbFlags (4 zero bytes), the store's record key, the NID.
    Bytes out(24, 0);
    std::copy(recordKey_.begin(), recordKey_.end(), out.begin() + 4);
    put32(out.data() + 20, nid);
    return out;
}

void PstFile::setContentsColumns(Nid folderNid, const std::vector<ContentsColumn>& columns) try {
    settle();
    failIfNotOpen();
    Folder& folder = folderOf(folderNid);
    if (folder.contents->rowCount() != 0) fail("the contents table's columns are set before its first message");
    std::vector<std::uint32_t> tags;
    tags.reserve(columns.size());
    for (const ContentsColumn& column : columns)
        tags.push_back(column.name ? makeTag(names_.idFor(*column.name), tagType(column.tag)) : column.tag);
    folder.contents = std::make_unique<TableContextBuilder>(writer_, TableContextBuilder::layoutColumns(tags),
                                                            TableContextBuilder::Mode::Streaming);
    folder.ownContentsColumns = true;
} catch (...) {
    rethrowWithFileName();
}

Nid PstFile::reserveMessageNid() try {
    failIfNotOpen();
    const Nid nid = writer_.newNid(NidType::NormalMessage);
    reserved_.insert(nid);
    return nid;
} catch (...) {
    rethrowWithFileName();
}

Nid PstFile::takeMessageNid(Nid folderNid, std::size_t largestAttachment, Nid reserved) {
    failIfNotOpen();
    folderOf(folderNid);
    if (reserved != 0 && reserved_.erase(reserved) == 0)
        fail("NID " + std::to_string(reserved) + " was not reserved for a message, or is used already");
    if (largestAttachment > 0x7FFFFFFF) fail("an attachment over 2 GB does not fit in a PST message");
    return reserved != 0 ? reserved : writer_.newNid(NidType::NormalMessage);
}

template <typename Job>
void PstFile::postWriting(Job job, std::size_t bytes, std::function<void()> ahead) {
    background_->post(
        [this, job = std::move(job)]() mutable {
            try {
                job();
            } catch (...) {
                rethrowWithFileName();
            }
        },
        bytes, std::move(ahead));
}

Nid PstFile::addMessage(Nid folderNid, Message message, Nid reserved) try {
    std::size_t largestAttachment = 0;
    for (const Attachment& attachment : message.attachments())
        largestAttachment = std::max(largestAttachment, attachment.data.size());
    const Nid nid = takeMessageNid(folderNid, largestAttachment, reserved);
    if (!background_) {
        writeMessage(folderNid, message, nid);
        return nid;
    }
    const std::size_t bytes = heldBytes(message);
    // The job keeps the message's values until it is destroyed, which the
    // worker leaves to this thread, where they were allocated.
    postWriting(
        [this, folderNid, nid, message = std::move(message), spent = std::vector<PropertyContextBuilder::Entry>()]() mutable {
            spent = writeMessage(folderNid, message, nid);
        },
        bytes);
    return nid;
} catch (...) {
    rethrowWithFileName();
}

Nid PstFile::addMessageMadeBy(Nid folderNid, std::function<void(Message&)> fill, std::size_t largestAttachment,
                              std::size_t heldBytes, Nid reserved, std::function<void()> ahead) try {
    const Nid nid = takeMessageNid(folderNid, largestAttachment, reserved);
    if (!background_) {
        Message message;
        fill(message);
        writeMessage(folderNid, message, nid);
        return nid;
    }
    // The message is made, written and let go of on the worker's thread, so
    // its values are freed where they were allocated; what `fill` holds goes
    // back to this thread with the job.
    postWriting(
        [this, folderNid, nid, fill = std::move(fill)] {
            // The values were made on this thread: they are let go of here,
            // and their vectors serve the next message.
            spareMessage_.clear();
            fill(spareMessage_);
            spareValues_ = writeMessage(folderNid, spareMessage_, nid);
            spareValues_.clear();
        },
        heldBytes, std::move(ahead));
    return nid;
} catch (...) {
    rethrowWithFileName();
}

std::vector<PropertyContextBuilder::Entry> PstFile::writeMessage(Nid folderNid, Message& message, Nid nid) {
    Folder& folder = folderOf(folderNid);
    PropertyContextBuilder properties;
    properties.reuse(std::move(spareValues_));
    // The values below, the message's, and the size and attachment flags.
    properties.reserve(6 + message.tagged().size() + message.named().size() + 3);
    properties.set(tagId(tags::MessageClass), PropertyValue::string("IPM.Note"));
    properties.set(tagId(tags::MessageFlags), PropertyValue::int32(kMessageFlagRead));
    properties.set(tagId(tags::MessageStatus), PropertyValue::int32(0));
    // A search key unique to the message: the store's random record key with
    // the message's NID in its last four bytes.
    Bytes searchKey(recordKey_.begin(), recordKey_.end());
    put32(searchKey.data() + 12, nid);
    properties.set(tagId(tags::SearchKey), PropertyValue::binary(std::move(searchKey)));
    properties.set(tagId(tags::CreationTime), PropertyValue::time(fileTime_));
    properties.set(tagId(tags::LastModificationTime), PropertyValue::time(fileTime_));
    bool sizeGiven = false;
    for (auto& [tag, value] : message.tagged()) {
        sizeGiven = sizeGiven || tagId(tag) == tagId(tags::MessageSize);
        properties.set(tagId(tag), std::move(value));
    }
    std::size_t place = 0;
    for (auto& [name, value] : message.named()) {
        if (place == lastNames_.size()) lastNames_.emplace_back(name, names_.idFor(name));
        else if (lastNames_[place].first != name) lastNames_[place] = {name, names_.idFor(name)};
        properties.set(lastNames_[place++].second, std::move(value));
    }
    // The size is counted from the values once they are in order; its place
    // is taken now, so that it is ordered with them rather than put in among
    // them afterwards, which moves every value after it.
    if (!sizeGiven) properties.set(tagId(tags::MessageSize), PropertyValue::int32(0));

    NodeContent content;
    // Every message has a recipient table; an empty one shares the template.
    content.subnodes.push_back({kRecipientTable, {}, {}, false, emptyRecipientTable()});
    std::uint64_t size = 0;
    if (!message.attachments().empty()) {
        TableContextBuilder attachmentTable(writer_, attachmentTableColumns());
        for (Attachment& attachment : message.attachments()) {
            const PropertyContextBuilder attachmentProperties = attachmentObject(std::move(attachment));
            // The message counts each attachment as the attachment counts itself.
            size += get32(attachmentProperties.find(tagId(tags::AttachSize))->bytes().data());
            Subnode subnode;
            subnode.nid = writer_.newNid(NidType::Attachment);
            subnode.isHeap = true;
            subnode.content = attachmentProperties.build(writer_);
            attachmentTable.addRow(subnode.nid, attachmentProperties);
            content.subnodes.push_back(std::move(subnode));
        }
        Subnode table;
        table.nid = kAttachmentTable;
        table.isHeap = true;
        table.content = attachmentTable.build();
        content.subnodes.push_back(std::move(table));
        const auto* flags = properties.find(tagId(tags::MessageFlags));
        properties.set(tagId(tags::MessageFlags),
                       PropertyValue::int32(static_cast<std::int32_t>(get32(flags->bytes().data())) | kMessageFlagHasAttachment));
        properties.set(tagId(tags::HasAttachments), PropertyValue::boolean(true));
    }
    for (const auto& [id, value] : properties.values())
        if (sizeGiven || id != tagId(tags::MessageSize)) size += value.bytes().size();
    if (!sizeGiven) {
        properties.set(tagId(tags::MessageSize), PropertyValue::int32(static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF))));
    }
    NodeContent own = properties.build(writer_);
    if (own.subnodes.empty() && content.subnodes.size() == 1) {
        // Only the empty recipient table: that subnode tree is the same for
        // every such message, so they all share one SLBLOCK.
        writer_.addNode(nid, writer_.writeDataChunks(std::move(own.heapBlocks)), recipientOnlySubnodes(), folderNid);
    } else {
        own.subnodes.insert(own.subnodes.end(), std::make_move_iterator(content.subnodes.begin()),
                            std::make_move_iterator(content.subnodes.end()));
        writeNode(writer_, nid, folderNid, own);
    }
    folder.contents->addRow(nid, properties);
    if ((get32(properties.find(tagId(tags::MessageFlags))->bytes().data()) & kMessageFlagRead) == 0) ++folder.unread;
    return properties.release();
}

void PstFile::finishFolderProperties(Nid nid, Folder& folder) {
    folder.properties.set(tagId(tags::ContentCount), PropertyValue::int32(static_cast<std::int32_t>(folder.contents->rowCount())));
    folder.properties.set(tagId(tags::ContentUnreadCount), PropertyValue::int32(static_cast<std::int32_t>(folder.unread)));
    folder.properties.set(tagId(tags::Subfolders), PropertyValue::boolean(!folder.children.empty()));
    if (nid != kRootFolder) {
        folder.properties.set(tagId(tags::PstHiddenCount), PropertyValue::int32(0));
        folder.properties.set(tagId(tags::PstHiddenUnread), PropertyValue::int32(0));
    }
}

void PstFile::writeFolder(Nid nid, Folder& folder) {
    const auto index = nidIndex(nid);
    writeNode(writer_, nid, folder.parent, folder.properties.build(writer_));

    const Nid hierarchy = makeNid(NidType::HierarchyTable, index);
    if (folder.children.empty()) {
        writer_.addNode(hierarchy, templateData(kHierarchyTableTemplate), 0, 0);
    } else {
        TableContextBuilder table(writer_, hierarchyTableColumns());
        for (Nid child : folder.children) table.addRow(child, folderOf(child).properties);
        if (nid == kRootFolder) table.addRow(kSpamSearchFolder, spamSearchFolderProperties());
        writeNode(writer_, hierarchy, 0, table.build());
    }
    const Nid contents = makeNid(NidType::ContentsTable, index);
    if (folder.contents->rowCount() == 0 && !folder.ownContentsColumns) {
        writer_.addNode(contents, templateData(kContentsTableTemplate), 0, 0);
    } else {
        writeNode(writer_, contents, 0, folder.contents->build());
    }
    writer_.addNode(makeNid(NidType::AssocContentsTable, index), templateData(kAssocContentsTableTemplate), 0, 0);
}

PropertyContextBuilder PstFile::spamSearchFolderProperties() {
    PropertyContextBuilder properties;
    properties.set(tagId(tags::DisplayName), PropertyValue::string("SPAM Search Folder 2"));
    properties.set(tagId(tags::ContentCount), PropertyValue::int32(0));
    properties.set(tagId(tags::ContentUnreadCount), PropertyValue::int32(0));
    properties.set(tagId(tags::Subfolders), PropertyValue::boolean(false));
    return properties;
}

void PstFile::writeSpamSearchFolder() {
    writeNode(writer_, kSpamSearchFolder, kRootFolder, spamSearchFolderProperties().build(writer_));
    writer_.addNode(kSpamSearchUpdateQueue, 0, 0, 0);  // nothing pending
    PropertyContextBuilder criteria;
    criteria.set(kPidTagSearchFolderFlags, PropertyValue::int32(0));
    writeNode(writer_, kSpamSearchCriteria, 0, criteria.build(writer_));
    writer_.addNode(kSpamSearchContents, templateData(kSearchContentsTableTemplate), 0, 0);
    // The search activity list names the search folders: this one.
    Bytes activityList;
    append32(activityList, kSpamSearchFolder);
    writer_.addNode(kSearchActivityList, writer_.writeData(activityList), 0, 0);
}

void PstFile::writeStore() {
    PropertyContextBuilder store;
    store.set(tagId(tags::RecordKey), PropertyValue::binary(Bytes(recordKey_.begin(), recordKey_.end())));
    store.set(tagId(tags::DisplayName), PropertyValue::string(displayName_));
    store.set(tagId(tags::ValidFolderMask), PropertyValue::int32(kAllFoldersValid));
    store.set(tagId(tags::IpmSubtreeEntryId), PropertyValue::binary(entryId(kIpmSubtree)));
    store.set(tagId(tags::IpmOutboxEntryId), PropertyValue::binary(entryId(standardFolder(StandardFolder::Outbox))));
    store.set(tagId(tags::IpmWastebasketEntryId), PropertyValue::binary(entryId(standardFolder(StandardFolder::DeletedItems))));
    store.set(tagId(tags::IpmSentMailEntryId), PropertyValue::binary(entryId(standardFolder(StandardFolder::SentItems))));
    store.set(tagId(tags::ViewsEntryId), PropertyValue::binary(entryId(kViews)));
    store.set(tagId(tags::CommonViewsEntryId), PropertyValue::binary(entryId(kCommonViews)));
    store.set(tagId(tags::FinderEntryId), PropertyValue::binary(entryId(kSearchRoot)));
    store.set(tagId(tags::PstLrNoRestrictions), PropertyValue::boolean(true));
    store.set(tagId(tags::PstPassword), PropertyValue::int32(0));
    writeNode(writer_, kMessageStore, 0, store.build(writer_));
    writeNode(writer_, kNameToIdMap, 0, names_.build().build(writer_));
    writeReceiveFolderTable();
    // Search bookkeeping: empty queues and a search domain naming no folder,
    // so that new messages need no entries there.
    for (Nid nid : {kSearchManagementQueue, kSearchDomainObject, kSearchGathererQueue, kSearchGathererDescriptor,
                    kSearchGathererFolderQueue}) {
        writer_.addNode(nid, 0, 0, 0);
    }
    writeSpamSearchFolder();
}

void PstFile::close() {
    if (closed_) return;
    // A close that failed fails again with the same cause: the file it was
    // writing is gone, and nothing was renamed into place.
    if (!failure_.empty()) fail(failure_);
    // The messages added are written first; the background writer ends here.
    std::exception_ptr backgroundFailure;
    if (background_) {
        background_->wait();
        backgroundFailure = background_->failure();
        background_.reset();
    }
    try {
        if (backgroundFailure) std::rethrow_exception(backgroundFailure);
        if (!writer_.writeFailure().empty()) fail(writer_.writeFailure());
        writeStore();
        // A parent's hierarchy table repeats its children's counts, so all are
        // settled before any folder is written.
        for (auto& [nid, folder] : folders_) finishFolderProperties(nid, folder);
        for (auto& [nid, folder] : folders_) writeFolder(nid, folder);
        writer_.finish();
    } catch (...) {
        try {
            rethrowWithFileName();
        } catch (const PstError& error) {
            failure_ = error.cause();
            writer_.abandon();
            throw;
        }
    }
    closed_ = true;
}

}  // namespace tessaly::pst
