// Attachments as Outlook keeps them: the attachment table has the columns of
// Outlook 2016's, each cell the attachment's own value, and PidTagAttachSize
// is the size of every value the attachment object holds, its own included,
// which is the rule every attachment Outlook wrote in the fixtures follows.

#include <gtest/gtest.h>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/verify/cell_digest.h"
#include "support/pst_objects.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::pst {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kAttachSize = 0x0E20;
constexpr std::uint16_t kAttachMethod = 0x3705;
constexpr std::uint32_t kAttachByValue = 1;

constexpr std::uint64_t kTemplateNid = 0x671;

fs::path fixture(const char* name) { return fs::path(TESSALY_FIXTURES_DIR) / name; }

TEST(Attachments, OutlooksAttachmentsByValueAreAsLargeAsTheirValuesTogether) {
    std::size_t checked = 0;
    for (const char* name : {"pst-reference/outlook2016-tika-testPST.pst", "pst-reference/outlook2007-aspose-python-Outlook.pst",
                             "pst-reference/outlook2007-java-libpst-dist-list.pst",
                             "pst-reference/outlook2013-ruby-msg-200-recipients.pst", "outlook-contacts/contacts.pst"}) {
        for (const auto& message : testing::readMessageAttachments(fixture(name))) {
            for (const auto& [nid, attachment] : message.attachments) {
                // An embedded message's size counts the message as well.
                if (verify::integerProperty(attachment, kAttachMethod) != kAttachByValue) continue;
                EXPECT_EQ(verify::integerProperty(attachment, kAttachSize), testing::sizeOfAllValues(attachment)) << name << " " << nid;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 30u);  // every attachment by value in the fixtures
}

TEST(Attachments, OursHaveOutlook2016sColumnsTheirOwnValuesInThemAndOutlooksSize) {
    const auto outlook = testing::readMessageAttachments(fixture("pst-reference/outlook2016-tika-testPST.pst"));
    ASSERT_EQ(outlook.size(), 1u);
    ASSERT_TRUE(outlook[0].table);
    testing::TempDir dir;
    const auto path = testing::writeStore(dir.path() / "attached.pst", "Attachments", [](PstFile& store) {
        Message message;
        message.set(tags::Subject, PropertyValue::string("two attachments"));
        message.addAttachment({"ContactPicture.jpg", Bytes(5000, 0xFF),
                               {{tags::AttachMimeTag, PropertyValue::string("image/jpeg")},
                                {tags::AttachmentContactPhoto, PropertyValue::boolean(true)}}});
        message.addAttachment({"notes", Bytes{1, 2, 3}, {}});
        store.addMessage(store.standardFolder(StandardFolder::Inbox), std::move(message));
    });
    const auto ours = testing::readMessageAttachments(path);
    ASSERT_EQ(ours.size(), 1u);
    ASSERT_TRUE(ours[0].table);
    const verify::TableContents& table = *ours[0].table;
        // The same columns in the same places of the row; the store's template
    // keeps the six columns Outlook's templates have.
    EXPECT_EQ(testing::columnsText(table), testing::columnsText(*outlook[0].table));
    const auto outlookTemplate = testing::readNodeTable(fixture("pst-reference/outlook2016-tika-testPST.pst"), kTemplateNid);
    const auto ourTemplate = testing::readNodeTable(path, kTemplateNid);
    ASSERT_TRUE(outlookTemplate && ourTemplate);
    EXPECT_EQ(outlookTemplate->columns.size(), 6u);
    EXPECT_EQ(testing::columnsText(*ourTemplate), testing::columnsText(*outlookTemplate));
    // Each row holds its attachment's values, every column filled.
    ASSERT_EQ(table.rowIds.size(), 2u);
    ASSERT_EQ(ours[0].attachments.size(), 2u);
    EXPECT_EQ(table.cells.size(), 2 * table.columns.size());
    for (const verify::KeptCell& cell : table.cells) {
        const std::uint32_t row = table.rowIds.at(cell.row);
        const auto& attachment = ours[0].attachments.at(row);
        const std::uint16_t id = static_cast<std::uint16_t>(cell.tag >> 16);
        if (id == 0x67F2 || id == 0x67F3) continue;  // the row's id and version: the table's own
        const auto value = verify::propertyAsCell(attachment, cell.tag);
        ASSERT_TRUE(value) << std::hex << cell.tag;
        EXPECT_EQ(cell.digest, verify::cellDigest(*value)) << std::hex << cell.tag;
    }
    for (const auto& [nid, attachment] : ours[0].attachments) {
        EXPECT_EQ(verify::integerProperty(attachment, kAttachSize), testing::sizeOfAllValues(attachment)) << nid;
        EXPECT_EQ(verify::integerProperty(attachment, 0x3714), 0u) << "PidTagAttachFlags";
    }
}

}  // namespace
}  // namespace tessaly::pst
