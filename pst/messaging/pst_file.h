#pragma once
// A Unicode PST store being written: created with its standard folders,
// filled with messages, then closed. A message goes to the file when it is
// added; folders, their tables and the indexes are written on close. Until
// close() the file exists only under a temporary name beside the final one.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pst/ltp/property_context.h"
#include "pst/ltp/table_context.h"
#include "pst/messaging/message.h"
#include "pst/messaging/named_property_map.h"
#include "pst/ndb/node_database_writer.h"

namespace tessaly {
class SerialWorker;
}

namespace tessaly::pst {

enum class StandardFolder { DeletedItems, Inbox, Outbox, SentItems, Calendar, Contacts, Journal, Notes, Tasks, Drafts };

// A column of a folder's contents table: a tag, or a named property whose id
// the store's name-to-id map gives (the tag's type is the column's type).
struct ContentsColumn {
    std::uint32_t tag = 0;
    std::optional<PropertyName> name;
};

struct PstOptions {
    // Fixed values make a file reproducible; by default they are random
    // (record key, dwUnique) and the current time.
    std::optional<std::array<std::uint8_t, 16>> recordKey;
    std::optional<std::uint32_t> unique;
    std::optional<std::uint64_t> fileTime;  // creation time of folders and messages
    // Messages are written on a thread of their own, in the order they were
    // added, while the caller makes the next ones; the file is the same byte
    // for byte. A failure there ends the store's writing: the next call fails
    // with its cause, and writeFailure() names it.
    bool writeInBackground = false;
};

class PstFile {
public:
    static std::unique_ptr<PstFile> create(const std::filesystem::path& path, const std::string& displayName,
                                           const PstOptions& options = {});
    ~PstFile();
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    Nid rootFolder() const;
    Nid ipmSubtree() const;
    Nid standardFolder(StandardFolder folder) const;
    // A new folder under `parent` (a folder of this store).
    Nid createFolder(Nid parent, const std::string& name, const std::string& containerClass);
    // The columns of a folder's contents table, in existence-bit order after
    // the row id and version (by default the template's). Only before the
    // folder's first message.
    void setContentsColumns(Nid folder, const std::vector<ContentsColumn>& columns);
    // A NID for a message not yet added, for properties that name the
    // message itself (its own entry id); pass it to addMessage.
    Nid reserveMessageNid();
    // Writes the message into `folder` and returns its NID (`reserved` when
    // given). (Pass an rvalue to spare copying its values.) When writing in
    // the background, only what the caller can check at once fails here (the
    // store, the folder, the NID, the attachments' sizes); a failure in the
    // writing fails the calls after it.
    Nid addMessage(Nid folder, Message message, Nid reserved = 0);
    // As addMessage, for a message that `fill` builds where the store writes
    // it: on the store's thread when writing in the background, so that the
    // caller goes on meanwhile. `fill` is given an empty message, whose
    // vectors may keep the room of one written before. `largestAttachment`,
    // the size of the largest attachment the message will have, is checked
    // here; `heldBytes`, about what `fill` holds, counts against the queue's
    // bound. A failure of `fill` in the background fails the calls after it,
    // as a failure in the writing does. `ahead`, if given, runs on the store's
    // thread shortly before `fill` (see SerialWorker::post).
    Nid addMessageMadeBy(Nid folder, std::function<void(Message&)> fill, std::size_t largestAttachment,
                         std::size_t heldBytes, Nid reserved = 0, std::function<void()> ahead = {});

    const std::array<std::uint8_t, 16>& recordKey() const { return recordKey_; }
    // The 24-byte entry identifier of a folder or message of this store.
    Bytes entryId(Nid nid) const;
    std::size_t messageCount(Nid folder) const;
    const std::string& fileName() const { return fileName_; }
    // Where close() put the file: its name, or the next free " (N)" copy of
    // it when another file took the name while the store was written.
    const std::filesystem::path& finalPath() const { return writer_.finalPath(); }
    // Why the file can no longer be written (a write to it failed: the disk
    // full, an I/O error; in the background, anything that failed a message),
    // empty while it can. Every later call fails with this first cause.
    std::string writeFailure() const;

