#pragma once
// The store session of an Outlook run: a session logged on, a new PST file in
// the output folder added to it as a store with a dated name, its folders
// made ready; and at the end of the run the store released and the session
// logged off, which finishes the file under its name.

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "outlook/session.h"

namespace tessaly::outlook {

// The local date and time, read anew for each name.
using LocalClock = std::function<std::tm()>;
std::tm systemLocalTime();

// "d.m.YY H.m.ss": day and month without a leading zero, the year's last two
// digits, the hour (0 to 23) and minute without a leading zero, two-digit
// seconds. 5 December 2026, 14:03:09 gives "5.12.26 14.3.09".
std::string timeStamp(const std::tm& local);

// `outputFolder` + "Contacts" + `stamp` + ".pst"; when a file of that name
// exists, " (2)", " (3)", … before ".pst", so that no file is written over.
// AutomationError when the folder cannot be searched (or the name is too
// long), naming the cause, and when every numbered name is taken.
std::filesystem::path freePstPath(const std::filesystem::path& outputFolder, const std::string& stamp);

// The set-up failed; what() is the cause, naming the file or folder.
class StoreSessionError : public std::runtime_error {
public:
    explicit StoreSessionError(const std::string& cause);
};

class StoreSession {
public:
    explicit StoreSession(LocalClock clock = systemLocalTime, pst::PstOptions options = {});

    // Logs on, adds the new store and prepares its folders. On a failure the
    // session is logged off and released at once, and StoreSessionError says
    // why.
    void open(const std::filesystem::path& outputFolder);

    Session& objSession() { return *objSession_; }
    const std::string& PSTStoreID() const { return PSTStoreID_; }
    const std::filesystem::path& PSTPath() const { return PSTPath_; }
    const std::string& StoreDisplayName() const { return StoreDisplayName_; }

    // Releases the store and logs off, finishing the file; PSTPath() then
    // names where it went (the next free numbered name when another run took
    // this one meanwhile). AutomationError when the file could not be
    // finished (it is then gone).
    void close();
    // Why the store's file can no longer be written (a failed write), empty
    // while it can.
    std::string writeFailure() const;
    // Drops the unfinished file (a run whose target failed).
    void abandon() noexcept;

private:
    LocalClock clock_;
    pst::PstOptions options_;
    std::unique_ptr<Session> objSession_;
    std::shared_ptr<Store> store_;
    std::string PSTStoreID_;
    std::filesystem::path PSTPath_;
    std::string StoreDisplayName_;
};

}  // namespace tessaly::outlook
