#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

namespace {
// A damaged file can break one rule thousands of times; the first ones say it all.
constexpr std::size_t kFindingsPerRule = 50;
}  // namespace

void VerifyContext::violation(const std::string& rule, Location location, const std::string& message) {
    std::size_t& count = perRule_[rule];
    ++count;
    if (count <= kFindingsPerRule)
        report_.violations.push_back({rule, std::move(location), message});
    else if (count == kFindingsPerRule + 1)
        report_.violations.push_back({rule, Location{"report", {}, {}, {}},
                                      "further violations of this rule are not listed"});
}

void VerifyContext::warning(const std::string& rule, Location location, const std::string& message) {
    std::size_t& count = perRule_["warning:" + rule];
    ++count;
    if (count <= kFindingsPerRule) report_.warnings.push_back({rule, std::move(location), message});
}

bool VerifyContext::spend(std::uint64_t steps) {
    if (budget_ >= steps) {
        budget_ -= steps;
        return true;
    }
    budget_ = 0;
    reportLimit();
    return false;
}

bool VerifyContext::take(Allowance& allowance, std::uint64_t bytes) {
    if (allowance.limit - allowance.taken >= bytes) {
        allowance.taken += bytes;
        return true;
    }
    allowance.taken = allowance.limit;
    reportLimit();
    return false;
}

void VerifyContext::reportLimit() {
    if (budgetReported_) return;
    budgetReported_ = true;
    violation("verify.work-limit", Location{"file", {}, {}, {}},
              "the file's structures ask for more work than any valid file of its size; checks stopped early");
}

const BlockEntry* VerifyContext::findBlock(std::uint64_t bid) const {
    auto found = blocks.find(blockKey(bid));
    return found == blocks.end() ? nullptr : &found->second;
}

const NodeEntry* VerifyContext::findNode(std::uint64_t nid) const {
    auto found = nodes.find(nid);
    return found == nodes.end() ? nullptr : &found->second;
}

}  // namespace tessaly::pst::verify
