#pragma once
// The mail library's session, as the Outlook target calls it: log on, add a
// new PST store, find it again by its identifier, log off (which finishes the
// store's file). No COM: the members carry the names the calls use.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outlook/store.h"

namespace tessaly::outlook {

class Session;

class StoreCollection {
public:
    explicit StoreCollection(Session& session) : session_(session) {}
    // Creates a new PST file at `path` (format 1: Unicode) and adds it to the
    // session as a store named `displayName`. An existing file is never
    // written over: that fails.
    std::shared_ptr<Store> AddPSTStore(const std::string& path, std::int16_t format, const std::string& displayName);

private:
    Session& session_;
};

class Session {
public:
    // `options` fix what is random in a new store (tests make files repeat).
    explicit Session(pst::PstOptions options = {}) : options_(std::move(options)), stores_(*this) {}

    void Logon();
    StoreCollection& Stores();
    // The store of the session that `storeID` names.
    std::shared_ptr<Store> GetStoreFromID(const std::string& storeID);
    // Ends the session: every store's file is finished under its name. A
    // store that cannot be finished is dropped and named in the error; the
    // others are finished all the same.
    void Logoff();
    // Drops every store's unfinished file (a run that failed).
    void abandon() noexcept;

private:
    friend class StoreCollection;
    void requireLogon() const;

    pst::PstOptions options_;
    StoreCollection stores_;
    bool loggedOn_ = false;
    std::vector<std::shared_ptr<Store>> added_;
};

}  // namespace tessaly::outlook
