#pragma once
// Node and block identifiers (MS-PST 2.2.2.1 and 2.2.2.2) and the signature
// that ties a page or block trailer to its place in the file.

#include <cstdint>

namespace tessaly::pst {

using Nid = std::uint32_t;
using Bid = std::uint64_t;

// The five low bits of a NID say what kind of node it names.
enum class NidType : std::uint8_t {
    Hid = 0x00,
    Internal = 0x01,
    NormalFolder = 0x02,
    SearchFolder = 0x03,
    NormalMessage = 0x04,
    Attachment = 0x05,
    SearchUpdateQueue = 0x06,
    SearchCriteriaObject = 0x07,
    AssocMessage = 0x08,
    ContentsTableIndex = 0x0A,
    ReceiveFolderTable = 0x0B,
    OutgoingQueueTable = 0x0C,
    HierarchyTable = 0x0D,
    ContentsTable = 0x0E,
    AssocContentsTable = 0x0F,
    SearchContentsTable = 0x10,
    AttachmentTable = 0x11,
    RecipientTable = 0x12,
    SearchTableIndex = 0x13,
    Ltp = 0x1F,
};

constexpr Nid makeNid(NidType type, std::uint32_t index) {
    return (index << 5) | static_cast<std::uint32_t>(type);
}
constexpr std::uint32_t nidIndex(Nid nid) { return nid >> 5; }
constexpr NidType nidType(Nid nid) { return static_cast<NidType>(nid & 0x1F); }

// Bit 1 of a BID marks an internal block (data tree or subnode tree); bit 0 is
// reserved. Block BIDs therefore advance in steps of four.
constexpr Bid kInternalBidFlag = 0x2;
constexpr Bid kBidStep = 4;

// wSig of a page or block trailer: the low 16 bits of the file offset XOR the
// BID, folded (MS-PST 5.5).
constexpr std::uint16_t computeSignature(std::uint64_t ib, Bid bid) {
    const std::uint64_t mixed = ib ^ bid;
    return static_cast<std::uint16_t>(static_cast<std::uint16_t>(mixed >> 16) ^ static_cast<std::uint16_t>(mixed));
}

}  // namespace tessaly::pst
