#pragma once
// A contact item's fields made into the message a PST stores, the way Outlook
// stores a contact of its own: the fields' properties, and those Outlook keeps
// consistent with them (display name, subject, file-as, initials, addresses
// built from their parts, the mailing address, e-mail and fax entries with
// their one-off entry identifiers, the address-book provider list, keywords,
// dates in both forms, the photo), plus the item-level properties Outlook
// writes on every contact.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "outlook/contact_fields.h"
#include "pst/messaging/message.h"
#include "vcard/contact_record.h"

namespace tessaly::outlook {

struct ContactPicture {
    std::vector<std::uint8_t> bytes;
    std::string mimeType;
};

struct ContactContent {
    std::array<std::string, kContactFieldCount> text;
    DateValue birthday = 0;     // 0: none
    DateValue anniversary = 0;  // 0: none
    std::optional<ContactPicture> picture;

    const std::string& operator[](ContactField field) const { return text[static_cast<std::size_t>(field)]; }
    std::string& operator[](ContactField field) { return text[static_cast<std::size_t>(field)]; }
};

// The full name as Outlook composes it: title, first, middle and last name
// and suffix, the empty ones left out; failing those, the company, then the
// first e-mail address.
std::string contactDisplayName(const ContactContent& content);

// "Last, First Middle" (Outlook's default file-as), or the parts there are;
// with no name at all, the company.
std::string contactFileAs(const ContactContent& content);

// The first letter of first, middle and last name, each followed by ".".
std::string contactInitials(const ContactContent& content);

// An address's one text: the street, then "City, State PostalCode", then the
// country, one line each (CR LF), the empty ones left out.
std::string compositeAddress(const std::string& street, const std::string& city, const std::string& state,
                             const std::string& postalCode, const std::string& country);

// The categories, split at commas, each trimmed of spaces, empty ones dropped.
std::vector<std::string> categoryKeywords(const std::string& categories);

// FILETIME of a date's local midnight (the process's time zone), in UTC;
// nothing when that time falls before 1601, where FILETIME begins (the first
// day of 1601 east of UTC).
std::optional<std::uint64_t> localMidnightInUtc(DateValue date);

// The name a contact's e-mail and fax entries carry: its name without the
// title ("Quick Brown Fox Jr"), or without a name its display name.
std::string contactEntryName(const ContactContent& content, const std::string& displayName);
// An e-mail entry's display name: the name with the address in brackets, or
// the address alone when there is no other name.
std::string emailEntryDisplayName(const std::string& name, const std::string& address);

// Sets the text property of tag id `id` (type PtypString) to `value` (UTF-8).
void setText(pst::Message& message, std::uint16_t id, const std::string& value);

// The stamps Outlook writes on every contact and distribution list it saves:
// importance, sensitivity and locale; the empty account, keyword, language,
// location, department and referred-by; auto-journal off; and the item's
// reminder, to-do and task state, none of them set.
void setItemStamps(pst::Message& message);

// The message of a contact. `ownEntryId` is the entry identifier the contact
// will have in its store (Outlook keeps it in PidLidReferenceEntryId).
pst::Message contactMessage(const ContactContent& content, const pst::Bytes& ownEntryId);
// The same, set on `message`, which is empty (its vectors may have room).
void fillContactMessage(const ContactContent& content, const pst::Bytes& ownEntryId, pst::Message& message);
// Asks the processor for the content's fields (where the short texts are
// held), without waiting for them: on another core than the one that wrote
// them, shortly before fillContactMessage reads them.
void prefetchContactContent(const ContactContent& content);

}  // namespace tessaly::outlook
