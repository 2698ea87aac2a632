#include "pst/ltp/table_context.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"

namespace tessaly::pst {
namespace {

std::size_t cellSize(std::uint32_t tag) {
    const std::size_t fixed = fixedSize(tagType(tag));
    return fixed != 0 ? fixed : 4;  // variable-size cells hold an HNID
}

// rgib: where the 8/4-byte, 2-byte and 1-byte groups end, and the row size.
std::array<std::uint16_t, 4> groupEnds(const std::vector<TableColumn>& columns) {
    std::array<std::uint16_t, 4> ends{};
    for (const auto& column : columns) {
        const auto end = static_cast<std::uint16_t>(column.offset + column.size);
        const int group = column.size >= 4 ? 0 : column.size == 2 ? 1 : 2;
        for (int g = group; g < 3; ++g) ends[g] = std::max(ends[g], end);
    }
    ends[1] = std::max(ends[1], ends[0]);
    ends[2] = std::max(ends[2], ends[1]);
    ends[3] = static_cast<std::uint16_t>(ends[2] + (columns.size() + 7) / 8);
    return ends;
}

}  // namespace

std::vector<TableColumn> TableContextBuilder::layoutColumns(const std::vector<std::uint32_t>& tags) {
    std::vector<std::uint32_t> ordered{kTagRowId, kTagRowVersion};
    for (std::uint32_t tag : tags) {
        if (tag != kTagRowId && tag != kTagRowVersion) ordered.push_back(tag);
    }
    std::vector<TableColumn> columns;
    std::uint16_t offset = 0;
    for (std::size_t wanted : {std::size_t{8}, std::size_t{2}, std::size_t{1}}) {
        for (std::size_t i = 0; i < ordered.size(); ++i) {
            const std::size_t size = cellSize(ordered[i]);
            const bool inGroup = wanted == 8 ? size >= 4 : size == wanted;
            if (!inGroup) continue;
            columns.push_back({ordered[i], offset, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(i)});
            offset = static_cast<std::uint16_t>(offset + size);
        }
    }
    return columns;
}

TableContextBuilder::TableContextBuilder(NodeDatabaseWriter& writer, std::vector<TableColumn> columns, Mode mode)
    : writer_(writer),
      mode_(mode),
      columns_(std::move(columns)),
      heap_(mode == Mode::Streaming ? HeapBuilder(HeapClient::TableContext, writer) : HeapBuilder(HeapClient::TableContext)) {
    std::sort(columns_.begin(), columns_.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
    const auto ends = groupEnds(columns_);
    rowSize_ = ends[3];
    bitmapOffset_ = ends[2];
    cells_.reserve(columns_.size());
    for (const auto& column : columns_) {
        Cell cell;
        cell.kind = column.tag == kTagRowId ? Cell::Kind::RowId
                    : column.tag == kTagRowVersion ? Cell::Kind::RowVersion
                    : fixedSize(tagType(column.tag)) != 0 ? Cell::Kind::Fixed
                                                          : Cell::Kind::Variable;
        cell.id = tagId(column.tag);
        cell.type = tagType(column.tag);
        cell.offset = column.offset;
        cell.bitmapByte = static_cast<std::uint16_t>(bitmapOffset_ + column.bit / 8);
        cell.bit = static_cast<std::uint8_t>(0x80u >> (column.bit % 8));
        cells_.push_back(cell);
    }
    rowsPerBlock_ = kMaxBlockPayload / rowSize_;
    // HID 0x20: the row index's BTHHEADER; 0x40: the TCINFO. Outlook lays
    // tables out so and some readers look there.
    rowIndexHeader_ = heap_.allocate(Bytes(8, 0));
    tableInfo_ = heap_.allocate(Bytes(22 + 8 * columns_.size(), 0));
}

// Writes the rows held as one row-matrix block.
void TableContextBuilder::writeMatrixBlock() {
    matrixBlocks_.push_back(writer_.writeDataBlock(rows_.data(), rows_.size()));
    matrixSizes_.push_back(static_cast<std::uint32_t>(rows_.size()));
    rows_.clear();
}

std::uint32_t TableContextBuilder::storeVariable(ByteView value) {
    // An empty value is HNID 0: a 0-byte allocation would read as a freed one.
    if (value.empty()) return 0;
    if (value.size() <= kMaxHeapAllocation) return heap_.allocate(value.data(), value.size());
    Subnode subnode;
    subnode.nid = writer_.newNid(NidType::Ltp);
    subnode.data = value;
    subnodes_.push_back(std::move(subnode));
    return subnodes_.back().nid;
}

void TableContextBuilder::addRow(std::uint32_t rowId, const PropertyContextBuilder& properties) {
    // Rows never straddle blocks, and readers find a row by rows per block: a
    // full block is padded to 8,176 bytes and written once this row shows that
    // another block follows it. The last block ends after its last row.
    if (mode_ == Mode::Streaming && rows_.size() == rowsPerBlock_ * rowSize_) {
        rows_.resize(kMaxBlockPayload, 0);
        writeMatrixBlock();
    }
    const std::size_t start = rows_.size();
    rows_.resize(start + rowSize_, 0);
    std::uint8_t* row = rows_.data() + start;
    const PropertyContextBuilder::Ordered values = properties.values();
    if (properties.layout() == 0 || properties.layout() != cellLayout_) {
        // Columns and properties are both in id order: one walk through each
        // finds each cell's property.
        cellLayout_ = properties.layout();
        cellValues_.assign(cells_.size(), kNoValue);
        std::size_t next = 0;
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const Cell& cell = cells_[i];
            if (cell.kind == Cell::Kind::RowId || cell.kind == Cell::Kind::RowVersion) continue;
            while (next < values.size() && values[next].first < cell.id) ++next;
            if (next < values.size() && values[next].first == cell.id) cellValues_[i] = static_cast<std::uint16_t>(next);
        }
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const Cell& cell = cells_[i];
        std::uint8_t* place = row + cell.offset;
        if (cell.kind == Cell::Kind::RowId) {
            put32(place, rowId);
        } else if (cell.kind == Cell::Kind::RowVersion) {
            put32(place, 0);
        } else {
            if (cellValues_[i] == kNoValue) continue;
            const PropertyValue& value = values[cellValues_[i]].second;
            if (value.type() != cell.type) continue;
            const ByteView bytes = value.bytes();
            if (cell.kind == Cell::Kind::Fixed) {
                std::copy(bytes.begin(), bytes.end(), place);
            } else {
                put32(place, storeVariable(bytes));
            }
        }
        row[cell.bitmapByte] |= cell.bit;
    }
    rowIds_.push_back(rowId);
}

Subnode TableContextBuilder::matrixSubnode() {
    Subnode matrix;
    matrix.nid = writer_.newNid(NidType::Ltp);
    if (mode_ == Mode::Streaming) {
        if (!rows_.empty()) writeMatrixBlock();
        matrix.sharedData = writer_.writeDataTree(matrixBlocks_, matrixSizes_);
        return matrix;
    }
    for (std::size_t first = 0; first < rowIds_.size(); first += rowsPerBlock_) {
        const std::size_t count = std::min(rowsPerBlock_, rowIds_.size() - first);
        const auto* begin = rows_.data() + first * rowSize_;
        matrix.data.insert(matrix.data.end(), begin, begin + count * rowSize_);
        if (first + count < rowIds_.size()) matrix.data.resize(matrix.data.size() + kMaxBlockPayload - count * rowSize_, 0);
    }
    return matrix;
}

Bytes TableContextBuilder::tableInfo(const std::vector<TableColumn>& sortedColumns, Hid rowIndex,
                                     std::uint32_t rows) {
    Bytes out{static_cast<std::uint8_t>(HeapClient::TableContext), static_cast<std::uint8_t>(sortedColumns.size())};
    for (std::uint16_t end : groupEnds(sortedColumns)) append16(out, end);
    append32(out, rowIndex);
    append32(out, rows);
    append32(out, 0);  // hidIndex, deprecated
    for (const auto& column : sortedColumns) {
        append32(out, column.tag);
        append16(out, column.offset);
        out.push_back(column.size);
        out.push_back(column.bit);
    }
    return out;
}

NodeContent TableContextBuilder::build() {
    NodeContent content;
    std::uint32_t rowsReference = 0;
    if (!matrixBlocks_.empty() || rows_.size() > kMaxHeapAllocation) {
        subnodes_.push_back(matrixSubnode());
        rowsReference = subnodes_.back().nid;
    } else if (!rows_.empty()) {
        rowsReference = heap_.allocate(rows_);
    }
    Bytes().swap(rows_);
    // Megabytes for a folder of a few hundred thousand rows: made at their
    // full size at once, the index in large pages.
    std::vector<std::pair<std::uint32_t, std::uint32_t>, LargePageAllocator<std::pair<std::uint32_t, std::uint32_t>>>
        index;
    index.reserve(rowIds_.size());
    for (std::size_t i = 0; i < rowIds_.size(); ++i) index.emplace_back(rowIds_[i], static_cast<std::uint32_t>(i));
    std::sort(index.begin(), index.end());
    Bytes records;
    records.reserve(8 * index.size());
    for (const auto& [rowId, position] : index) {
        append32(records, rowId);
        append32(records, position);
    }
    const Hid rowIndex = buildBTreeOnHeap(heap_, 4, 4, records, rowIndexHeader_);
    heap_.rewrite(tableInfo_, tableInfo(columns_, rowIndex, rowsReference));
    heap_.setUserRoot(tableInfo_);
    if (mode_ == Mode::Streaming) {
        content.data = heap_.write(writer_);
    } else {
        content.heapBlocks = heap_.finish();
    }
    content.subnodes = std::move(subnodes_);
    return content;
}

}  // namespace tessaly::pst
