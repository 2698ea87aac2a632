#pragma once
// The property sets of the named properties a contact carries (MS-OXPROPS
// 1.3.2), and names in them by LID.

#include <cstdint>

#include "pst/messaging/property_name.h"

namespace tessaly::outlook {

extern const pst::Guid kPsetidAddress;  // {00062004-0000-0000-C000-000000000046}
using pst::kPsetidCommon;               // {00062008-0000-0000-C000-000000000046}, which the engine's map uses too
extern const pst::Guid kPsetidTask;     // {00062003-0000-0000-C000-000000000046}

// PSETID_Address LIDs that contacts and distribution lists both carry.
constexpr std::uint32_t kFileUnder = 0x8005;
constexpr std::uint32_t kFileUnderId = 0x8006;
constexpr std::uint32_t kAddressBookProviderArrayType = 0x8029;
constexpr std::uint32_t kAddressCountryCode = 0x80DD;
// The PidLidFileUnderId of a file-as text of the item's own: a value outside
// those Outlook computes, so that it keeps the text.
constexpr std::int32_t kFileUnderCustom = -1;

inline pst::PropertyName addressProperty(std::uint32_t lid) { return pst::PropertyName::numeric(kPsetidAddress, lid); }
inline pst::PropertyName commonProperty(std::uint32_t lid) { return pst::PropertyName::numeric(kPsetidCommon, lid); }
inline pst::PropertyName taskProperty(std::uint32_t lid) { return pst::PropertyName::numeric(kPsetidTask, lid); }
// PidNameKeywords: the categories, a string name in PS_PUBLIC_STRINGS (every
// new store's map holds it).
inline const pst::PropertyName& keywordsProperty() { return pst::kKeywordsName; }

}  // namespace tessaly::outlook
