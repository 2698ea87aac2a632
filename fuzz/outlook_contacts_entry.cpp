// The Outlook object model driven by a stream of calls: new contact items (in
// any default folder code), properties set by name with text of any length
// (up to 512 KiB) and bytes (invalid UTF-8 included) or with dates of any
// value, pictures of any bytes, Save, and at times Logoff before the stream
// ends. A call may be
// refused with an AutomationError, as any statement may; nothing else may
// escape. The finished store must pass the verifier (a violation is a store
// Outlook could reject, written by our own engine), and each saved contact,
// read back through the verifier's own read path, must hold every text field
// that has a property of its own as it was set, in UTF-16.

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/utf16.h"
#include "fuzz/fixed_store_options.h"
#include "fuzz/fuzz_entry_points.h"
#include "fuzz/fuzz_fault.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scratch_folder.h"
#include "outlook/contact_fields.h"
#include "outlook/session.h"
#include "pst/verify/block_trailers.h"
#include "pst/verify/btree_pages.h"
#include "pst/verify/file_header.h"
#include "pst/verify/property_context.h"
#include "pst/verify/verify_pst.h"

namespace tessaly::fuzz {

namespace {

constexpr const char* kTarget = "outlook_contacts";

// The names properties are set by: every field and date of the contact item,
// the contact item writer's among them, one in other letters' case, and names
// the item does not have.
const std::vector<std::string>& propertyNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (std::size_t field = 0; field < outlook::kContactFieldCount; ++field)
            list.push_back(outlook::contactFieldInfo(static_cast<outlook::ContactField>(field)).name);
        list.insert(list.end(), {"Birthday", "Anniversary", "EMAIL1ADDRESS", "", "NoSuchProperty"});
        return list;
    }();
    return names;
}

// The longest value the stream makes, past a data block's 8,176 bytes and
// into data trees of many blocks (at most 1 MiB in UTF-16, the most the
// verifier reads of a value), and the most that repeating may make in one run
// (a store of many such values would only take memory and time).
constexpr std::size_t kMaxValueBytes = std::size_t{512} << 10;
constexpr std::size_t kMaxRepeatedBytes = std::size_t{1} << 20;

// What a property read back holds, for a fault's message.
std::string storedText(const pst::verify::PropertyValue* value) {
    if (value == nullptr) return "the property is missing";
    if (!value->bytes) return "type " + pst::verify::hexText(value->type) + ", no value read";
    return "type " + pst::verify::hexText(value->type) + ", " + std::to_string(value->bytes->size()) + " bytes";
}

class OutlookRun {
public:
    OutlookRun() : store_(scratchFolder() / "store.pst"), picture_(scratchFolder() / "picture.bin") {
        std::error_code ignored;
        std::filesystem::remove(store_, ignored);
    }
    ~OutlookRun() {
        session_.abandon();
        std::error_code ignored;
        std::filesystem::remove(store_, ignored);
        std::filesystem::remove(picture_, ignored);
    }

    void run(FuzzInput& in) {
        session_.Logon();
        std::shared_ptr<outlook::Store> store = session_.Stores().AddPSTStore(store_.string(), 1, "Fuzzed Contacts");
        storeId_ = store->EntryID();
        store->ValidateIPMTree();
        newItem(10, 2);
        while (!in.empty()) {
            try {
                step(in);
            } catch (const outlook::AutomationError&) {
                // A refused call costs that call only.
            }
        }
        try {
            session_.Logoff();
        } catch (const outlook::AutomationError& error) {
            fuzzFault(kTarget, std::string("the store could not be finished: ") + error.what());
        }
        const pst::verify::VerificationReport report = pst::verify::verifyPstFile(store_);
        if (!report.passed()) {
            std::string listing;
            for (std::size_t i = 0; i < report.violations.size() && i < 8; ++i)
                listing += "\n  " + pst::verify::describe(report.violations[i]);
            fuzzFault(kTarget, "the finished store breaks " + std::to_string(report.violations.size()) +
                                   " rule(s) of the format:" + listing);
        }
        compareSavedContacts();
    }

private:
    // A text or picture: bytes of the stream, now and then repeated, so that
    // short inputs make long values.
    std::string value(FuzzInput& in) {
        std::string bytes = in.text();
        if (in.choice(4) != 0 || bytes.empty()) return bytes;
        const std::size_t copies = std::min<std::size_t>(
            {std::size_t{1} + in.integer<std::uint16_t>(), kMaxValueBytes / bytes.size(), repeatedRoom_ / bytes.size()});
        if (copies < 2) return bytes;
        repeatedRoom_ -= copies * bytes.size();
        std::string repeated;
        repeated.reserve(copies * bytes.size());
        for (std::size_t i = 0; i < copies; ++i) repeated += bytes;
        return repeated;
    }

