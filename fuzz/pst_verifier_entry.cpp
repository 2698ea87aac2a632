// The PST verifier on any bytes. It must finish without throwing (it reports
// every damage as a finding), and each finding must say which rule it breaks
// and why.

#include <vector>

#include "fuzz/fuzz_entry_points.h"
#include "fuzz/fuzz_fault.h"
#include "pst/verify/verify_pst.h"

namespace tessaly::fuzz {

namespace {

void checkFindings(const std::vector<pst::verify::Finding>& findings) {
    for (const pst::verify::Finding& finding : findings) {
        if (finding.rule.empty() || finding.message.empty() || finding.location.layer.empty())
            fuzzFault("pst_verifier", "a finding without its rule, layer or message: " + describe(finding));
    }
}

}  // namespace

void fuzzPstVerifier(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file(data, data + size);
    const pst::verify::VerificationReport report = pst::verify::verifyPstBytes(file);
    checkFindings(report.violations);
    checkFindings(report.warnings);
}

}  // namespace tessaly::fuzz
