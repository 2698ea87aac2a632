#pragma once
// A store of the session (a PST file being written), its default folders and
// their item collections.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "outlook/contact_content_pool.h"
#include "outlook/contact_item.h"
#include "outlook/distribution_list.h"
#include "pst/messaging/pst_file.h"

namespace tessaly::outlook {

// What a store's objects share: the file being written. Once the session is
// logged off the file is closed and every further call fails.
class StoreState {
public:
    explicit StoreState(std::unique_ptr<pst::PstFile> file)
        : file_(std::move(file)), path_(file_->fileName()) {}

    // The file, or an AutomationError once it is closed.
    pst::PstFile& file();
    // Finishes the file under its name; an AutomationError names the cause.
    void close();
    // Drops the unfinished file.
    void abandon() noexcept { file_.reset(); }
    bool isOpen() const { return file_ != nullptr; }
    // The file's path: the name it was made for, and after a close where it
    // went (the next free numbered name when another file took that one).
    const std::filesystem::path& path() const { return path_; }
    // Why the file can no longer be written, empty while it can (or once it
    // is closed).
    std::string writeFailure() const { return file_ ? file_->writeFailure() : std::string(); }
    // Where the store's new contact items take their contents from.
    ContactContentPool& contactContents() { return *contactContents_; }

private:
    std::unique_ptr<pst::PstFile> file_;
    std::shared_ptr<ContactContentPool> contactContents_ = ContactContentPool::make();
    std::filesystem::path path_;
};

class Items {
public:
    Items(std::shared_ptr<StoreState> store, pst::Nid folder) : store_(std::move(store)), folder_(folder) {}
    // A new, unsaved item of the type: 2, a contact item, is the one supported.
    std::shared_ptr<ContactItem> Add(std::int16_t itemType);
    // Saves a distribution list of these members in the folder.
    void AddDistributionList(const std::string& name, const std::vector<ListMember>& members);

private:
    std::shared_ptr<StoreState> store_;
    pst::Nid folder_;
};

class Folder {
public:
    Folder(std::shared_ptr<StoreState> store, pst::Nid nid) : store_(std::move(store)), nid_(nid) {}
    std::shared_ptr<outlook::Items> Items() const { return std::make_shared<outlook::Items>(store_, nid_); }
    pst::Nid nid() const { return nid_; }

private:
    std::shared_ptr<StoreState> store_;
    pst::Nid nid_;
};

class Store {
public:
    explicit Store(std::shared_ptr<StoreState> state);

    // The text that names the store to its session (hexadecimal).
    const std::string& EntryID() const { return entryId_; }
    // Makes sure the store holds its default folders, the contacts folder
    // among them, ready for contacts.
    void ValidateIPMTree();
    // A default folder by its code (the k…Folder codes of automation.h:
    // deleted items, outbox, sent items, inbox, calendar, contacts, journal,
    // notes, tasks, drafts).
    std::shared_ptr<Folder> GetDefaultFolder(std::int16_t folderType);

    // The store's file: where it went once the session was logged off.
    std::string PstPath() const { return state_->path().string(); }

    StoreState& state() { return *state_; }

private:
    std::shared_ptr<StoreState> state_;
    std::string entryId_;
};

}  // namespace tessaly::outlook
