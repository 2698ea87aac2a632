// The staged file: positioned writes through its buffer, a unique temporary
// name beside the final one, and what a failing sync or rename leaves behind.

#include "common/staged_file.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "common/held_folder.h"
#include "common/numbered_name.h"
#include "support/failing_file_calls.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::folderEntries;
using testing::readFile;
using testing::TempDir;

// A file system without unnamed files (the named fallback), unless `allow`.
class NoUnnamedFiles : public testing::FailingFileCalls {
public:
    int createUnnamed(int folder) override {
        if (allow) return FailingFileCalls::createUnnamed(folder);
        errno = EOPNOTSUPP;
        return -1;
    }
    bool allow = false;
};

TEST(StagedFile, WritesWhereAskedThroughItsBufferAndReplacesTheFinalFileOnlyOnCommit) {
    TempDir dir;
    const auto path = dir.write("out.bin", "earlier");
    StagedFile file(8);  // a small buffer, so writes go past it and around it
    ASSERT_EQ(file.open(path), 0);
    EXPECT_EQ(file.write("abc"), 0);
    EXPECT_EQ(file.writeAt(12, "xy"), 0);              // a gap, as a block placed further on
    EXPECT_EQ(file.write("0123456789"), 0);            // larger than the buffer: written at once
    EXPECT_EQ(file.position(), 24u);
    EXPECT_EQ(file.writeAt(0, "Z"), 0);                // a header, written last
    EXPECT_EQ(file.size(), 24u);
    EXPECT_EQ(readFile(path), "earlier");              // the final name is untouched until commit
    EXPECT_EQ(folderEntries(dir.path()).size(), 1u);   // and the file being written has no name
    EXPECT_EQ(file.commit(), 0);
    EXPECT_EQ(readFile(path), std::string("Zbc\0\0\0\0\0\0\0\0\0xy0123456789", 24));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::filesystem::path>{"out.bin"});
    // Committed, it takes no more bytes.
    EXPECT_EQ(file.write("x"), EBADF);
    EXPECT_EQ(StagedFile().write("x"), EBADF);
}

TEST(StagedFile, TwoWritersOfOneNameGetTemporaryFilesOfTheirOwnAndLeaveOtherFilesAlone) {
    TempDir dir;
    // A file named as another program might name its own temporary file.
    const auto bystander = dir.write("out.bin.tmp", "someone else's");
    StagedFile first, second;
    ASSERT_EQ(first.open(dir.path() / "out.bin"), 0);
    ASSERT_EQ(second.open(dir.path() / "out.bin"), 0);
    EXPECT_EQ(first.write("first"), 0);
    EXPECT_EQ(second.write("second"), 0);
    second.abandon();
    EXPECT_EQ(first.commit(), 0);
    EXPECT_EQ(readFile(dir.path() / "out.bin"), "first");
    EXPECT_EQ(readFile(bystander), "someone else's");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::filesystem::path>{"out.bin", "out.bin.tmp"}));
}

TEST(StagedFile, AFileThatKeepsAnExistingOneFailsToCommitOverIt) {
    TempDir dir;
    const auto path = dir.write("out.bin", "earlier");
    StagedFile file(StagedFile::kDefaultBufferSize, StagedFile::Existing::Keep);
    ASSERT_EQ(file.open(path), 0);
    EXPECT_EQ(file.write("new"), 0);
    EXPECT_EQ(file.commit(), EEXIST);
    file.abandon();
    EXPECT_EQ(readFile(path), "earlier");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::filesystem::path>{"out.bin"});
    ASSERT_EQ(file.open(dir.path() / "free.bin"), 0);
    EXPECT_EQ(file.write("new"), 0);
    EXPECT_EQ(file.commit(), 0);
    EXPECT_EQ(readFile(dir.path() / "free.bin"), "new");
}

