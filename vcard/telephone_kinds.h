#pragma once
// Which of an Outlook contact's nineteen telephone fields a TEL line's type
// words call for. One line may name several kinds ("WORK,HOME"); a line that
// names no kind the fields know is an "other" number.

#include <string_view>
#include <vector>

namespace tessaly {

enum class PhoneKind {
    Business,
    Home,
    Mobile,
    Pager,
    Car,
    BusinessFax,
    HomeFax,
    OtherFax,
    Primary,
    CompanyMain,
    Assistant,
    Callback,
    Isdn,
    Radio,
    Telex,
    TtyTdd,
    Other,
};

// `words`: the line's parameter words in lower case ("work", "voice", …),
// whether written as TYPE values or bare.
std::vector<PhoneKind> phoneKindsOf(const std::vector<std::string_view>& words);

}  // namespace tessaly
