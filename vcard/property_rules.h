#pragma once
// The property rules: each one looks at a line of an open card and, when the
// line is of its kind, fills slots of the contact record. Every rule is tried on
// every line, in a fixed order; a later line of the same kind overwrites.
// Pictures are handled apart (picture_collector.h).

#include <string>

#include "vcard/contact_record.h"
#include "vcard/property_line.h"

namespace tessaly {

// What a card carries that has no slot of its own but matters at hand-over.
struct CardExtras {
    std::string formattedName;  // the FN value, trimmed
};

void applyPropertyRules(const PropertyLine& line, ContactRecord& record, CardExtras& extras);

// The adjustments made as a card is handed over: e-mail addresses move up into
// empty earlier slots, and a card without any name part gets its FN as first
// name.
void prepareForHandOver(ContactRecord& record, const CardExtras& extras);

}  // namespace tessaly