    // The property contexts of the store's messages, in the order of their
    // node ids, which is the order they were saved in.
    std::vector<pst::verify::PropertyMap> messagesOfStore() const {
        std::vector<std::uint8_t> bytes(std::filesystem::file_size(store_));
        std::ifstream(store_, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        pst::verify::VerificationReport report;
        pst::verify::VerifyContext context(pst::verify::Bytes(bytes.data(), bytes.size()), report);
        pst::verify::readAndCheckHeader(context);
        pst::verify::readBTrees(context);
        pst::verify::checkBlockTrailers(context);
        std::vector<pst::verify::PropertyMap> messages;
        constexpr std::uint8_t kNormalMessage = 0x04;
        for (const auto& [nid, node] : context.nodes) {
            if (pst::verify::nodeType(nid) != kNormalMessage) continue;
            const auto subnodes = node.subnodeBid == 0 ? pst::verify::SubnodeMap()
                                                        : pst::verify::readSubnodes(context, node.subnodeBid);
            const auto properties =
                subnodes ? pst::verify::checkPropertyContext(context, nid, node.dataBid, *subnodes) : std::nullopt;
            if (!properties) fuzzFault(kTarget, "message " + pst::verify::hexText(nid) + " cannot be read back");
            messages.push_back(*properties);
        }
        return messages;
    }

    void compareSavedContacts() const {
        const std::vector<pst::verify::PropertyMap> messages = messagesOfStore();
        if (messages.size() != saved_.size())
            fuzzFault(kTarget, std::to_string(saved_.size()) + " contacts were saved, the store holds " +
                                   std::to_string(messages.size()) + " messages");
        constexpr std::uint16_t kUnicodeString = 0x001F;
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            for (std::size_t field = 0; field < outlook::kContactFieldCount; ++field) {
                const outlook::ContactFieldInfo& info = outlook::contactFieldInfo(static_cast<outlook::ContactField>(field));
                const std::string& value = saved_[i].text[field];
                if (info.tagId == 0 || value.empty()) continue;
                const auto found = messages[i].find(info.tagId);
                const std::vector<std::uint8_t> expected = utf8ToUtf16le(value);
                if (found == messages[i].end() || found->second.type != kUnicodeString ||
                    found->second.bytes != expected)
                    fuzzFault(kTarget, "contact " + std::to_string(i + 1) + " does not hold its " + info.name +
                                           " as it was set (" + std::to_string(expected.size()) + " bytes in UTF-16): " +
                                           storedText(found == messages[i].end() ? nullptr : &found->second));
            }
        }
    }

    void newItem(std::int16_t folder, std::int16_t type) {
        item_.reset();
        item_ = session_.GetStoreFromID(storeId_)->GetDefaultFolder(folder)->Items()->Add(type);
    }

    outlook::ContactItem& item() {
        if (!item_) throw outlook::AutomationError("there is no item");
        return *item_;
    }

    void step(FuzzInput& in) {
        switch (in.choice(8)) {
        case 0:
        case 1:
        case 2: {
            const std::vector<std::string>& names = propertyNames();
            const std::string& name = names[in.choice(names.size())];
            std::string text = value(in);
            item().setProperty(name, outlook::AutomationValue(std::move(text)));
            break;
        }
        case 3: {
            const std::string& name = propertyNames()[in.choice(propertyNames().size())];
            const double days = in.choice(2) == 0 ? in.bitsAsDouble() : in.integer<std::int32_t>() / 4.0;
            item().setProperty(name, outlook::AutomationDate{days});
            break;
        }
        case 4: {
            std::string bytes = value(in);
            std::ofstream(picture_, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            const std::size_t which = in.choice(3);
            item().AddPicture(which == 0 ? picture_.string() : which == 1 ? std::string() : (scratchFolder() / "none").string());
            break;
        }
        case 5:
            item().Save();
            saved_.push_back(item().content());
            break;
        case 6: {
            static const std::int16_t kFolders[] = {3, 4, 5, 6, 9, 10, 11, 12, 13, 16, 0, 7};
            const std::int16_t folder = kFolders[in.choice(std::size(kFolders))];
            newItem(folder, in.choice(8) == 0 ? in.integer<std::int16_t>() : 2);
            break;
        }
        default:
            // Logoff ends the store early; later calls are refused.
            if (in.choice(16) == 0) session_.Logoff();
            break;
        }
    }

    const std::filesystem::path store_;
    const std::filesystem::path picture_;
    outlook::Session session_{fixedStoreOptions()};
    std::string storeId_;
    std::shared_ptr<outlook::ContactItem> item_;
    std::vector<outlook::ContactContent> saved_;  // the contents of the items saved, in order
    std::size_t repeatedRoom_ = kMaxRepeatedBytes;
};

}  // namespace

void fuzzOutlookContacts(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    OutlookRun run;
    run.run(in);
}

}  // namespace tessaly::fuzz
