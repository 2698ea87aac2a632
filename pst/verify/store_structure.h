#pragma once
// The messaging layer's structure: the nodes every PST must have, the message
// store's folder entry ids, every folder's and message's parent, each folder's
// tables and the counts its property context keeps about them.

#include "pst/verify/node_contents.h"

namespace tessaly::pst::verify {

void checkMandatoryNodes(VerifyContext& context, const StoreContents& store);
void checkFolders(VerifyContext& context, const StoreContents& store);

}  // namespace tessaly::pst::verify
