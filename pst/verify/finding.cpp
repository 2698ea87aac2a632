#include "pst/verify/finding.h"

#include <algorithm>
#include <cstdio>

namespace tessaly::pst::verify {

std::string hexText(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

bool VerificationReport::hasViolation(const std::string& rule) const {
    return std::any_of(violations.begin(), violations.end(),
                       [&](const Finding& finding) { return finding.rule == rule; });
}

std::string describe(const Finding& finding) {
    std::string line = finding.rule + " [" + finding.location.layer;
    if (finding.location.offset) line += " offset " + hexText(*finding.location.offset);
    if (finding.location.nodeId) line += " nid " + hexText(*finding.location.nodeId);
    if (finding.location.blockId) line += " bid " + hexText(*finding.location.blockId);
    return line + "] " + finding.message;
}

}  // namespace tessaly::pst::verify
