#include "vcard/telephone_kinds.h"

#include <algorithm>
#include <initializer_list>

namespace tessaly {

std::vector<PhoneKind> phoneKindsOf(const std::vector<std::string_view>& words) {
    const auto has = [&words](std::initializer_list<std::string_view> any) {
        return std::any_of(words.begin(), words.end(), [&any](std::string_view word) {
            return std::find(any.begin(), any.end(), word) != any.end();
        });
    };
    const bool work = has({"work"}), home = has({"home"});
    std::vector<PhoneKind> kinds;
    if (has({"fax"})) {
        if (work) kinds.push_back(PhoneKind::BusinessFax);
        if (home) kinds.push_back(PhoneKind::HomeFax);
        if (!work && !home) kinds.push_back(PhoneKind::OtherFax);
        return kinds;
    }
    const bool main = has({"main"});
    if (work) kinds.push_back(main ? PhoneKind::CompanyMain : PhoneKind::Business);
    if (home) kinds.push_back(PhoneKind::Home);
    if (has({"cell", "mobile", "iphone"})) kinds.push_back(PhoneKind::Mobile);
    if (has({"pager"})) kinds.push_back(PhoneKind::Pager);
    if (has({"car"})) kinds.push_back(PhoneKind::Car);
    if (has({"assistant"})) kinds.push_back(PhoneKind::Assistant);
    if (has({"callback"})) kinds.push_back(PhoneKind::Callback);
    if (has({"isdn"})) kinds.push_back(PhoneKind::Isdn);
    if (has({"radio"})) kinds.push_back(PhoneKind::Radio);
    if (has({"telex", "tlx"})) kinds.push_back(PhoneKind::Telex);
    if (has({"textphone", "tty", "tdd", "ttytdd"})) kinds.push_back(PhoneKind::TtyTdd);
    // "main" alone, or "pref" with no other kind, is the primary number.
    if (kinds.empty() && (main || has({"pref"}))) kinds.push_back(PhoneKind::Primary);
    if (kinds.empty()) kinds.push_back(PhoneKind::Other);
    return kinds;
}

}  // namespace tessaly
