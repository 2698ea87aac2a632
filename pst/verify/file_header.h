#pragma once
// The file header (MS-PST HEADER and ROOT, Unicode): reads it into the context
// and checks its fixed values and both CRCs. Returns false when the file cannot
// be read any further (too short, not a Unicode PST).

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

bool readAndCheckHeader(VerifyContext& context);

// Checks made once the B-trees are known: the id counters are not below any id in use.
void checkHeaderCounters(VerifyContext& context);

// The signature MS-PST stores in page and block trailers (ComputeSig).
std::uint16_t trailerSignature(std::uint64_t offset, std::uint64_t bid);

}  // namespace tessaly::pst::verify
