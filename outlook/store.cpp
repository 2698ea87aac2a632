#include "outlook/store.h"

#include <optional>
#include <utility>

#include "outlook/contacts_folder_columns.h"
#include "pst/pst_error.h"

namespace tessaly::outlook {

namespace {

// The default folders by their codes in the mail library.
constexpr std::pair<std::int16_t, pst::StandardFolder> kDefaultFolders[] = {
    {kDeletedItemsFolder, pst::StandardFolder::DeletedItems},
    {kOutboxFolder, pst::StandardFolder::Outbox},
    {kSentItemsFolder, pst::StandardFolder::SentItems},
    {kInboxFolder, pst::StandardFolder::Inbox},
    {kCalendarFolder, pst::StandardFolder::Calendar},
    {kContactsFolder, pst::StandardFolder::Contacts},
    {kJournalFolder, pst::StandardFolder::Journal},
    {kNotesFolder, pst::StandardFolder::Notes},
    {kTasksFolder, pst::StandardFolder::Tasks},
    {kDraftsFolder, pst::StandardFolder::Drafts},
};

std::optional<pst::StandardFolder> standardFolderOf(std::int16_t folderType) {
    for (const auto& [code, folder] : kDefaultFolders)
        if (code == folderType) return folder;
    return std::nullopt;
}

}  // namespace

pst::PstFile& StoreState::file() {
    if (!file_) throw AutomationError("the store is closed: its session was logged off");
    return *file_;
}

void StoreState::close() {
    if (!file_) return;
    try {
        file_->close();
    } catch (const pst::PstError& error) {
        file_.reset();
        throw AutomationError(error.what());
    }
    path_ = file_->finalPath();
    file_.reset();
}

std::shared_ptr<ContactItem> Items::Add(std::int16_t itemType) {
    if (itemType != kContactItem)
        throw AutomationError("items of type " + std::to_string(itemType) + " are not supported; contacts (2) are");
    store_->file();  // fails once the store is closed
    return std::make_shared<ContactItem>(store_, folder_);
}

void Items::AddDistributionList(const std::string& name, const std::vector<ListMember>& members) {
    try {
        store_->file().addMessage(folder_, distributionListMessage(name, members));
    } catch (const pst::PstError& error) {
        throw AutomationError(error.what());
    }
}

Store::Store(std::shared_ptr<StoreState> state) : state_(std::move(state)) {
    // Zero flags and the store's record key, in hexadecimal.
    static const char* const kDigits = "0123456789ABCDEF";
    entryId_ = "00000000";
    for (std::uint8_t byte : state_->file().recordKey()) {
        entryId_ += kDigits[byte >> 4];
        entryId_ += kDigits[byte & 0xF];
    }
}

void Store::ValidateIPMTree() {
    pst::PstFile& file = state_->file();
    try {
        for (const auto& [code, folder] : kDefaultFolders) file.standardFolder(folder);
    } catch (const pst::PstError& error) {
        throw AutomationError(error.what());
    }
}

std::shared_ptr<Folder> Store::GetDefaultFolder(std::int16_t folderType) {
    const std::optional<pst::StandardFolder> folder = standardFolderOf(folderType);
    if (!folder) throw AutomationError("there is no default folder of type " + std::to_string(folderType));
    try {
        return std::make_shared<Folder>(state_, state_->file().standardFolder(*folder));
    } catch (const pst::PstError& error) {
        throw AutomationError(error.what());
    }
}

}  // namespace tessaly::outlook
