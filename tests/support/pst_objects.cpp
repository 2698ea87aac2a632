#include "support/pst_objects.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "pst/verify/block_trailers.h"
#include "pst/verify/btree_pages.h"
#include "pst/verify/file_header.h"
#include "pst/verify/node_trees.h"
#include "pst/verify/property_context.h"
#include "support/encodings.h"
#include "support/test_files.h"

namespace tessaly::testing {

namespace {

std::uint32_t le(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

std::string guidText(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", le(bytes, at, 4),
                  le(bytes, at + 4, 2), le(bytes, at + 6, 2), bytes[at + 8], bytes[at + 9], bytes[at + 10],
                  bytes[at + 11], bytes[at + 12], bytes[at + 13], bytes[at + 14], bytes[at + 15]);
    return text;
}

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// The name-to-id map's three streams made into id → key.
std::map<std::uint16_t, std::string> namedKeysOf(const pst::verify::PropertyMap& map) {
    const auto* guids = pst::verify::bytesProperty(map, 0x0002);
    const auto* entries = pst::verify::bytesProperty(map, 0x0003);
    const auto* strings = pst::verify::bytesProperty(map, 0x0004);
    std::map<std::uint16_t, std::string> keys;
    if (guids == nullptr || entries == nullptr) return keys;
    for (std::size_t at = 0; at + 8 <= entries->size(); at += 8) {
        const std::uint32_t property = le(*entries, at, 4);
        const std::uint32_t guidField = le(*entries, at + 4, 2);
        const std::uint32_t index = le(*entries, at + 6, 2);
        const std::uint32_t guidIndex = guidField >> 1;
        std::string set = guidIndex == 1   ? "{00020328-0000-0000-C000-000000000046}"
                          : guidIndex == 2 ? "{00020329-0000-0000-C000-000000000046}"
                                           : guidText(*guids, 16 * (guidIndex - 3));
        std::string key = set + " ";
        if (guidField & 1) {
            const std::uint32_t length = le(*strings, property, 4);
            for (std::uint32_t i = 0; i < length; i += 2) key += static_cast<char>((*strings)[property + 4 + i]);
        } else {
            key += hex(property, 4);
        }
        keys[static_cast<std::uint16_t>(0x8000 + index)] = key;
    }
    return keys;
}

}  // namespace

PstObjects readPstObjects(const std::filesystem::path& pst) {
    const std::string text = readFile(pst);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    pst::verify::VerificationReport report;
    pst::verify::VerifyContext context(pst::verify::Bytes(bytes.data(), bytes.size()), report);
    pst::verify::readAndCheckHeader(context);
    pst::verify::readBTrees(context);
    pst::verify::checkBlockTrailers(context);
    pst::verify::StoreContents contents = pst::verify::checkNodeContents(context);
    PstObjects objects;
    if (contents.messageStore) objects.store = *contents.messageStore;
    objects.folders = std::move(contents.folders);
    objects.tables = std::move(contents.tables);
    if (contents.nameToIdMap) objects.namedKeys = namedKeysOf(*contents.nameToIdMap);
    return objects;
}

namespace {

// A store's bytes with its header and B-trees read, for the readers below.
struct OpenedStore {
    std::vector<std::uint8_t> bytes;
    pst::verify::VerificationReport report;
    pst::verify::VerifyContext context;
    explicit OpenedStore(const std::string& text)
        : bytes(text.begin(), text.end()), context(pst::verify::Bytes(bytes.data(), bytes.size()), report) {
        pst::verify::readAndCheckHeader(context);
        pst::verify::readBTrees(context);
        pst::verify::checkBlockTrailers(context);
    }
};

}  // namespace

std::size_t sizeOfAllValues(const pst::verify::PropertyMap& properties) {
    std::size_t total = 0;
    for (const auto& [id, value] : properties) {
        if (value.bytes) total += value.bytes->size();
        else if (value.type == 0x000B) total += 1;  // PtypBoolean
        else if (value.type == 0x0002) total += 2;  // PtypInteger16
        else total += 4;                            // PtypInteger32 and the other 4-byte types
    }
    return total;
}

std::string columnsText(const pst::verify::TableContents& table) {
    std::string text;
    for (const pst::verify::TableColumn& column : table.columns) {
        char one[40];
        std::snprintf(one, sizeof one, "%s%08X@%u/%u/%u", text.empty() ? "" : " ", column.tag, column.offset,
                      column.size, column.bit);
        text += one;
    }
    return text;
}

std::optional<pst::verify::TableContents> readNodeTable(const std::filesystem::path& pst, std::uint64_t nid) {
    OpenedStore store(readFile(pst));
    const auto node = store.context.nodes.find(nid);
    if (node == store.context.nodes.end()) return std::nullopt;
    const auto subnodes = pst::verify::readSubnodes(store.context, node->second.subnodeBid);
    if (!subnodes) return std::nullopt;
    return pst::verify::checkTableContext(store.context, nid, node->second.dataBid, *subnodes, {});
}

std::map<std::uint64_t, pst::verify::PropertyMap> readMessages(const std::filesystem::path& pst) {
    namespace verify = pst::verify;
    OpenedStore store(readFile(pst));
    std::map<std::uint64_t, verify::PropertyMap> messages;
    for (const auto& [nid, node] : store.context.nodes) {
        const std::uint8_t type = verify::nodeType(nid);
        if (type != verify::kNidNormalMessage && type != verify::kNidAssociatedMessage) continue;
        const auto subnodes = verify::readSubnodes(store.context, node.subnodeBid);
        if (!subnodes) continue;
        if (auto properties = verify::checkPropertyContext(store.context, nid, node.dataBid, *subnodes))
            messages.emplace(nid, std::move(*properties));
    }
    return messages;
}

std::vector<std::map<std::string, KeyedValue>> keyedMessages(const std::filesystem::path& pst) {
    const auto namedKeys = readPstObjects(pst).namedKeys;
    std::vector<std::map<std::string, KeyedValue>> messages;
    for (const auto& [nid, properties] : readMessages(pst)) messages.push_back(keyedValues(properties, namedKeys));
    return messages;
}

std::map<std::string, KeyedValue> messageOfClass(const std::filesystem::path& pst, const std::string& messageClass) {
    for (auto& values : keyedMessages(pst))
        if (values.count("0x001A") && values.at("0x001A").bytes == utf16(messageClass)) return values;
    ADD_FAILURE() << pst << " holds no " << messageClass;
    return {};
}

std::vector<std::string> multipleBinaryValues(const std::string& stored) {
    const auto at = [&](std::size_t i) {
        std::uint32_t value = 0;
        for (std::size_t k = 4; k-- > 0;) value = value << 8 | static_cast<std::uint8_t>(stored.at(i + k));
        return std::size_t{value};
    };
    std::vector<std::string> values;
    const std::size_t count = at(0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t begin = at(4 + 4 * i), end = i + 1 < count ? at(8 + 4 * i) : stored.size();
        values.push_back(stored.substr(begin, end - begin));
    }
    return values;
}

std::vector<MessageAttachments> readMessageAttachments(const std::filesystem::path& pst) {
    namespace verify = pst::verify;
    OpenedStore store(readFile(pst));
    verify::VerifyContext& context = store.context;
    std::vector<MessageAttachments> found;
    for (const auto& [nid, node] : context.nodes) {
        const std::uint8_t type = verify::nodeType(nid);
        if (type != verify::kNidNormalMessage && type != verify::kNidAssociatedMessage) continue;
        const auto subnodes = verify::readSubnodes(context, node.subnodeBid);
        if (!subnodes) continue;
        MessageAttachments message;
        message.messageNid = nid;
        for (const auto& [subnid, ref] : *subnodes) {
            const std::uint8_t subtype = verify::nodeType(subnid);
            if (subtype != verify::kNidAttachment && subtype != verify::kNidAttachmentTable) continue;
            const auto inner = verify::readSubnodes(context, ref.subnodeBid);
            if (!inner) continue;
            if (subtype == verify::kNidAttachmentTable) {
                verify::CellSelection everything;
                everything.all = true;
                message.table = verify::checkTableContext(context, subnid, ref.dataBid, *inner, everything);
            } else if (auto properties = verify::checkPropertyContext(context, subnid, ref.dataBid, *inner)) {
                message.attachments.emplace(subnid, std::move(*properties));
            }
        }
        if (message.table || !message.attachments.empty()) found.push_back(std::move(message));
    }
    return found;
}

std::string propertyKey(std::uint32_t tag, const std::map<std::uint16_t, std::string>& namedKeys) {
    const auto id = static_cast<std::uint16_t>(tag >> 16);
    if (id >= 0x8000) {
        const auto found = namedKeys.find(id);
        return found != namedKeys.end() ? found->second : "unmapped " + hex(id, 4);
    }
    return hex(id, 4);
}

std::map<std::string, KeyedValue> keyedValues(const std::vector<PffValue>& values,
                                              const std::map<std::uint16_t, std::string>& namedKeys) {
    std::map<std::string, KeyedValue> keyed;
    for (const PffValue& value : values)
        keyed[propertyKey(value.entryType << 16, namedKeys)] = KeyedValue{value.valueType, value.bytes};
    return keyed;
}

std::map<std::string, KeyedValue> keyedValues(const pst::verify::PropertyMap& properties,
                                              const std::map<std::uint16_t, std::string>& namedKeys) {
    std::map<std::string, KeyedValue> keyed;
    for (const auto& [id, value] : properties) {
        std::string bytes;
        if (value.bytes) {
            bytes.assign(value.bytes->begin(), value.bytes->end());
        } else {
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value.inlineValue >> (8 * i));
            if (value.type == 0x000B) bytes.resize(1);
        }
        keyed[propertyKey(std::uint32_t{id} << 16, namedKeys)] = KeyedValue{value.type, bytes};
    }
    return keyed;
}

}  // namespace tessaly::testing
