#include "outlook/store_session.h"

#include <cstdio>

#ifndef TESSALY_DOC_DIR
#define TESSALY_DOC_DIR "/usr/share/doc/tessaly"
#endif

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
    const std::string stem = "Contacts" + stamp;
    for (int copy = 1;; ++copy) {
        const std::string name = copy == 1 ? stem + ".pst" : stem + " (" + std::to_string(copy) + ").pst";
        const std::filesystem::path path = outputFolder / name;
        std::error_code error;
        const auto type = std::filesystem::symlink_status(path, error).type();
        if (type == std::filesystem::file_type::not_found) return path;
    }
}

std::string storeSessionFailureText(const std::string& cause) {
    return "Outlook Session Creation Error !\r\n"
           "Check if Outlook is installed and configured.\r\n"
           "For more details visit this link : file://" TESSALY_DOC_DIR "/README.md#troubleshooting\r\n" +
           cause;
}

StoreSessionError::StoreSessionError(const std::string& cause)
    : std::runtime_error(storeSessionFailureText(cause)), cause_(cause) {}

StoreSession::StoreSession(LocalClock clock, pst::PstOptions options)
    : clock_(std::move(clock)), options_(std::move(options)) {}

void StoreSession::open(const std::filesystem::path& outputFolder) {
    try {
        objSession_ = std::make_unique<Session>(options_);
        objSession_->Logon();
        PSTPath_ = freePstPath(outputFolder, timeStamp(clock_()));
        StoreDisplayName_ = "Imported Contacts : Created - " + timeStamp(clock_());
        std::shared_ptr<Store> store = objSession_->Stores().AddPSTStore(PSTPath_.string(), kUnicodeStore, StoreDisplayName_);
        PSTStoreID_ = store->EntryID();
        store->ValidateIPMTree();
    } catch (const AutomationError& error) {
        // Nothing of the session stays behind a failed set-up.
        abandon();
        throw StoreSessionError(error.what());
    }
}

void StoreSession::close() {
    if (!objSession_) return;
    std::unique_ptr<Session> session = std::move(objSession_);
    session->Logoff();
}

void StoreSession::abandon() noexcept {
    if (objSession_) objSession_->abandon();
    objSession_.reset();
}

}  // namespace tessaly::outlook
