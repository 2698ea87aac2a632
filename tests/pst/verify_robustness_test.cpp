// The verifier on damaged input: it must finish, without crashing or hanging,
// on empty, truncated, garbage and bit-flipped files, and report the damage.

#include <gtest/gtest.h>

#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

// A small deterministic generator, so a failing case can be replayed.
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return state_ >> 33;
    }

private:
    std::uint64_t state_;
};

TEST(VerifyRobustness, EveryTruncationOfAnOutlookFileIsReportedNotFatal) {
    const std::vector<std::uint8_t> original = loadPst(kOutlookDistList);
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{563}, std::size_t{564},
                               std::size_t{0x4400}, std::size_t{0x4600}, std::size_t{0x10000}, original.size() - 1,
                               original.size() - 0x3E000}) {
        const std::vector<std::uint8_t> cut(original.begin(), original.begin() + length);
        const VerificationReport report = verifyPstBytes(cut);
        EXPECT_TRUE(report.hasViolation(length < 564 ? "header.truncated" : "header.file-eof")) << "length " << length;
    }
}

TEST(VerifyRobustness, GarbageFromTheFirstByteIsRejectedAtTheMagic) {
    Sequence other(11);
    std::vector<std::uint8_t> garbage(300000);
    for (auto& byte : garbage) byte = static_cast<std::uint8_t>(other.next());
    EXPECT_TRUE(verifyPstBytes(garbage).hasViolation("header.magic"));
}

// Flips a few bits at a time all over a small Outlook file (with the header's
// CRCs repaired half of the time, so the damage reaches the deeper layers).
// Only finishing counts: whether a flip breaks a rule depends on where it lands.
// A hang is caught by the test's own time limit in the build, not measured here.
TEST(VerifyRobustness, BitFlippedFilesNeverCrashOrHang) {
    const std::vector<std::uint8_t> original = loadPst(kOutlookDistList);
    Sequence sequence(2026);
    std::size_t flagged = 0;
    constexpr int kRounds = 600;
    for (int round = 0; round < kRounds; ++round) {
        PstEditor editor(original);
        const int flips = 1 + static_cast<int>(sequence.next() % 8);
        for (int flip = 0; flip < flips; ++flip) {
            // Half of the flips land in the first 0x20000 bytes, where the
            // B-tree pages and most heaps of this file are.
            const std::uint64_t range = (sequence.next() & 1) ? 0x20000 : editor.bytes.size();
            const std::uint64_t offset = sequence.next() % range;
            editor.bytes[offset] ^= static_cast<std::uint8_t>(1u << (sequence.next() % 8));
        }
        if (round % 2 == 0) editor.fixHeaderCrcs();
        const VerificationReport report = editor.verify();
        if (!report.passed()) ++flagged;
    }
    // Nearly every flip lands in checked bytes; a verifier that flags none is not looking.
    EXPECT_GT(flagged, std::size_t{kRounds / 2});
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
