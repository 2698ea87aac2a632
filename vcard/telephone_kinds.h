#pragma once
// Which of an Outlook contact's nineteen telephone fields a TEL line's type
// words call for. One line may name several kinds ("WORK,HOME"); a line that
// names no kind the fields know is an "other" number.

#include <array>
#include <cstddef>
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

// The kinds a line names, in a fixed order, without an allocation per line.
struct PhoneKinds {
    std::array<PhoneKind, 17> kinds{};
    std::size_t count = 0;
    void add(PhoneKind kind) { kinds[count++] = kind; }
    bool empty() const { return count == 0; }
    const PhoneKind* begin() const { return kinds.data(); }
    const PhoneKind* end() const { return kinds.data() + count; }
};

// `words`: the line's parameter words in lower case ("work", "voice", …),
// whether written as TYPE values or bare.
PhoneKinds phoneKindsOf(const std::vector<std::string_view>& words);

}  // namespace tessaly
