#include "outlook/store_session.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/numbered_name.h"


namespace tessaly::outlook {

std::tm systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string timeStamp(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%02d %d.%d.%02d", local.tm_mday, local.tm_mon + 1,
                  (local.tm_year + 1900) % 100, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::filesystem::path freePstPath(const std::filesystem::path& outputFolder, const std::string& stamp) {
    const std::filesystem::path first = outputFolder / ("Contacts" + stamp + ".pst");
    for (int copy = 1; copy <= kMaxNumberedCopies; ++copy) {
        const std::filesystem::path path = numberedName(first, copy);
        // Only "no such file" makes a name free; a folder that cannot be
        // searched or a name too long says so at once, never "taken".
        struct stat status {};
        if (::lstat(path.c_str(), &status) == 0) continue;
        if (errno == ENOENT) return path;
        throw AutomationError(path.string() + ": cannot create a file in " + outputFolder.string() + ": " +
                              std::strerror(errno));
    }
    throw AutomationError(first.string() + ": this name and its " + std::to_string(kMaxNumberedCopies - 1) +
                          " numbered copies are all taken in " + outputFolder.string());
}

StoreSessionError::StoreSessionError(const std::string& cause) : std::runtime_error(cause) {}

StoreSession::StoreSession(LocalClock clock, pst::PstOptions options)
    : clock_(std::move(clock)), options_(std::move(options)) {}

void StoreSession::open(const std::filesystem::path& outputFolder) {
    try {
        objSession_ = std::make_unique<Session>(options_);
        objSession_->Logon();
        PSTPath_ = freePstPath(outputFolder, timeStamp(clock_()));
        StoreDisplayName_ = "Imported Contacts : Created - " + timeStamp(clock_());
        store_ = objSession_->Stores().AddPSTStore(PSTPath_.string(), kUnicodeStore, StoreDisplayName_);
        PSTStoreID_ = store_->EntryID();
        store_->ValidateIPMTree();
    } catch (const AutomationError& error) {
        // Nothing of the session stays behind a failed set-up.
        abandon();
        throw StoreSessionError(error.what());
    }
}

void StoreSession::close() {
    if (!objSession_) return;
    std::unique_ptr<Session> session = std::move(objSession_);
    // The store is kept to the log-off to learn where its file went.
    std::shared_ptr<Store> store = std::move(store_);
    session->Logoff();
    if (store) PSTPath_ = store->PstPath();
}

std::string StoreSession::writeFailure() const { return store_ ? store_->state().writeFailure() : std::string(); }

void StoreSession::abandon() noexcept {
    store_.reset();
    if (objSession_) objSession_->abandon();
    objSession_.reset();
}

}  // namespace tessaly::outlook
