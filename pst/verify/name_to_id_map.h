#pragma once
// The named-property map (MS-PST 2.4.7, node 0x61): a property context holding
// the bucket count (251), the GUID, entry and string streams, and 251 hash
// buckets 0x1000.. . Every entry of the entry stream must sit in exactly one
// bucket, the one its hash names: (id XOR (GUID index << 1 | is-string)) mod
// 251, where a string name's id is the CRC-32 of its UTF-16 name.

#include <cstdint>

#include "pst/verify/node_contents.h"

namespace tessaly::pst::verify {

void checkNameToIdMap(VerifyContext& context, const StoreContents& store);

// The bucket a named-property entry belongs in; `nameKey` is the numeric id,
// or the CRC-32 of the UTF-16LE name for a string name.
std::uint32_t nameIdBucket(std::uint32_t nameKey, std::uint16_t guidIndex, bool isString, std::uint32_t bucketCount);

}  // namespace tessaly::pst::verify