// A name taken while the file was written: the file goes to the next free
// numbered name after the one it was opened for, and says which.
TEST(StagedFile, AFileThatTakesTheNextFreeNameLeavesTakenNamesAlone) {
    TempDir dir;
    StagedFile file(StagedFile::kDefaultBufferSize, StagedFile::Existing::NextFreeName);
    ASSERT_EQ(file.open(dir.path() / "out (2).bin"), 0);
    dir.write("out.bin", "first");
    dir.write("out (2).bin", "second");
    dir.write("out (4).bin", "fourth");
    EXPECT_EQ(file.write("third"), 0);
    EXPECT_EQ(file.commit(), 0);
    EXPECT_EQ(file.finalPath(), dir.path() / "out (3).bin");
    EXPECT_EQ(readFile(dir.path() / "out (3).bin"), "third");
    EXPECT_EQ(readFile(dir.path() / "out (2).bin"), "second");
    EXPECT_EQ(folderEntries(dir.path()).size(), 4u);

    // Names that only look numbered are the first of their own.
    EXPECT_EQ(splitNumberedName("/d/a (1).pst").first, "/d/a (1).pst");
    EXPECT_EQ(splitNumberedName("/d/a (02).pst").copy, 1);
    EXPECT_EQ(splitNumberedName("/d/a (1001).pst").copy, 1);
    EXPECT_EQ(splitNumberedName("/d/a (1000).pst").copy, 1000);
    EXPECT_EQ(numberedName("/d/Contacts5.12.26 14.3.09.pst", 7), "/d/Contacts5.12.26 14.3.09 (7).pst");
}

// A folder others can write in: names planted where a temporary file's name
// could be guessed take nothing from the run, and a writer killed before its
// commit leaves no file holding what it wrote.
TEST(StagedFile, PlantedNamesBlockNothingAndAKilledWriterLeavesNothingBehind) {
    TempDir dir;
    for (int i = 0; i < 100; ++i)
        dir.write(".out.bin." + std::to_string(::getpid()) + "-" + std::to_string(i) + ".tmp", "planted");
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named file");
        NoUnnamedFiles named;
        if (unnamed) named.allow = true;
        StagedFile file;
        ASSERT_EQ(file.open(dir.path() / "out.bin"), 0);
        EXPECT_EQ(file.write("new"), 0);
        EXPECT_EQ(file.commit(), 0);
        EXPECT_EQ(readFile(dir.path() / "out.bin"), "new");
        EXPECT_EQ(folderEntries(dir.path()).size(), 101u);
    }

    TempDir killed;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StagedFile file;
        if (file.open(killed.path() / "out.bin") != 0 || file.write("every contact so far") != 0) ::_exit(1);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(folderEntries(killed.path()).empty());
}

// A folder held open: the file is made, named and renamed in that folder
// even when its name leads elsewhere by the time of the commit (a folder
// swapped for a link by whoever can write its parent).
TEST(StagedFile, AFileInAFolderHeldOpenGoesThereWhateverItsNameLeadsToLater) {
    TempDir dir;
    const std::filesystem::path chosen = dir.path() / "out", moved = dir.path() / "moved",
                                elsewhere = dir.path() / "elsewhere";
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named file");
        std::filesystem::remove_all(chosen);
        std::filesystem::remove_all(moved);
        std::filesystem::remove_all(elsewhere);
        std::filesystem::create_directory(chosen);
        std::filesystem::create_directory(elsewhere);
        NoUnnamedFiles named;
        named.allow = unnamed;
        HeldFolder held;
        ASSERT_EQ(held.open(chosen), 0);
        EXPECT_EQ(held.path(), chosen);
        StagedFile file;
        ASSERT_EQ(file.open(chosen / "out.bin"), 0);
        std::filesystem::rename(chosen, moved);
        std::filesystem::create_directory_symlink(elsewhere, chosen);
        EXPECT_EQ(file.write("new"), 0);
        EXPECT_EQ(file.commit(), 0);
        EXPECT_EQ(readFile(moved / "out.bin"), "new");
        EXPECT_TRUE(folderEntries(elsewhere).empty());
        EXPECT_EQ(held.currentPath(), moved);
    }
    // A link at the folder's own name is not opened.
    HeldFolder link;
    EXPECT_EQ(link.open(chosen), ENOTDIR);
}

