#pragma once
// The one-off entry identifier of an address that is in no address book
// (MS-OXCDATA 2.2.5.1), as Outlook stores it in a contact's e-mail and fax
// entries: flags 0, the one-off provider UID, version 0, the flag bits
// 0x0180 (MIME, Unicode), then display name, address type and address, each
// UTF-16LE with a 2-byte terminator.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::outlook {

std::vector<std::uint8_t> oneOffEntryId(const std::string& displayName, const std::string& addressType,
                                        const std::string& address);

}  // namespace tessaly::outlook
