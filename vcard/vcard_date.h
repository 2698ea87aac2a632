#pragma once
// Dates of BDAY and ANNIVERSARY values.

#include <optional>
#include <string_view>

#include "vcard/contact_record.h"

namespace tessaly {

// Converts a date value. Without a dash, its first eight characters are year,
// month and day (19800415; anything after them is ignored). With dashes it is
// YYYY-MM-DD, optionally followed by "T" and a time of day, which is ignored.
// Returns nothing for anything else, an impossible date included.
std::optional<DateValue> parseVcardDate(std::string_view value);

// Day count since 30 December 1899 of a calendar date (proleptic Gregorian).
DateValue dateValueOf(int year, int month, int day);

// The calendar date of a day count (its whole days).
void calendarDateOf(DateValue date, int& year, int& month, int& day);

}  // namespace tessaly
