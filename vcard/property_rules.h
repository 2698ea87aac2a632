#pragma once
// The property rules: each one looks at a line of an open card and, when the
// line is of its kind, fills fields of the contact record. A value a field
// already holds is kept where the record has a further field of its kind (a
// second number, a second address), and a value no field can take is noted
// in the record as unplaced. Pictures are handled apart (picture_collector.h).

#include <map>
#include <string>
#include <vector>

#include "vcard/contact_record.h"
#include "vcard/property_line.h"

namespace tessaly {

// What a card carries that is settled only at hand-over.
struct CardExtras {
    long line = 0;              // the line being read, set by the reader
    std::string_view property;  // its property's name as a static text, while the rules run
    std::string formattedName;  // the FN value, trimmed
    struct Email {
        std::string address;
        long line;
        bool preferred;
    };
    // The card's addresses are the first `emailCount`; the entries after
    // them are kept only so that their storage serves the next card.
    std::vector<Email> emails;
    std::size_t emailCount = 0;
    // Lines of a group ("item3.") that need another line of the group, the
    // label that says what they are (Apple's X-ABLabel).
    struct Grouped {
        std::string value;
        long line;
    };
    std::map<std::string, Grouped> relatedNames;  // by group
    std::map<std::string, std::string> labels;    // by group
    // Outlook's X-MS-OL-DEFAULT-POSTAL-ADDRESS (1 home, 2 business, 3 other)
    // or the kind of the first ADR marked "pref", or empty.
    std::string mailingAddress;
    std::string preferredAddress;
    // The card stands for an organisation, not a person: vCard 4.0's
    // KIND:org or Apple's X-ABShowAs:COMPANY.
    bool organisation = false;

    // Empties it for the next card, keeping the storage that can be reused.
    void clear();
};

// Applies the rules to one line; returns false when no rule took the line.
bool applyPropertyRules(const PropertyLine& line, ContactRecord& record, CardExtras& extras);

// The adjustments made as a card is handed over: the e-mail addresses in
// their order (a preferred one first), related names by their labels, the
// mailing address, and a card without any name part gets its name from its
// FN, split into parts; or, for an organisation's card (one that says so, or
// whose FN is its company), the FN as the company when ORG gives none.
void prepareForHandOver(ContactRecord& record, CardExtras& extras);

// True for properties that carry nothing of the contact (VERSION, PRODID,
// UID, …): a line of one of them is no value left out.
bool carriesNoContactData(std::string_view name);

}  // namespace tessaly
