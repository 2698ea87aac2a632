#pragma once
// A personal distribution list (IPM.DistList) as Outlook keeps one in a
// contacts folder (MS-OXOCNTC 2.2.2): its name; for each member the entry id
// the list keeps (a wrapped entry id naming a contact of the store and which
// of its addresses, or for an address alone its one-off entry id) and the
// member's one-off entry id (its name, address type and address); and the
// checksum of the members' entry ids.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "outlook/contact_message.h"
#include "pst/messaging/message.h"

namespace tessaly::outlook {

struct ListMember {
    pst::Bytes entryId;
    pst::Bytes oneOff;
};

// The address of a contact a wrapped entry id stands for: the type byte, whose
// low bits (3) say the entry is a contact's and whose next bits which address.
enum class ContactAddressKind : std::uint8_t {
    BusinessFax = 0x83,
    HomeFax = 0x93,
    PrimaryFax = 0xA3,
    Email1 = 0xC3,
    Email2 = 0xD3,
    Email3 = 0xE3,
};

// A contact of the store, by the entry id of its message, for one of its
// addresses; the one-off holds that address as the contact's entry shows it.
ListMember contactMember(const pst::Bytes& contactEntryId, ContactAddressKind kind, const std::string& displayName,
                         const std::string& addressType, const std::string& address);
// A saved contact as a member: by its first e-mail address, else its first
// fax number (business, home, other), else by its name alone with no address.
// `entryId` is the contact's message entry id.
ListMember contactAsMember(const ContactContent& contact, const pst::Bytes& entryId);

// An address that is no contact's: its one-off entry id, twice.
ListMember addressMember(const std::string& displayName, const std::string& addressType, const std::string& address);

// PidLidDistributionListChecksum: the CRC-32 of the member entry ids one after
// the other (the reflected polynomial 0xEDB88320, from 0, without a final
// inversion), which gives Outlook's values.
std::uint32_t distributionListChecksum(const std::vector<pst::Bytes>& entryIds);

// Each member property stays under 15,000 bytes, measured as a count and each
// value with its length (MS-OXOCNTC 2.2.2.2.1 and 2.2.2.2.2).
constexpr std::size_t kListMembersLimit = 15000;
std::size_t memberPropertySize(const std::vector<pst::Bytes>& values);

// The list's message: the item stamps every contact has, the name as display
// name, subject, conversation topic, file-as and list name, the members and
// their checksum.
pst::Message distributionListMessage(const std::string& name, const std::vector<ListMember>& members);

}  // namespace tessaly::outlook
