// The store session of a run: the dated names, a new file whatever is in the
// folder, the set-up failure's message, and the file finished at the end.

#include "outlook/store_session.h"

#include <gtest/gtest.h>

#include "support/pst_objects.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::outlook {
namespace {

std::tm at(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(StoreSessionNames, StampsHaveNoLeadingZerosButTheSecondsAndTheYearsLastTwoDigits) {
    EXPECT_EQ(timeStamp(at(2026, 12, 5, 14, 3, 9)), "5.12.26 14.3.09");
    EXPECT_EQ(timeStamp(at(2005, 1, 1, 0, 0, 0)), "1.1.05 0.0.00");
    EXPECT_EQ(timeStamp(at(2030, 10, 31, 23, 59, 59)), "31.10.30 23.59.59");
    // A folder at the root of the file system: no separator is added twice.
    EXPECT_EQ(freePstPath("/", "5.12.26 14.3.09"), std::filesystem::path("/Contacts5.12.26 14.3.09.pst"));
}

TEST(StoreSession, TwoRunsInOneSecondMakeTwoFilesAndEachNameReadsTheClockAnew) {
    testing::TempDir dir;
    int reading = 0;
    // Every reading of the clock is one second later.
    const LocalClock clock = [&reading] { return at(2026, 12, 5, 14, 3, 9 + (reading++ % 2)); };
    std::vector<std::filesystem::path> paths;
    for (int run = 0; run < 2; ++run) {
        StoreSession session(clock, testing::fixedOptions());
        session.open(dir.path().string() + "/");
        EXPECT_EQ(session.StoreDisplayName(), "Imported Contacts : Created - 5.12.26 14.3.10");
        EXPECT_EQ(session.objSession().GetStoreFromID(session.PSTStoreID())->EntryID(), session.PSTStoreID());
        session.close();
        paths.push_back(session.PSTPath());
    }
    EXPECT_EQ(paths[0], dir.path() / "Contacts5.12.26 14.3.09.pst");
    EXPECT_EQ(paths[1], dir.path() / "Contacts5.12.26 14.3.09 (2).pst");
    for (const auto& path : paths) {
        testing::expectValidPst(path);
        const auto store = testing::keyedValues(testing::readPstObjects(path).store, {});
        EXPECT_EQ(store.at("0x3001").bytes, testing::utf16("Imported Contacts : Created - 5.12.26 14.3.10"));
    }
}

TEST(StoreSession, ASetUpFailureSaysWhyAndLeavesNothingBehind) {
    testing::TempDir dir;
    const auto folder = dir.path() / "missing";
    StoreSession session([] { return at(2026, 12, 5, 14, 3, 9); });
    try {
        session.open(folder);
        FAIL() << "no error";
    } catch (const StoreSessionError& error) {
        const std::string path = (folder / "Contacts5.12.26 14.3.09.pst").string();
        EXPECT_EQ(std::string(error.what()),
                  path + ": cannot create a file in " + folder.string() + ": No such file or directory");
    }
    session.close();  // nothing is left to log off
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Any answer but "no such file" ends the search for a free name with its cause:
// a folder that cannot be searched, a name too long. So does a folder whose
// every numbered name is taken.
TEST(StoreSessionNames, TheSearchForAFreeNameStopsAtAnyOtherAnswerAndIsBounded) {
    testing::TempDir dir;
    const std::string stamp = "5.12.26 14.3.09";
    const std::string tooLong = dir.path().string() + "/" + std::string(300, 'f');
    const struct {
        std::string folder, cause;
    } cases[] = {{tooLong, tooLong + "/Contacts" + stamp + ".pst: cannot create a file in " + tooLong +
                               ": File name too long"},
                 {dir.path().string() + "/file", dir.path().string() + "/file/Contacts" + stamp +
                                                     ".pst: cannot create a file in " + dir.path().string() +
                                                     "/file: Not a directory"}};
    testing::writeFile(dir.path() / "file", "");
    for (const auto& [folder, cause] : cases) {
        try {
            freePstPath(folder, stamp);
            FAIL() << folder;
        } catch (const AutomationError& error) {
            EXPECT_EQ(std::string(error.what()), cause);
        }
    }

    testing::TempDir full;
    testing::writeFile(full.path() / ("Contacts" + stamp + ".pst"), "");
    for (int copy = 2; copy <= 1000; ++copy)
        testing::writeFile(full.path() / ("Contacts" + stamp + " (" + std::to_string(copy) + ").pst"), "");
    try {
        freePstPath(full.path(), stamp);
        FAIL() << "a name was found";
    } catch (const AutomationError& error) {
        EXPECT_EQ(std::string(error.what()), (full.path() / ("Contacts" + stamp + ".pst")).string() +
                                                 ": this name and its 999 numbered copies are all taken in " +
                                                 full.path().string());
    }
}

// Two runs that chose one name: the second to finish commits under the next
// free numbered name and says so, and both files are whole.
TEST(StoreSession, ANameTakenWhileTheStoreWasWrittenGivesTheNextFreeName) {
    testing::TempDir dir;
    const LocalClock clock = [] { return at(2026, 12, 5, 14, 3, 9); };
    StoreSession first(clock, testing::fixedOptions()), second(clock, testing::fixedOptions());
    first.open(dir.path());
    second.open(dir.path());
    EXPECT_EQ(first.PSTPath(), second.PSTPath());
    first.close();
    second.close();
    EXPECT_EQ(first.PSTPath(), dir.path() / "Contacts5.12.26 14.3.09.pst");
    EXPECT_EQ(second.PSTPath(), dir.path() / "Contacts5.12.26 14.3.09 (2).pst");
    for (const auto& path : {first.PSTPath(), second.PSTPath()}) testing::expectValidPst(path);
}

}  // namespace
}  // namespace tessaly::outlook
