// `tessaly convert` where the system refuses access: an output folder it may
// not write in and a source file it may not read. Permissions do not bind the
// superuser, so when the tests run as root the executable runs as "nobody".

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;
using testing::shellQuote;

const char kCard[] = "BEGIN:VCARD\r\nN:Reader;Rita\r\nEND:VCARD\r\n";

testing::CommandResult convertUnprivileged(const std::string& arguments) {
    const std::string asNobody = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    // A run that hangs is ended, and fails the test, rather than the suite.
    return runCommand("LC_ALL=C timeout 120 " + asNobody + shellQuote(TESSALY_EXECUTABLE) + " convert " + arguments);
}

class Permissions : public ::testing::Test {
protected:
    void SetUp() override {
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    }
    testing::TempDir dir;
};

TEST_F(Permissions, AFolderThatCannotBeWrittenInIsNamedAndKeepsWhatItHeld) {
    const fs::path source = dir.write("one.vcf", kCard);
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    testing::writeFile(out / "vCardContactsExported.xls", "an earlier sheet");
    fs::permissions(out, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() != 0) fs::permissions(out, fs::perms::owner_write, fs::perm_options::remove);

    const auto sheet = convertUnprivileged(shellQuote(source.string()) + " --out " + shellQuote(out.string()));
    EXPECT_EQ(sheet.status, 1);
    EXPECT_NE(sheet.err.find("cannot create the worksheet file \"" + (out / "vCardContactsExported.xls").string() +
                             "\": Permission denied"),
              std::string::npos)
        << sheet.err;

    const auto store = convertUnprivileged(shellQuote(source.string()) + " --to pst --out " + shellQuote(out.string()));
    EXPECT_EQ(store.status, 1);
    EXPECT_NE(store.err.find(": cannot create a file in " + out.string() + ": Permission denied"), std::string::npos)
        << store.err;

    EXPECT_EQ(testing::folderEntries(out), std::vector<fs::path>{"vCardContactsExported.xls"});
    EXPECT_EQ(testing::readFile(out / "vCardContactsExported.xls"), "an earlier sheet");
}

TEST_F(Permissions, AnUnreadableFileInAFolderIsReportedAndTheOthersConverted) {
    const fs::path source = dir.path() / "cards";
    fs::create_directory(source);
    fs::permissions(source, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    testing::writeFile(source / "a.vcf", kCard);
    testing::writeFile(source / "b.vcf", kCard);
    testing::writeFile(source / "c.vcf", kCard);
    fs::permissions(source / "b.vcf", fs::perms::none);

    for (const std::string target : {"xls", "pst"}) {
        const fs::path out = dir.path() / target;
        fs::create_directory(out);
        fs::permissions(out, fs::perms::all);
        const auto result =
            convertUnprivileged(shellQuote(source.string()) + " --to " + target + " --out " + shellQuote(out.string()));
        EXPECT_EQ(result.status, 1) << target;
        EXPECT_NE(result.out.find("Wrote 2 cards to " + out.string()), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("1 file could not be read or stopped early\n  " + (source / "b.vcf").string() +
                                  ": Permission denied\n"),
                  std::string::npos)
            << target << ": " << result.out;
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.path().extension() == ".pst") testing::expectValidPst(entry.path());
    }
}

// An output folder that may be written in but not searched: the store's name
// cannot be looked up, which ends the run with the cause.
TEST_F(Permissions, AnOutputFolderThatCannotBeSearchedEndsAStoreRunWithTheCause) {
    const fs::path source = dir.write("one.vcf", kCard);
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    fs::permissions(out, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_write);
    const auto store = convertUnprivileged(shellQuote(source.string()) + " --to pst --out " + shellQuote(out.string()));
    EXPECT_EQ(store.status, 1);
    EXPECT_NE(store.err.find(": cannot create a file in " + out.string() + ": Permission denied"), std::string::npos)
        << store.err;
    fs::permissions(out, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(out));
}

// Sources none of which can be read open no target: an earlier sheet or store
// stays as it was, and the run says why.
TEST_F(Permissions, SourcesNoneOfWhichCanBeReadLeaveTheOutputFolderAsItWas) {
    const fs::path unreadableFile = dir.write("secret.vcf", kCard);
    fs::permissions(unreadableFile, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path unlistable = dir.path() / "cards";
    fs::create_directory(unlistable);
    testing::writeFile(unlistable / "a.vcf", kCard);
    fs::permissions(unlistable, fs::perms::owner_all | fs::perms::others_exec);
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    fs::permissions(out, fs::perms::all);
    testing::writeFile(out / "vCardContactsExported.xls", "an earlier sheet");

    const struct {
        fs::path source;
        std::string cause;
    } cases[] = {{unreadableFile, unreadableFile.string() + ": Permission denied"},
                 {unlistable, unlistable.string() + ": the folder cannot be listed: Permission denied"}};
    for (const auto& [source, cause] : cases) {
        for (const std::string target : {"xls", "pst"}) {
            const auto result = convertUnprivileged(shellQuote(source.string()) + " --to " + target + " --out " +
                                                    shellQuote(out.string()));
            EXPECT_EQ(result.status, 1) << target;
            EXPECT_NE(result.err.find("No vCard file could be read: nothing was converted, and no file was written "
                                      "or changed."),
                      std::string::npos)
                << target << ": " << result.err << result.out;
            EXPECT_NE((result.out + result.err).find(cause), std::string::npos) << result.out << result.err;
            EXPECT_EQ(testing::folderEntries(out), std::vector<fs::path>{"vCardContactsExported.xls"});
            EXPECT_EQ(testing::readFile(out / "vCardContactsExported.xls"), "an earlier sheet");
        }
    }
}

}  // namespace
}  // namespace tessaly
