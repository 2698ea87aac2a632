#include "pst/verify/table_context.h"

#include <algorithm>
#include <set>

#include "pst/verify/btree_on_heap.h"
#include "pst/verify/heap_on_node.h"
#include "pst/verify/property_types.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kTableSignature = 0x7C;
constexpr std::uint8_t kUndocumentedTableSignature = 0xAC;
constexpr std::uint64_t kTableInfoSize = 22;
constexpr std::uint32_t kRowIdTag = 0x67F20003;
// Cells kept for comparison are short texts and counts; larger ones are not read.
constexpr std::uint64_t kMaxCellRead = 64 * 1024;
constexpr std::uint32_t kRowVersionTag = 0x67F30003;

class TableCheck {
public:
    TableCheck(VerifyContext& context, std::uint64_t nid, const HeapOnNode& heap, const SubnodeMap& subnodes)
        : context_(context), nid_(nid), heap_(heap), subnodes_(subnodes) {}

    std::optional<TableContents> run(const CellSelection& keep) {
        const auto info = heap_.checkedAllocation(context_, heap_.userRoot(), "the table's TCINFO");
        if (!info) return std::nullopt;
        if (info->size() < kTableInfoSize || readU8(*info, 0) != kTableSignature) {
            violation("tc.info", "the TCINFO is not a bType 0x7C record");
            return std::nullopt;
        }
        const unsigned columnCount = readU8(*info, 1);
        if (info->size() != kTableInfoSize + 8ull * columnCount) {
            violation("tc.info", "the TCINFO has " + std::to_string(info->size()) + " bytes for " +
                                     std::to_string(columnCount) + " columns");
            return std::nullopt;
        }
        for (unsigned group = 0; group < 4; ++group) ends_[group] = readU16(*info, 2 + 2 * group);
        const std::uint32_t rowIndexHid = readU32(*info, 10);
        const std::uint32_t rowsHnid = readU32(*info, 14);

        TableContents table;
        for (unsigned index = 0; index < columnCount; ++index) {
            const std::uint64_t entry = kTableInfoSize + 8ull * index;
            table.columns.push_back(
                {readU32(*info, entry), readU16(*info, entry + 4), readU8(*info, entry + 6), readU8(*info, entry + 7)});
        }
        if (!checkLayout(table.columns)) return std::nullopt;

        const auto rowIndex = readBtreeOnHeap(context_, heap_, rowIndexHid, 4, 4, "row index");
        if (!rowIndex) return std::nullopt;
        // Rows are taken one at a time as the matrix is read: a large table's
        // matrix is never held whole. What is kept of them is sized once, by
        // the row index, rather than grown by doubling.
        // Each row keeps its id and the selected cells, drawn from the kept
        // allowance: for the rows the index lists up front, for any others as
        // they come.
        const std::size_t keptColumns = keep.all ? table.columns.size() : keep.tags.size();
        const std::uint64_t keptPerRow = sizeof(std::uint32_t) + sizeof(KeptCell) * keptColumns;
        if (!context_.takeKept(keptPerRow * rowIndex->size())) return std::nullopt;
        table.rowIds.reserve(rowIndex->size());
        table.cells.reserve(rowIndex->size() * keptColumns);
        bool budgetLeft = true;
        const bool readable = forEachRow(rowsHnid, [&](Bytes row) {
            ++table.rowCount;
            if (budgetLeft && !context_.spend(table.columns.size())) budgetLeft = false;
            if (budgetLeft && table.rowCount > rowIndex->size() && !context_.takeKept(keptPerRow))
                budgetLeft = false;
            if (!budgetLeft) return;
            table.rowIds.push_back(readU32(row, 0));
            checkCells(table, row, keep);
        });
        if (!readable) return std::nullopt;
        if (budgetLeft) checkRowIndex(*rowIndex, table.rowIds);
        return table;
    }

private:
    void violation(const std::string& rule, const std::string& message) {
        context_.violation(rule, atNode("ltp", nid_), message);
    }

