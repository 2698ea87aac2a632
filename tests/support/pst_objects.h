#pragma once
// A PST's objects as the verifier's own read path finds them, for tests that
// compare a store of ours with one Outlook wrote: the message store's and the
// folders' properties, the folders' tables, and the named-property map with
// each id's property set and LID or name.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pst/verify/node_contents.h"
#include "pst/verify/table_context.h"
#include "support/pst_readers.h"

namespace tessaly::testing {

struct PstObjects {
    pst::verify::PropertyMap store;
    std::map<std::uint64_t, pst::verify::PropertyMap> folders;  // by NID
    std::map<std::uint64_t, pst::verify::TableContents> tables;  // by NID
    // Named property ids: "{GUID} 0x8005" (a LID) or "{GUID} Keywords" (a name).
    std::map<std::uint16_t, std::string> namedKeys;
};

PstObjects readPstObjects(const std::filesystem::path& pst);

// Each message's attachments as the verifier's read path finds them: its
// attachment table (every cell kept, as digests) and the property context of
// each attachment, by the attachment's subnode id.
struct MessageAttachments {
    std::uint64_t messageNid = 0;
    std::optional<pst::verify::TableContents> table;
    std::map<std::uint64_t, pst::verify::PropertyMap> attachments;
};
std::vector<MessageAttachments> readMessageAttachments(const std::filesystem::path& pst);

// The bytes all of an object's values take (an integer's 4, a boolean's 1, a
// string's or binary's own): Outlook's PidTagAttachSize of an attachment.
std::size_t sizeOfAllValues(const pst::verify::PropertyMap& properties);

// A table's columns as "tag@offset/size/bit" in their order, for comparing.
std::string columnsText(const pst::verify::TableContents& table);

// Every message's properties as the verifier's read path finds them, by the
// message's NID.
std::map<std::uint64_t, pst::verify::PropertyMap> readMessages(const std::filesystem::path& pst);

// The values of a multi-valued binary as a store keeps it: a count, an offset
// for each value, then the values.
std::vector<std::string> multipleBinaryValues(const std::string& stored);

// The table context of a node of the node B-tree (a template such as the
// attachment table's, 0x671), its cells not kept.
std::optional<pst::verify::TableContents> readNodeTable(const std::filesystem::path& pst, std::uint64_t nid);

// A property of an object, keyed for comparing two stores: "0x3A06" for a
// tagged property, the named key for a named one; the value is its type and
// bytes as pffexport gave them.
struct KeyedValue {
    std::uint32_t type = 0;
    std::string bytes;
    bool operator==(const KeyedValue&) const = default;
};
std::map<std::string, KeyedValue> keyedValues(const std::vector<PffValue>& values,
                                              const std::map<std::uint16_t, std::string>& namedKeys);

// The same for a property map the verifier read.
std::map<std::string, KeyedValue> keyedValues(const pst::verify::PropertyMap& properties,
                                              const std::map<std::uint16_t, std::string>& namedKeys);

// "0x3A06" / a named key for a tag, as keyedValues() names it.
std::string propertyKey(std::uint32_t tag, const std::map<std::uint16_t, std::string>& namedKeys);

// Every message of a store as keyedValues() keys it, in NID order; and the
// first one of a message class ("IPM.DistList"), which a test fails without.
std::vector<std::map<std::string, KeyedValue>> keyedMessages(const std::filesystem::path& pst);
std::map<std::string, KeyedValue> messageOfClass(const std::filesystem::path& pst, const std::string& messageClass);

}  // namespace tessaly::testing
