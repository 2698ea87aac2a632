#include "outlook/session.h"

#include "common/ascii_case.h"
#include "outlook/contacts_folder_columns.h"
#include "pst/pst_error.h"

namespace tessaly::outlook {

std::shared_ptr<Store> StoreCollection::AddPSTStore(const std::string& path, std::int16_t format,
                                                    const std::string& displayName) {
    session_.requireLogon();
    if (format != kUnicodeStore) throw AutomationError("store format " + std::to_string(format) + " is not supported");
    std::unique_ptr<pst::PstFile> file;
    try {
        file = pst::PstFile::create(path, displayName, session_.options_);
        // The contacts folder's table gets the columns Outlook's own has.
        file->setContentsColumns(file->standardFolder(pst::StandardFolder::Contacts), contactsFolderColumns());
    } catch (const pst::PstError& error) {
        throw AutomationError(error.what());
    }
    auto store = std::make_shared<Store>(std::make_shared<StoreState>(std::move(file)));
    session_.added_.push_back(store);
    return store;
}

void Session::requireLogon() const {
    if (!loggedOn_) throw AutomationError("the session is not logged on");
}

void Session::Logon() { loggedOn_ = true; }

StoreCollection& Session::Stores() {
    requireLogon();
    return stores_;
}

std::shared_ptr<Store> Session::GetStoreFromID(const std::string& storeID) {
    requireLogon();
    for (const auto& store : added_)
        if (store->state().isOpen() && equalsNoCase(store->EntryID(), storeID)) return store;
    throw AutomationError("no store of this session has the id '" + storeID + "'");
}

void Session::Logoff() {
    std::string failure;
    for (const auto& store : added_) {
        try {
            store->state().close();
        } catch (const AutomationError& error) {
            if (failure.empty()) failure = error.what();
        }
    }
    added_.clear();
    loggedOn_ = false;
    if (!failure.empty()) throw AutomationError(failure);
}

void Session::abandon() noexcept {
    for (const auto& store : added_) store->state().abandon();
    added_.clear();
    loggedOn_ = false;
}

}  // namespace tessaly::outlook