// The sheet's owner made it private: the sheet that replaces it stays so.
TEST(StagedFile, AFileThatReplacesAnotherKeepsItsPermissions) {
    TempDir dir;
    const auto path = dir.write("out.bin", "earlier");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    StagedFile file;
    ASSERT_EQ(file.open(path), 0);
    EXPECT_EQ(file.write("new"), 0);
    EXPECT_EQ(file.commit(), 0);
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(StagedFile, AFailedSyncStillClosesTheFileAndKeepsTheFinalNameAsItWas) {
    TempDir dir;
    const auto path = dir.write("out.bin", "earlier");
    testing::FailingFileCalls faults;
    faults.syncError = EIO;
    StagedFile file;
    ASSERT_EQ(file.open(path), 0);
    EXPECT_EQ(file.write("new"), 0);
    EXPECT_EQ(file.commit(), EIO);
    EXPECT_EQ(faults.closed.size(), 1u);  // the descriptor did not leak
    EXPECT_EQ(file.commit(), EIO);        // the failure stays
    file.abandon();
    EXPECT_EQ(faults.closed.size(), 1u);  // and is not closed twice
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::filesystem::path>{"out.bin"});
    EXPECT_EQ(readFile(path), "earlier");
}

TEST(StagedFile, AsksTheDiskToStartWritingEachStepAsTheFileGrowsAndNeedsNoAnswer) {
    TempDir dir;
    testing::FailingFileCalls faults;
    faults.writebackError = EINVAL;  // as where the file system has no such call
    constexpr std::uint64_t step = StagedFile::kWritebackStep;
    const std::string piece(step / 4, 'p');
    StagedFile file;
    ASSERT_EQ(file.open(dir.path() / "out.bin"), 0);
    for (int i = 0; i < 9; ++i) ASSERT_EQ(file.write(piece), 0);
    EXPECT_EQ(file.commit(), 0);
    // Each request starts where the last ended, once a step's bytes are out;
    // the last quarter step is left to the sync.
    ASSERT_EQ(faults.writebacks.size(), 2u);
    EXPECT_EQ(faults.writebacks[0].offset, 0u);
    EXPECT_EQ(faults.writebacks[0].size, step);
    EXPECT_EQ(faults.writebacks[1].offset, step);
    EXPECT_EQ(faults.writebacks[1].size, step);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "out.bin"), 9 * piece.size());
}

// Past each sync step the data is synced on a thread of its own, a help the
// commit does not depend on: a failing one leaves the commit to its own sync.
TEST(StagedFile, SyncsTheDataAsTheFileGrowsAndCommitsWhateverThoseSyncsGive) {
    TempDir dir;
    testing::FailingFileCalls faults;
    faults.dataSyncError = EIO;
    const std::string piece(StagedFile::kDataSyncStep / 2, 's');
    StagedFile small;
    ASSERT_EQ(small.open(dir.path() / "small.bin"), 0);
    ASSERT_EQ(small.write(piece), 0);
    EXPECT_EQ(small.commit(), 0);
    EXPECT_EQ(faults.dataSyncs, 0);
    StagedFile large;
    ASSERT_EQ(large.open(dir.path() / "large.bin"), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(large.write(piece), 0);
    EXPECT_EQ(large.commit(), 0);
    // Two steps asked for; one asked while another runs is served with it.
    EXPECT_GE(faults.dataSyncs, 1);
    EXPECT_LE(faults.dataSyncs, 2);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "large.bin"), 5 * piece.size());
}

TEST(StagedFile, AFullDiskFailsTheWriteThatMeetsItAndEveryOneAfter) {
    TempDir dir;
    testing::FailingFileCalls faults;
    faults.bytesUntilFull = 5;
    StagedFile file(4);
    ASSERT_EQ(file.open(dir.path() / "out.bin"), 0);
    EXPECT_EQ(file.write("abc"), 0);      // buffered
    EXPECT_EQ(file.write("def"), 0);      // sends "abc" out
    EXPECT_EQ(file.write("ghi"), ENOSPC);  // "def" meets the full disk
    EXPECT_EQ(file.writeAt(0, "x"), ENOSPC);
    EXPECT_EQ(file.commit(), ENOSPC);
    file.abandon();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tessaly