    bool checkLayout(const std::vector<TableColumn>& columns) {
        const std::uint16_t rowSize = ends_[3];
        const std::uint64_t bitmapSize = (columns.size() + 7) / 8;
        if (!(ends_[0] <= ends_[1] && ends_[1] <= ends_[2] && ends_[2] <= ends_[3]) ||
            static_cast<std::uint64_t>(ends_[3] - ends_[2]) != bitmapSize) {
            violation("tc.layout", "rgib " + std::to_string(ends_[0]) + "/" + std::to_string(ends_[1]) + "/" +
                                       std::to_string(ends_[2]) + "/" + std::to_string(ends_[3]) +
                                       " does not describe the 4-, 2-, 1-byte groups and a " +
                                       std::to_string(bitmapSize) + "-byte cell bitmap");
            return false;
        }
        if (rowSize == 0) {
            violation("tc.layout", "the rows have no bytes");
            return false;
        }
        bool good = true;
        std::vector<std::uint8_t> used(rowSize, 0);
        std::set<unsigned> bits;
        for (std::size_t index = 0; index < columns.size(); ++index) {
            const TableColumn& column = columns[index];
            const std::string name = "column " + hexText(column.tag);
            if (index > 0 && column.tag <= columns[index - 1].tag) {
                violation("tc.column-order", name + " does not follow " + hexText(columns[index - 1].tag) +
                                                 " in ascending tag order");
                good = false;
            }
            const auto info = propertyTypeInfo(static_cast<std::uint16_t>(column.tag & 0xFFFF));
            if (!info || info->tableCell != column.size) {
                violation("tc.column-size", name + " has cbData " + std::to_string(column.size) +
                                                 ", not the cell size of its type");
                good = false;
                continue;
            }
            const std::uint16_t groupBegin = column.size >= 4 ? 0 : column.size == 2 ? ends_[0] : ends_[1];
            const std::uint16_t groupEnd = column.size >= 4 ? ends_[0] : column.size == 2 ? ends_[1] : ends_[2];
            if (column.offset < groupBegin || column.offset + column.size > groupEnd) {
                violation("tc.layout", name + " lies outside the part of the row for " +
                                           std::to_string(column.size) + "-byte cells");
                good = false;
                continue;
            }
            for (unsigned byte = column.offset; byte < column.offset + column.size; ++byte) {
                if (used[byte]) {
                    violation("tc.column-overlap", name + " overlaps another column");
                    good = false;
                    break;
                }
                used[byte] = 1;
            }
            if (column.bit >= columns.size() || !bits.insert(column.bit).second) {
                violation("tc.column-bit", name + " has iBit " + std::to_string(column.bit) +
                                               ", not a unique bit of the cell bitmap");
                good = false;
            }
        }
        const auto findColumn = [&](std::uint32_t tag) {
            return std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) { return c.tag == tag; });
        };
        const auto rowId = findColumn(kRowIdTag);
        const auto rowVersion = findColumn(kRowVersionTag);
        if (rowId == columns.end() || rowId->offset != 0 || rowId->bit != 0 || rowVersion == columns.end() ||
            rowVersion->offset != 4 || rowVersion->bit != 1) {
            violation("tc.row-id-column",
                      "the row id (0x67F20003) and row version (0x67F30003) columns are not at bytes 0 and 4 with "
                      "bits 0 and 1");
            good = false;
        }
        return good;
    }

    // Hands each row of the row matrix to `take`, in order; false when the
    // matrix cannot be read.
    template <typename Take>
    bool forEachRow(std::uint32_t hnid, Take take) {
        const std::uint16_t rowSize = ends_[3];
        if (hnid == 0) return true;
        if (HeapOnNode::isHid(hnid)) {
            const auto matrix = heap_.checkedAllocation(context_, hnid, "the row matrix");
            if (!matrix) return false;
            if (matrix->size() % rowSize != 0) {
                violation("tc.row-matrix", "the row matrix's " + std::to_string(matrix->size()) +
                                               " bytes are no whole number of " + std::to_string(rowSize) +
                                               "-byte rows");
                return false;
            }
            for (std::uint64_t offset = 0; offset < matrix->size(); offset += rowSize)
                take(Bytes(*matrix).subspan(offset, rowSize));
            return true;
        }
        const auto found = subnodes_.find(hnid);
        if (found == subnodes_.end()) {
            violation("tc.row-matrix", "the row matrix names subnode " + hexText(hnid) + ", which the node lacks");
            return false;
        }
        const auto blocks = dataBlockIds(context_, found->second.dataBid, UINT64_MAX);
        if (!blocks) return false;
        const std::uint64_t rowsPerBlock = kMaxBlockDataSize / rowSize;
        for (std::size_t index = 0; index < blocks->size(); ++index) {
            const std::vector<std::uint8_t> block = readDataBlock(context_, (*blocks)[index]);
            const bool last = index + 1 == blocks->size();
            // Rows never straddle blocks: every block but the last holds exactly
            // as many whole rows as fit in 8,176 bytes (what is left is padding).
            if (block.size() / rowSize > rowsPerBlock || (!last && block.size() / rowSize != rowsPerBlock)) {
                violation("tc.row-matrix", "row matrix block " + std::to_string(index) + " has " +
                                               std::to_string(block.size()) + " bytes, not " +
                                               std::to_string(rowsPerBlock) + " rows of " + std::to_string(rowSize) +
                                               " bytes");
                return false;
            }
            // The row matrix is one stream cut into 8,176-byte blocks: a block
            // but the last ends with dead space up to its full size.
            if (!last && block.size() != kMaxBlockDataSize)
                violation("tc.row-matrix-block-size", "row matrix block " + std::to_string(index) + " of " +
                                                          std::to_string(blocks->size()) + " has " +
                                                          std::to_string(block.size()) + " bytes, not " +
                                                          std::to_string(kMaxBlockDataSize));
            // The last block ends with its last row: readers that count rows
            // per block take bytes after them for a row of its own.
            if (last && block.size() % rowSize != 0)
                violation("tc.row-matrix-last-block",
                          "row matrix block " + std::to_string(index) + ", the last of " +
                              std::to_string(blocks->size()) + ", has " + std::to_string(block.size()) + " bytes: " +
                              std::to_string(block.size() / rowSize) + " rows of " + std::to_string(rowSize) +
                              " bytes and " + std::to_string(block.size() % rowSize) + " bytes after them");
            for (std::uint64_t offset = 0; offset + rowSize <= block.size(); offset += rowSize)
                take(Bytes(block.data() + offset, rowSize));
        }
        return true;
    }

    void checkRowIndex(const std::vector<BthRecord>& index, const std::vector<std::uint32_t>& rowIds) {
        if (index.size() != rowIds.size())
            violation("tc.row-count", "the row index lists " + std::to_string(index.size()) +
                                          " rows, the row matrix holds " + std::to_string(rowIds.size()));
        std::vector<std::uint8_t> seen(rowIds.size(), 0);
        for (const BthRecord& record : index) {
            const std::uint32_t rowNumber = readU32(record.data(), 0);
            if (rowNumber >= rowIds.size() || seen[rowNumber]) {
                violation("tc.row-index", "row id " + hexText(record.key) + " points at row " +
                                              std::to_string(rowNumber) + ", which is missing or taken");
                continue;
            }
            seen[rowNumber] = 1;
            if (rowIds[rowNumber] != record.key)
                violation("tc.row-index", "row " + std::to_string(rowNumber) + " holds row id " +
                                              hexText(rowIds[rowNumber]) + ", the row index says " +
                                              hexText(record.key));
        }
    }

    // Checks that every present cell kept elsewhere resolves; keeps the
    // selected cells' digests in the table.
    void checkCells(TableContents& table, Bytes row, const CellSelection& selection) {
        const auto rowNumber = static_cast<std::uint32_t>(table.rowIds.size() - 1);
        const auto keepCell = [&](std::uint32_t tag, Bytes bytes) {
            table.cells.push_back({rowNumber, tag, cellDigest(bytes)});
        };
        const Bytes bitmap = row.subspan(ends_[2]);
        for (const TableColumn& column : table.columns) {
            if (!((readU8(bitmap, column.bit / 8) >> (7 - column.bit % 8)) & 1)) continue;
            const bool keep = selection.keeps(column.tag);
            const Bytes cell = row.subspan(column.offset, column.size);
            const auto info = propertyTypeInfo(static_cast<std::uint16_t>(column.tag & 0xFFFF));
            const bool elsewhere = info && info->shape != ValueShape::kInline4 && !(info->shape == ValueShape::kFixed &&
                                                                                    info->size == column.size);
            if (!elsewhere) {
                if (keep) keepCell(column.tag, cell);
                continue;
            }
            const std::uint32_t hnid = readU32(cell, 0);
            if (hnid == 0) {
                if (keep) keepCell(column.tag, {});
            } else if (HeapOnNode::isHid(hnid)) {
                const auto value = heap_.allocation(hnid);
                if (!value && context_.limitReached()) continue;
                if (!value) {
                    violation("tc.cell", "a cell of column " + hexText(column.tag) + " names HID " + hexText(hnid) +
                                             ", which is no allocation of the heap");
                    continue;
                }
                if (keep) keepCell(column.tag, *value);
            } else {
                const auto found = subnodes_.find(hnid);
                if (found == subnodes_.end()) {
                    violation("tc.cell", "a cell of column " + hexText(column.tag) + " names subnode " +
                                             hexText(hnid) + ", which the node lacks");
                    continue;
                }
                const auto size = keep ? dataSize(context_, found->second.dataBid) : std::nullopt;
                if (size && *size <= kMaxCellRead)
                    if (auto value = readData(context_, found->second.dataBid)) keepCell(column.tag, *value);
            }
        }
    }

    VerifyContext& context_;
    std::uint64_t nid_;
    const HeapOnNode& heap_;
    const SubnodeMap& subnodes_;
    std::uint16_t ends_[4] = {};
};

}  // namespace

bool CellSelection::keeps(std::uint32_t tag) const {
    return all || std::find(tags.begin(), tags.end(), tag) != tags.end();
}

std::optional<TableContents> checkTableContext(VerifyContext& context, std::uint64_t nid, std::uint64_t dataBid,
                                               const SubnodeMap& subnodes, const CellSelection& keep) {
    const auto blocks = dataBlockIds(context, dataBid, UINT64_MAX);
    if (!blocks) return std::nullopt;
    auto heap = HeapOnNode::open(context, nid, *blocks);
    if (!heap) return std::nullopt;
    // Outlook keeps some search tables in a heap of client signature 0xAC, a
    // table layout MS-PST does not document; only the heap itself is checked.
    if (heap->clientSignature() == kUndocumentedTableSignature) return std::nullopt;
    if (heap->clientSignature() != kTableSignature) {
        context.violation("tc.signature", atNode("ltp", nid),
                          "a table context's heap has bClientSig " + hexText(heap->clientSignature()) + ", not 0x7C");
        return std::nullopt;
    }
    return TableCheck(context, nid, *heap, subnodes).run(keep);
}

}  // namespace tessaly::pst::verify
