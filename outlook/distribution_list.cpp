#include "outlook/distribution_list.h"

#include <algorithm>
#include <iterator>

#include "outlook/contact_message.h"
#include "outlook/one_off_entry_id.h"
#include "outlook/property_sets.h"
#include "pst/messaging/property_tags.h"
#include "pst/ndb/crc32.h"

namespace tessaly::outlook {

namespace {

using pst::PropertyValue;

// The provider UID of wrapped entry ids (MS-OXOCNTC 2.2.2.2.4.1.1).
constexpr std::uint8_t kWrappedEntryIdProvider[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                                      0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};

// PSETID_Address LIDs of a list.
constexpr std::uint32_t kInstantMessagingAddress = 0x8062;
constexpr std::uint32_t kListChecksum = 0x804C;
constexpr std::uint32_t kListName = 0x8053;
constexpr std::uint32_t kListOneOffMembers = 0x8054;
constexpr std::uint32_t kListMembers = 0x8055;

constexpr std::int32_t kListIcon = 0x202;

}  // namespace

ListMember contactMember(const pst::Bytes& contactEntryId, ContactAddressKind kind, const std::string& displayName,
                         const std::string& addressType, const std::string& address) {
    ListMember member;
    // Flags (4 bytes, 0), the provider UID, the type byte, the contact's entry id.
    member.entryId.resize(4 + sizeof kWrappedEntryIdProvider + 1 + contactEntryId.size());
    std::uint8_t* at = member.entryId.data() + 4;
    at = std::copy(std::begin(kWrappedEntryIdProvider), std::end(kWrappedEntryIdProvider), at);
    *at++ = static_cast<std::uint8_t>(kind);
    std::copy(contactEntryId.begin(), contactEntryId.end(), at);
    member.oneOff = oneOffEntryId(displayName, addressType, address);
    return member;
}

ListMember contactAsMember(const ContactContent& c, const pst::Bytes& entryId) {
    using F = ContactField;
    const std::string displayName = contactDisplayName(c);
    const std::string name = contactEntryName(c, displayName);
    const std::pair<F, ContactAddressKind> emails[] = {
        {F::Email1Address, ContactAddressKind::Email1}, {F::Email2Address, ContactAddressKind::Email2},
        {F::Email3Address, ContactAddressKind::Email3}};
    for (const auto& [field, kind] : emails)
        if (!c[field].empty()) return contactMember(entryId, kind, emailEntryDisplayName(name, c[field]), "SMTP", c[field]);
    const std::pair<F, ContactAddressKind> faxes[] = {
        {F::BusinessFaxNumber, ContactAddressKind::BusinessFax}, {F::HomeFaxNumber, ContactAddressKind::HomeFax},
        {F::OtherFaxNumber, ContactAddressKind::PrimaryFax}};
    for (const auto& [field, kind] : faxes)
        if (!c[field].empty()) return contactMember(entryId, kind, name, "FAX", name + "@" + c[field]);
    return contactMember(entryId, ContactAddressKind::Email1, displayName, "SMTP", "");
}

ListMember addressMember(const std::string& displayName, const std::string& addressType, const std::string& address) {
    ListMember member;
    member.oneOff = oneOffEntryId(displayName, addressType, address);
    member.entryId = member.oneOff;
    return member;
}

std::uint32_t distributionListChecksum(const std::vector<pst::Bytes>& entryIds) {
    std::uint32_t crc = 0;
    for (const pst::Bytes& entryId : entryIds) crc = pst::computeCrc(entryId.data(), entryId.size(), crc);
    return crc;
}

std::size_t memberPropertySize(const std::vector<pst::Bytes>& values) {
    std::size_t size = 4;
    for (const pst::Bytes& value : values) size += 4 + value.size();
    return size;
}

pst::Message distributionListMessage(const std::string& name, const std::vector<ListMember>& members) {
    pst::Message message;
    message.set(pst::tags::MessageClass, PropertyValue::string("IPM.DistList"));
    setText(message, pst::tagId(pst::tags::DisplayName), name);
    // The subject begins with U+0001 and the length of its prefix plus one:
    // a list's has no prefix.
    setText(message, pst::tagId(pst::tags::Subject), "\x01\x01" + name);
    setText(message, 0x0070, name);  // PidTagConversationTopic
    message.set(pst::makeTag(0x1080, pst::PropertyType::Int32), PropertyValue::int32(kListIcon));
    // The empty texts Outlook's lists carry.
    for (const std::uint16_t id : {0x3A16, 0x3A17, 0x3A18, 0x3A26, 0x3A27, 0x3A28, 0x3A45}) setText(message, id, "");
    setItemStamps(message);
    message.set(addressProperty(kFileUnder), PropertyValue::string(name));
    message.set(addressProperty(kFileUnderId), PropertyValue::int32(kFileUnderCustom));
    message.set(addressProperty(kAddressBookProviderArrayType), PropertyValue::int32(0));
    message.set(addressProperty(kInstantMessagingAddress), PropertyValue::string(""));
    message.set(addressProperty(kAddressCountryCode), PropertyValue::string(""));
    message.set(addressProperty(kListName), PropertyValue::string(name));
    std::vector<pst::Bytes> entryIds, oneOffs;
    entryIds.reserve(members.size());
    oneOffs.reserve(members.size());
    for (const ListMember& member : members) {
        entryIds.push_back(member.entryId);
        oneOffs.push_back(member.oneOff);
    }
    message.set(addressProperty(kListChecksum),
                PropertyValue::int32(static_cast<std::int32_t>(distributionListChecksum(entryIds))));
    message.set(addressProperty(kListMembers), PropertyValue::multipleBinary(entryIds));
    message.set(addressProperty(kListOneOffMembers), PropertyValue::multipleBinary(oneOffs));
    return message;
}

}  // namespace tessaly::outlook
