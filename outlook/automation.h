#pragma once
// What the object model's members take and how they fail. Members are called
// the way an automation client calls them: by name, with automation values
// (text or a date), each call failing on its own with an AutomationError that
// the caller may pass over and go on with the next statement.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

#include "vcard/contact_record.h"

namespace tessaly::outlook {

class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A date as automation passes it: days since 30 December 1899, the fraction
// being the time of day.
struct AutomationDate {
    DateValue days = 0;
};

using AutomationValue = std::variant<std::string, AutomationDate>;

// The codes the mail library's members take, as its callers pass them.
// The store format of AddPSTStore: a Unicode store, the one supported.
constexpr std::int16_t kUnicodeStore = 1;
// The item type of Items::Add: a contact item, the one supported.
constexpr std::int16_t kContactItem = 2;
// The default folders of GetDefaultFolder.
constexpr std::int16_t kDeletedItemsFolder = 3;
constexpr std::int16_t kOutboxFolder = 4;
constexpr std::int16_t kSentItemsFolder = 5;
constexpr std::int16_t kInboxFolder = 6;
constexpr std::int16_t kCalendarFolder = 9;
constexpr std::int16_t kContactsFolder = 10;
constexpr std::int16_t kJournalFolder = 11;
constexpr std::int16_t kNotesFolder = 12;
constexpr std::int16_t kTasksFolder = 13;
constexpr std::int16_t kDraftsFolder = 16;

}  // namespace tessaly::outlook
