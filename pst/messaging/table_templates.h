#pragma once
// The table templates of a store (MS-PST 2.4.4.4, 2.4.5, 2.4.6): the column
// layouts every folder's hierarchy, contents and associated contents tables
// and every message's recipient and attachment tables use.

#include <vector>

#include "pst/ltp/table_context.h"

namespace tessaly::pst {

const std::vector<TableColumn>& hierarchyTableColumns();
const std::vector<TableColumn>& contentsTableColumns();
const std::vector<TableColumn>& associatedContentsTableColumns();
const std::vector<TableColumn>& searchContentsTableColumns();
const std::vector<TableColumn>& recipientTableColumns();
// The store's template of attachment tables, and a message's own attachment
// table: Outlook writes the template's six columns and PidTagAttachFlags.
const std::vector<TableColumn>& attachmentTableTemplateColumns();
const std::vector<TableColumn>& attachmentTableColumns();
const std::vector<TableColumn>& receiveFolderTableColumns();
const std::vector<TableColumn>& outgoingQueueTableColumns();
const std::vector<TableColumn>& changeHistoryTableColumns();
const std::vector<TableColumn>& tombstoneTableColumns();
const std::vector<TableColumn>& tombstoneDateTableColumns();

}  // namespace tessaly::pst
