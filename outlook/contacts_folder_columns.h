#pragma once
// The columns of the contents table of Outlook's own contacts folder (119
// with the row id and version; named properties among them), in Outlook's
// order, so that Outlook's contact views find the columns they sort and show.

#include <vector>

#include "pst/messaging/pst_file.h"

namespace tessaly::outlook {

const std::vector<pst::ContentsColumn>& contactsFolderColumns();

}  // namespace tessaly::outlook