    // Writes folders, tables, maps and header and renames the file into place.
    void close();

private:
    struct Folder {
        Nid parent = 0;
        PropertyContextBuilder properties;
        std::vector<Nid> children;
        std::unique_ptr<TableContextBuilder> contents;
        bool ownContentsColumns = false;  // not the template's: an empty table is written, not shared
        std::uint32_t unread = 0;
    };

    PstFile(const std::filesystem::path& path, const std::string& displayName, const PstOptions& options);
    // Writes the message; returns the values it took from `message`, for
    // the caller to free.
    std::vector<PropertyContextBuilder::Entry> writeMessage(Nid folderNid, Message& message, Nid nid);
    // Waits until the messages added so far are written: before anything
    // that reads or changes what their writing does.
    void settle() const;
    // Queues `job` on the writing thread; what it throws fails the store
    // with the file's name, as a failure in line does.
    template <typename Job>
    void postWriting(Job job, std::size_t bytes, std::function<void()> ahead = {});
    // The checks addMessage makes on the caller's thread; returns the NID.
    Nid takeMessageNid(Nid folder, std::size_t largestAttachment, Nid reserved);
    void writeTemplates();
    Nid addFolder(Nid nid, Nid parent, const std::string& name, const std::string& containerClass);
    Folder& folderOf(Nid nid);
    void finishFolderProperties(Nid nid, Folder& folder);
    void writeFolder(Nid nid, Folder& folder);
    void writeStore();
    void writeReceiveFolderTable();
    static PropertyContextBuilder spamSearchFolderProperties();
    void writeSpamSearchFolder();
    [[noreturn]] void fail(const std::string& cause) const;
    // Throws the error being handled as a PstError that names this file.
    [[noreturn]] void rethrowWithFileName() const;
    void failIfNotOpen() const;
    Bid templateData(Nid table) const;
    // The data of an empty recipient table, and the subnode tree of a message
    // whose only subnode is that table: blocks many messages share.
    Bid emptyRecipientTable();
    Bid recipientOnlySubnodes();

    std::string fileName_;
    std::string displayName_;
    std::array<std::uint8_t, 16> recordKey_{};
    std::uint64_t fileTime_ = 0;
    NodeDatabaseWriter writer_;
    NamedPropertyMap names_;
    std::map<Nid, Folder> folders_;
    std::map<StandardFolder, Nid> standard_;
    std::map<Nid, Bid> templates_;  // template table NID → its data block
    struct {
        std::vector<Bytes> blocks;  // its heap, to write a copy from
        Bid data = 0;               // the copy messages share now
    } recipientTable_;
    Bid recipientOnlySubnodes_ = 0;  // the subnode tree of messages without attachments
    bool closed_ = false;
    std::string failure_;  // why close() failed, if it did
    std::set<Nid> reserved_;  // message NIDs handed out and not yet used
    // The vector of the last message made on the writing thread, emptied:
    // the next message's values take its room. With lastNames_, written by
    // the writing thread for every message while the caller's thread reads
    // the members above and background_ for every message: on cache lines
    // of their own, so that neither thread's reads wait for a line to come
    // back from the other's core.
    alignas(64) std::vector<PropertyContextBuilder::Entry> spareValues_;
    // The last message's named properties in its order, with their ids:
    // messages of one kind name the same properties in the same order, and
    // a name equal to the one at its place takes its id without a lookup.
    std::vector<std::pair<PropertyName, std::uint16_t>> lastNames_;
    // The last message made on the writing thread, emptied: the next one is
    // filled in its room rather than in vectors of its own.
    Message spareMessage_;
    // Writes the messages when writing in the background. Last: it stops
    // before the rest goes.
    alignas(64) std::unique_ptr<SerialWorker> background_;
};

}  // namespace tessaly::pst
