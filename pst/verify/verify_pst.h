#pragma once
// The PST verifier: an independent read path over a Unicode .pst file that
// checks the rules MS-PST states, layer by layer (header, allocation maps,
// pages and blocks, B-trees, reference counts, node data and subnode trees,
// heaps, BTree-on-heap, property and table contexts, the named-property map,
// the mandatory nodes and the folders' tables and counts). It never throws on
// a damaged file: every damage becomes a finding.

#include <filesystem>
#include <vector>

#include "pst/verify/finding.h"

namespace tessaly::pst::verify {

VerificationReport verifyPstBytes(const std::vector<std::uint8_t>& file);

// Reads the file and verifies it. A file that cannot be read gives a single
// "file.unreadable" violation naming the path and the cause.
VerificationReport verifyPstFile(const std::filesystem::path& path);

}  // namespace tessaly::pst::verify
