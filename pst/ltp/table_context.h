#pragma once
// Table context (MS-PST 2.3.4): a heap whose user root is the TCINFO, which
// describes the columns (sorted by tag), the row layout (8- and 4-byte cells,
// then 2-byte, then 1-byte, then the cell-existence bitmap), the row index (a
// BTree-on-heap from row id to row number) and where the row matrix lives: in
// the heap while it is small, in a subnode once it is not.

#include <cstdint>
#include <vector>

#include "common/large_pages.h"
#include "pst/ltp/heap_builder.h"
#include "pst/ltp/node_content.h"
#include "pst/ltp/property_context.h"
#include "pst/ltp/property_value.h"

namespace tessaly::pst {

struct TableColumn {
    std::uint32_t tag = 0;
    std::uint16_t offset = 0;  // ibData
    std::uint8_t size = 0;     // cbData
    std::uint8_t bit = 0;      // iBit
};

constexpr std::uint32_t kTagRowId = 0x67F20003;       // PidTagLtpRowId
constexpr std::uint32_t kTagRowVersion = 0x67F30003;  // PidTagLtpRowVer

class TableContextBuilder {
public:
    // `columns` with their layout; use layoutColumns() for a layout of our own.
    // A streaming table writes its heap and row-matrix blocks to `writer` as
    // they fill and keeps only the row ids until build(); a table that does
    // not stream returns its heap blocks from build().
    enum class Mode { InMemory, Streaming };
    TableContextBuilder(NodeDatabaseWriter& writer, std::vector<TableColumn> columns, Mode mode = Mode::InMemory);

    // Row id and row version first, then the given tags in order; offsets by
    // cell size group, existence bits in order.
    static std::vector<TableColumn> layoutColumns(const std::vector<std::uint32_t>& tags);

    // Adds a row holding, for each column, the property of the same id and
    // type from `properties` (the row id column holds `rowId`).
    void addRow(std::uint32_t rowId, const PropertyContextBuilder& properties);
    std::size_t rowCount() const { return rowIds_.size(); }

    NodeContent build();

    static Bytes tableInfo(const std::vector<TableColumn>& sortedColumns, Hid rowIndex, std::uint32_t rows);
    std::size_t rowSize() const { return rowSize_; }

private:
    std::uint32_t storeVariable(ByteView value);
    void writeMatrixBlock();
    Subnode matrixSubnode();

    NodeDatabaseWriter& writer_;
    Mode mode_;
    std::vector<TableColumn> columns_;  // sorted by tag
    // Each column as a row is filled: the property it takes and where its
    // cell and its existence bit are, worked out once for every row.
    struct Cell {
        enum class Kind : std::uint8_t { RowId, RowVersion, Fixed, Variable };
        Kind kind = Kind::Fixed;
        std::uint8_t bit = 0;  // the mask of its existence bit
        std::uint16_t id = 0;
        std::uint16_t type = 0;
        std::uint16_t offset = 0;
        std::uint16_t bitmapByte = 0;  // from the row's start
    };
    std::vector<Cell> cells_;  // in the order of columns_
    // For the rows of one layout of properties (PropertyContextBuilder::
    // layout()): the place in id order of each cell's property, kNoValue
    // for none.
    static constexpr std::uint16_t kNoValue = 0xFFFF;
    std::uint64_t cellLayout_ = 0;
    std::vector<std::uint16_t> cellValues_;
    std::size_t rowSize_ = 0;
    std::size_t bitmapOffset_ = 0;
    std::size_t rowsPerBlock_ = 0;
    HeapBuilder heap_;
    Hid rowIndexHeader_ = 0;  // reserved first, as Outlook lays a table out
    Hid tableInfo_ = 0;
    std::vector<Subnode> subnodes_;
    Bytes rows_;  // rows not yet written
    std::vector<Bid> matrixBlocks_;
    std::vector<std::uint32_t> matrixSizes_;
    std::vector<std::uint32_t, LargePageAllocator<std::uint32_t>> rowIds_;  // one per row: in large pages
};

}  // namespace tessaly::pst
