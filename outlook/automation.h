#pragma once
// What the object model's members take and how they fail. Members are called
// the way an automation client calls them: by name, with automation values
// (text or a date), each call failing on its own with an AutomationError that
// the caller may pass over and go on with the next statement.

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

}  // namespace tessaly::outlook
