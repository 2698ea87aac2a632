#pragma once
// A new contact item, as Items.Add(2) gives it: properties are set by name,
// a picture is added from a file, and Save writes it to its folder. Each
// member fails on its own with an AutomationError.

#include <memory>
#include <string>
#include <string_view>

#include "outlook/automation.h"
#include "outlook/contact_message.h"
#include "pst/ndb/ids.h"

namespace tessaly::outlook {

class StoreState;

class ContactItem {
public:
    ContactItem(std::shared_ptr<StoreState> store, pst::Nid folder);

    // Sets the property of an object-model name (FirstName, Email1Address,
    // Birthday, …; any letter case): text for the text properties, a date for
    // Birthday and Anniversary. An unknown name, a value of the other kind,
    // a mailing-address code other than "1", "2" or "" and a date before 1601
    // or after 9999 are refused, and so is a date whose local midnight falls
    // before 1601 in UTC (1 January 1601 east of UTC).
    void setProperty(std::string_view name, AutomationValue value);

    // Makes the picture in the file at `path` the contact's photo. An empty
    // path does nothing; a file that cannot be read fails this call only.
    void AddPicture(const std::string& path);
    // Makes `bytes` the contact's photo; empty bytes do nothing.
    void SetPicture(std::string_view bytes);

    // Writes the contact to its folder. An item is saved once.
    void Save();
    // The saved item's entry identifier in its store (empty before Save).
    const pst::Bytes& EntryID() const { return entryId_; }

    // The fields as set, or as saved once the item is saved.
    const ContactContent& content() const;

private:
    // The fields being set, made with the first of them.
    ContactContent& ownContent();

    std::shared_ptr<StoreState> store_;
    pst::Nid folder_;
    // Handed over whole at Save, not copied: a field set after it goes to a
    // new one.
    std::shared_ptr<ContactContent> content_;
    // The content handed to the store at Save, shared with the message it
    // makes there.
    std::shared_ptr<const ContactContent> savedContent_;
    bool saved_ = false;
    pst::Bytes entryId_;
};

}  // namespace tessaly::outlook
