#pragma once
// CreateContactItem: one card's record made into a saved contact item of the
// store the session holds. Every statement is guarded on its own: one that
// fails is passed over and the next runs; the caller learns whether the item
// was saved and which statements failed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "outlook/distribution_list.h"
#include "outlook/session.h"
#include "vcard/contact_record.h"

namespace tessaly::outlook {

struct ContactItemOutcome {
    bool saved = false;
    // For a saved card with a UID: the contact as a member of a distribution
    // list, for the groups that name it.
    std::optional<ListMember> listMember;
    // "Statement: cause" for each statement that failed, in order.
    std::vector<std::string> failures;
};

// Why an item was not saved: its first failure, since the later ones often
// only follow from it (no item was made, so every statement after failed).
std::string notSavedCause(const ContactItemOutcome& outcome);

// `record` holds the card's slots as the reader leaves them; the writer takes
// them trimmed of spaces. `FolderName` is the default folder's code (10, the
// contacts folder). In order: the new item, its properties, its picture,
// its dates, Save.
ContactItemOutcome CreateContactItem(Session& objSession, const std::string& storeID, std::int16_t FolderName,
                                     const ContactRecord& record);

// The steps after the new item, each statement guarded on its own; with no
// item every statement fails. (CreateContactItem runs them in this order;
// the stage benchmark times them one by one.)
void setContactProperties(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome);
// The fields beside the record's slots (called by setContactProperties).
void setFurtherProperties(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome);
void addContactPicture(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome);
void setContactDates(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome);
void saveContact(ContactItem* item, ContactItemOutcome& outcome);

}  // namespace tessaly::outlook
