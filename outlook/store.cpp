#include "outlook/store.h"

#include "outlook/contacts_folder_columns.h"
#include "pst/pst_error.h"

namespace tessaly::outlook {

namespace {

// The default folders by their codes in the mail library.
std::optional<pst::StandardFolder> standardFolderOf(std::int16_t folderType) {
    switch (folderType) {
        case 3: return pst::StandardFolder::DeletedItems;
        case 4: return pst::StandardFolder::Outbox;
        case 5: return pst::StandardFolder::SentItems;
        case 6: return pst::StandardFolder::Inbox;
        case 9: return pst::StandardFolder::Calendar;
        case 10: return pst::StandardFolder::Contacts;
        case 11: return pst::StandardFolder::Journal;
        case 12: return pst::StandardFolder::Notes;
        case 13: return pst::StandardFolder::Tasks;
        case 16: return pst::StandardFolder::Drafts;
        default: return std::nullopt;
    }
}

constexpr std::int16_t kContactItem = 2;

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
        for (std::int16_t code : {3, 4, 5, 6, 9, 10, 11, 12, 13, 16}) file.standardFolder(*standardFolderOf(code));
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
