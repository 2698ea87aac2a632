#pragma once
// Table contexts (MS-PST TC): a heap with client signature 0x7C whose root is
// a TCINFO (column descriptions and the row layout), a row index (a BTH of
// row id -> row number) and a row matrix (in the heap or in a subnode).
// Checking covers the column layout, the row count against the row index, each
// row's id, and every present variable-size cell's HNID.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "pst/verify/cell_digest.h"
#include "pst/verify/node_trees.h"
#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

struct TableColumn {
    std::uint32_t tag = 0;
    std::uint16_t offset = 0;
    std::uint8_t size = 0;
    std::uint8_t bit = 0;
};

struct TableContents {
    std::vector<TableColumn> columns;
    std::uint64_t rowCount = 0;
    std::vector<std::uint32_t> rowIds;  // each row's PidTagLtpRowId, in row-matrix order
    // When asked for: the present cells of the selected columns (inline cells
    // as stored, other cells as the bytes their HNID names), as digests, in
    // row order (`row` is the row's place in the row matrix).
    std::vector<KeptCell> cells;
};

// Which cells a check keeps: all of them, or those of the listed columns.
struct CellSelection {
    bool all = false;
    std::vector<std::uint32_t> tags;

    bool keeps(std::uint32_t tag) const;
    bool any() const { return all || !tags.empty(); }
};

std::optional<TableContents> checkTableContext(VerifyContext& context, std::uint64_t nid, std::uint64_t dataBid,
                                               const SubnodeMap& subnodes, const CellSelection& keep);

}  // namespace tessaly::pst::verify
