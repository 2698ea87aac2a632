// The memory `tessaly verify-pst` needs on files made to make it read far more
// than they hold: data trees that list the same blocks over and over, and
// values that all name one subnode. Whatever a file says, the verifier is to
// stay within 64 MB plus four times the file's size. Kept apart from the
// other tests (the "memory" label) so that sanitizer builds leave it out.

#include <gtest/gtest.h>

#include "support/crafted_pst.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::ByteVector;
using testing::shellQuote;

void expectWithinGoal(const std::string& name, const ByteVector& bytes) {
    testing::TempDir folder;
    const auto file = folder.write(name, std::string(bytes.begin(), bytes.end()));
    // The address space capped well above the goal: a verifier that would
    // take gigabytes fails here rather than take them from the machine.
    const testing::PeakRun measured = testing::runMeasuringPeak(
        shellQuote(TESSALY_EXECUTABLE) + " verify-pst " + shellQuote(file.string()), 2ull << 30);
    // Status 1: the file breaks rules, and says so; anything else is a failure to finish.
    EXPECT_EQ(measured.status, 1) << name << " was not verified to the end";
    const long goalKiB = 64 * 1000 * 1000 / 1024 + 4 * static_cast<long>(bytes.size()) / 1024;
    EXPECT_LE(measured.peakKiB, goalKiB) << name << ": " << bytes.size() << " bytes";
    std::printf("%s: %zu bytes, peak %ld KiB (goal %ld KiB)\n", name.c_str(), bytes.size(), measured.peakKiB,
                goalKiB);
}

TEST(VerifyPstMemory, DataTreeListingOneBlockAThousandTimes) {
    expectWithinGoal("repeated-blocks.pst", testing::pstWithRepeatedDataBlocks(1000));
}

TEST(VerifyPstMemory, ValuesWhoseDataTreesHold64MiBOfRepeatedBlocks) {
    expectWithinGoal("oversized-values.pst", testing::pstWithOversizedValueTrees(40));
}

TEST(VerifyPstMemory, ManyValuesNamingOneSubnodeOfAMebibyte) {
    expectWithinGoal("shared-subnode.pst", testing::pstWithValuesSharingOneSubnode(1000, 1024 * 1024));
}

}  // namespace
}  // namespace tessaly
