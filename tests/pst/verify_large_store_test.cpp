// A store of thousands of messages is checked on two threads, the later half
// of its nodes on the second: its findings must read as one pass would give
// them, in node order and within the same limit per rule.

#include <gtest/gtest.h>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "support/test_files.h"
#include "support/written_stores.h"
#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

constexpr int kMessages = 2400;

std::vector<std::uint8_t> storeOfManyMessages(const tessaly::testing::TempDir& folder) {
    const auto path = tessaly::testing::writeStore(folder.path() / "many.pst", "Contacts", [](PstFile& store) {
        const Nid contacts = store.standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < kMessages; ++i) {
            pst::Message message;
            message.set(tags::MessageClass, pst::PropertyValue::string("IPM.Contact"));
            message.set(tags::DisplayName, pst::PropertyValue::string("Contact " + std::to_string(i)));
            store.addMessage(contacts, std::move(message));
        }
    });
    const std::string bytes = tessaly::testing::readFile(path);
    return {bytes.begin(), bytes.end()};
}

TEST(VerifyLargeStore, FindingsOfBothHalvesComeInNodeOrderWithinTheLimitPerRule) {
    tessaly::testing::TempDir folder;
    PstEditor editor(storeOfManyMessages(folder));
    EXPECT_TRUE(editor.verify().violations.empty()) << listing(editor.verify());

    std::vector<std::uint64_t> messages;
    for (const auto& [nid, node] : editor.nodes())
        if (nodeType(nid) == kNidNormalMessage) messages.push_back(nid);
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kMessages));
    // Thirty heaps broken near the start and thirty near the end: sixty
    // findings of one rule, of which the first fifty are listed.
    std::vector<std::uint64_t> broken;
    for (int i = 0; i < 30; ++i) broken.push_back(messages[10 + 7 * i]);
    for (int i = 0; i < 30; ++i) broken.push_back(messages[kMessages - 400 + 11 * i]);
    for (std::uint64_t nid : broken) {
        const std::uint64_t bid = editor.nodes().at(nid).dataBid;
        auto plain = editor.decodedBlock(bid);
        plain[2] = 0x00;  // bSig
        editor.writeDecodedBlock(bid, plain);
    }

    std::vector<std::uint64_t> listed;
    std::size_t notes = 0;
    for (const Finding& finding : editor.verify().violations) {
        if (finding.rule != "heap.signature") continue;
        if (finding.location.layer == "report") {
            ++notes;
            EXPECT_EQ(finding.message, "further violations of this rule are not listed");
        } else {
            ASSERT_TRUE(finding.location.nodeId);
            listed.push_back(*finding.location.nodeId);
        }
    }
    EXPECT_EQ(listed, std::vector<std::uint64_t>(broken.begin(), broken.begin() + 50));
    EXPECT_EQ(notes, 1u);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
