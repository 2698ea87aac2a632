// The Contacts folder's contents table as readers that count rows per block
// see it: its rows are 490 bytes, 16 to a block, and 16 contacts fill the
// row matrix's only block exactly. That block ends after its last row; the
// verifier reports a last block with bytes after its whole rows.

#include <gtest/gtest.h>

#include "outlook/session.h"
#include "pst/verify_pst_editing.h"
#include "support/written_stores.h"

namespace tessaly::outlook {
namespace {

namespace fs = std::filesystem;
using pst::verify::testing::PstEditor;

constexpr std::uint64_t kContactsTable = 0x814E;  // the Contacts folder's contents table
constexpr std::uint64_t kContactsRowSize = 490;

void writeContacts(const fs::path& path, int count) {
    Session session{testing::fixedOptions()};
    session.Logon();
    const auto store = session.Stores().AddPSTStore(path.string(), 1, "Contacts");
    store->ValidateIPMTree();
    for (int i = 1; i <= count; ++i) {
        const auto item = store->GetDefaultFolder(10)->Items()->Add(2);
        item->setProperty("LastName", std::string("Person ") + std::to_string(i));
        item->Save();
    }
    session.Logoff();
}

PstEditor load(const fs::path& path) {
    const std::string text = testing::readFile(path);
    return PstEditor(std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The data block of the table's row matrix: the one subnode of the table,
// its data a single block.
std::uint64_t rowMatrixBlock(const PstEditor& e) {
    const auto& subnodes = e.block(e.nodes().at(kContactsTable).subnodeBid);
    EXPECT_EQ(e.get(subnodes.ib, 2), 0x0002u);   // an SLBLOCK of level 0
    EXPECT_EQ(e.get(subnodes.ib + 2, 2), 1u);    // one entry
    return e.get(subnodes.ib + 8 + 8, 8);        // its bidData
}

// Lengthens data block `bid` by `extra` bytes within the room it takes in the
// file already (data and trailer are rounded up to 64 bytes), checksums
// repaired: the padding before its trailer becomes part of its data.
void lengthenBlock(PstEditor& e, std::uint64_t bid, std::uint16_t extra) {
    const pst::verify::BlockEntry block = e.block(bid);
    const auto size = static_cast<std::uint16_t>(block.size + extra);
    ASSERT_EQ(pst::verify::blockFootprint(size), pst::verify::blockFootprint(block.size));
    const std::uint64_t trailer = block.ib + pst::verify::blockFootprint(block.size) - 16;
    e.put(e.bbtEntryOffset(bid) + 16, 2, size);
    e.fixPageCrc(block.pageOffset);
    e.put(trailer, 2, size);
    e.put(trailer + 4, 4, pst::verify::pstCrc32(pst::verify::Bytes(e.bytes.data() + block.ib, size)));
}

TEST(ContactsTable, SixteenContactsFillTheLastRowMatrixBlockWithRowsAndNothingElse) {
    testing::TempDir dir;
    const fs::path path = dir.path() / "sixteen.pst";
    writeContacts(path, 16);
    testing::expectValidPst(path);
    PstEditor editor = load(path);
    const std::uint64_t matrix = rowMatrixBlock(editor);
    EXPECT_EQ(editor.block(matrix).size, 16 * kContactsRowSize);

    // The mutation: 8 bytes after the 16 rows, as a padded last block has.
    lengthenBlock(editor, matrix, 8);
    const auto report = editor.verify();
    ASSERT_EQ(report.violations.size(), 1u) << pst::verify::testing::listing(report);
    EXPECT_EQ(report.violations[0].rule, "tc.row-matrix-last-block");
    EXPECT_EQ(report.violations[0].location.nodeId, kContactsTable);
    EXPECT_EQ(report.violations[0].message,
              "row matrix block 0, the last of 1, has 7848 bytes: 16 rows of 490 bytes and 8 bytes after them");
}

}  // namespace
}  // namespace tessaly::outlook
