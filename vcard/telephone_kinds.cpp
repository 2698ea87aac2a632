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
    unsigned named = 0;
    for (const std::string_view word : words) {
        if (word.size() < 3 || word.size() > 9) continue;  // no kind word is shorter or longer
        if (word == "work") named |= kWork;
        else if (word == "home") named |= kHome;
        else if (word == "fax") named |= kFax;
        else if (word == "main") named |= kMain;
        else if (word == "cell" || word == "mobile" || word == "iphone") named |= kMobile;
        else if (word == "pager") named |= kPager;
        else if (word == "car") named |= kCar;
        else if (word == "assistant") named |= kAssistant;
        else if (word == "callback") named |= kCallback;
        else if (word == "isdn") named |= kIsdn;
        else if (word == "radio") named |= kRadio;
        else if (word == "telex" || word == "tlx") named |= kTelex;
        else if (word == "textphone" || word == "tty" || word == "tdd" || word == "ttytdd") named |= kTty;
        else if (word == "pref") named |= kPref;
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
