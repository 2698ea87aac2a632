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
        EXPECT_EQ(error.cause(), path + ": cannot create a file in " + folder.string() + ": No such file or directory");
        EXPECT_EQ(std::string(error.what()),
                  "Outlook Session Creation Error !\r\nCheck if Outlook is installed and configured.\r\n"
                  "For more details visit this link : file://" TESSALY_DOC_DIR "/README.md#troubleshooting\r\n" +
                      error.cause());
    }
    session.close();  // nothing is left to log off
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tessaly::outlook
