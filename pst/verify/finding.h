#pragma once
// What the verifier reports: a finding names the rule it breaks (a stable short
// id such as "header.crc-partial"), where in the file it was found and why.
// Violations fail a file; warnings (orphan blocks) are reported but do not.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::pst::verify {

struct Location {
    std::string layer;                      // "header", "ndb", "ltp", "messaging"
    std::optional<std::uint64_t> offset;    // absolute file offset
    std::optional<std::uint64_t> nodeId;    // NID
    std::optional<std::uint64_t> blockId;   // BID (or page BID)
};

struct Finding {
    std::string rule;
    Location location;
    std::string message;
};

struct VerificationReport {
    std::vector<Finding> violations;
    std::vector<Finding> warnings;

    bool passed() const { return violations.empty(); }
    bool hasViolation(const std::string& rule) const;
};

// "0x…" for an id, offset or value in a message.
std::string hexText(std::uint64_t value);

// One line: "RULE [layer offset 0x… nid 0x… bid 0x…] message".
std::string describe(const Finding& finding);

}  // namespace tessaly::pst::verify
