#pragma once
// The options of every store the fuzz programs write: fixed where a store is
// otherwise random (record key, dwUnique, the time), so that the same input
// writes the same bytes and a finding replays exactly.

#include "pst/messaging/pst_file.h"

namespace tessaly::fuzz {

pst::PstOptions fixedStoreOptions();

}  // namespace tessaly::fuzz
