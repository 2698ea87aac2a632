#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

namespace {
// A damaged file can break one rule thousands of times; the first ones say it all.
constexpr std::size_t kFindingsPerRule = 50;
const std::string kWorkLimitRule = "verify.work-limit";
}  // namespace

VerifyContext::VerifyContext(const VerifyContext& shared, VerificationReport& report)
    : file(shared.file),
      header(shared.header),
      nodes(shared.nodes),
      blocks(shared.blocks),
      btreePages(shared.btreePages),
      references(shared.references),
      expandedInternalBlocks(shared.expandedInternalBlocks),
      report_(report),
      budget_(0),
      splitOff_(true) {}

std::unique_ptr<VerifyContext> VerifyContext::splitOff(VerificationReport& report) {
    std::unique_ptr<VerifyContext> part(new VerifyContext(*this, report));
    const auto half = [](Allowance& from, Allowance& to) {
        to.limit = (from.limit - from.taken) / 2;
        from.limit -= to.limit;
    };
    part->budget_ = budget_ / 2;
    budget_ -= part->budget_;
    half(read_, part->read_);
    half(kept_, part->kept_);
    part->budgetReported_ = budgetReported_;
    return part;
}

void VerifyContext::rejoin(const VerifyContext& part, const VerificationReport& partReport) {
    budget_ += part.budget_;
    read_.limit += part.read_.limit;
    read_.taken += part.read_.taken;
    kept_.limit += part.kept_.limit;
    kept_.taken += part.kept_.taken;
    for (const Finding& finding : partReport.violations) {
        if (finding.rule == kWorkLimitRule)
            reportLimit();
        else
            violation(finding.rule, finding.location, finding.message);
    }
    for (const Finding& finding : partReport.warnings) warning(finding.rule, finding.location, finding.message);
}

void VerifyContext::violation(const std::string& rule, Location location, const std::string& message) {
    std::size_t& count = perRule_[rule];
    ++count;
    if (count <= kFindingsPerRule || (splitOff_ && count == kFindingsPerRule + 1))
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
    violation(kWorkLimitRule, Location{"file", {}, {}, {}},
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
