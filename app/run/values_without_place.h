#pragma once
// The values of a card that its target had no place for: those the record
// itself holds in no field (a fifth e-mail address, a property no rule
// knows), and those in fields the target has no place for, each reported with
// its file, line, card and property.

#include <span>

#include "app/run/conversion_target.h"
#include "app/run/run_report.h"
#include "vcard/contact_record.h"

namespace tessaly {

// A field of the record that a target has no place for, its name (as
// contactSlots() or contactFields() name it, the name its sources carry) and
// what its value is, for the report.
struct FieldWithoutPlace {
    std::string ContactRecord::*member;
    const char* field;
    const char* what;
};

// Adds one entry of `kind` per value: "FILE:LINE: card N: PROPERTY (what)".
void reportValuesWithoutPlace(const ContactRecord& record, const CardPlace& place,
                              std::span<const FieldWithoutPlace> fields, ReportKind kind, RunReport& report);

}  // namespace tessaly
