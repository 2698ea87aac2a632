#include "vcard/telephone_kinds.h"

#include <utility>

namespace tessaly {

PhoneKinds phoneKindsOf(const std::vector<std::string_view>& words) {
    // One pass over the words, each setting the bit of what it names.
    enum : unsigned {
        kWork = 1u << 0, kHome = 1u << 1, kFax = 1u << 2, kMain = 1u << 3, kMobile = 1u << 4, kPager = 1u << 5,
        kCar = 1u << 6, kAssistant = 1u << 7, kCallback = 1u << 8, kIsdn = 1u << 9, kRadio = 1u << 10,
        kTelex = 1u << 11, kTty = 1u << 12, kPref = 1u << 13,
    };
    // Each word by its length and first letter, then compared whole: a
    // number's line names a few kinds, and this is asked of every number.
    const auto is = [](std::string_view word, std::string_view kind) { return word == kind; };
    unsigned named = 0;
    for (const std::string_view word : words) {
        switch (word.size()) {
            case 3:
                if (is(word, "fax")) named |= kFax;
                else if (is(word, "car")) named |= kCar;
                else if (is(word, "tlx")) named |= kTelex;
                else if (is(word, "tty") || is(word, "tdd")) named |= kTty;
                break;
            case 4:
                switch (word[0]) {
                    case 'w': if (is(word, "work")) named |= kWork; break;
                    case 'h': if (is(word, "home")) named |= kHome; break;
                    case 'm': if (is(word, "main")) named |= kMain; break;
                    case 'c': if (is(word, "cell")) named |= kMobile; break;
                    case 'i': if (is(word, "isdn")) named |= kIsdn; break;
                    case 'p': if (is(word, "pref")) named |= kPref; break;
                }
                break;
            case 5:
                if (is(word, "pager")) named |= kPager;
                else if (is(word, "radio")) named |= kRadio;
                else if (is(word, "telex")) named |= kTelex;
                break;
            case 6:
                if (is(word, "mobile") || is(word, "iphone")) named |= kMobile;
                else if (is(word, "ttytdd")) named |= kTty;
                break;
            case 8:
                if (is(word, "callback")) named |= kCallback;
                break;
            case 9:
                if (is(word, "assistant")) named |= kAssistant;
                else if (is(word, "textphone")) named |= kTty;
                break;
        }
    }
    const bool work = (named & kWork) != 0, home = (named & kHome) != 0;
    PhoneKinds kinds;
    if ((named & kFax) != 0) {
        if (work) kinds.add(PhoneKind::BusinessFax);
        if (home) kinds.add(PhoneKind::HomeFax);
        if (!work && !home) kinds.add(PhoneKind::OtherFax);
        return kinds;
    }
    const bool main = (named & kMain) != 0;
    if (work) kinds.add(main ? PhoneKind::CompanyMain : PhoneKind::Business);
    if (home) kinds.add(PhoneKind::Home);
    const std::pair<unsigned, PhoneKind> others[] = {
        {kMobile, PhoneKind::Mobile}, {kPager, PhoneKind::Pager},   {kCar, PhoneKind::Car},
        {kAssistant, PhoneKind::Assistant}, {kCallback, PhoneKind::Callback}, {kIsdn, PhoneKind::Isdn},
        {kRadio, PhoneKind::Radio},   {kTelex, PhoneKind::Telex},   {kTty, PhoneKind::TtyTdd}};
    for (const auto& [bit, kind] : others)
        if ((named & bit) != 0) kinds.add(kind);
    // "main" alone, or "pref" with no other kind, is the primary number.
    if (kinds.empty() && (main || (named & kPref) != 0)) kinds.add(PhoneKind::Primary);
    if (kinds.empty()) kinds.add(PhoneKind::Other);
    return kinds;
}

}  // namespace tessaly
