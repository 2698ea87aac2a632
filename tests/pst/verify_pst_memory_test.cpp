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

struct Measured {
    int status = -1;  // the command's exit status; negative: ended by that signal
    long peakKiB = 0;
};

// Runs `tessaly verify-pst` on `file` in a process of its own and measures its
// peak resident set. Its address space is capped well above the goal, so that
// a verifier that would take gigabytes fails here rather than take them from
// the machine.
Measured verifyMeasured(const std::filesystem::path& file) {
    const auto result = testing::runCommand(
        "/usr/bin/python3 -c 'import resource, subprocess, sys\n"
        "cap = lambda: resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))\n"
        "done = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, "
        "preexec_fn=cap, timeout=120)\n"
        "print(done.returncode, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' " +
        shellQuote(TESSALY_EXECUTABLE) + " verify-pst " + shellQuote(file.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    Measured measured;
    std::sscanf(result.out.c_str(), "%d %ld", &measured.status, &measured.peakKiB);
    return measured;
}

void expectWithinGoal(const std::string& name, const ByteVector& bytes) {
    testing::TempDir folder;
    const auto file = folder.write(name, std::string(bytes.begin(), bytes.end()));
    const Measured measured = verifyMeasured(file);
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
