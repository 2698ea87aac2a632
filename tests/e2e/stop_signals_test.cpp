// `tessaly convert` told to stop by the system (a shutdown's SIGTERM, a closed
// terminal's SIGHUP) as by Ctrl-C: the run stops before the next card, keeps
// what it converted and leaves no temporary file.

#include <gtest/gtest.h>

#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::shellQuote;
using testing::TempDir;

TEST(StopSignals, TerminateAndHangUpStopTheRunAndKeepWhatWasConverted) {
    TempDir dir;
    std::string cards;
    for (int i = 0; i < 100000; ++i)
        cards += "BEGIN:VCARD\r\nN:Card" + std::to_string(i) + ";Ann\r\nEMAIL:ann" + std::to_string(i) +
                 "@example.com\r\nEND:VCARD\r\n";
    const fs::path source = dir.write("many.vcf", cards);
    // The .pst target takes seconds on these cards (the sheet takes less than
    // the signal's wait); the sheet's file is staged the same way.
    for (const std::string signal : {"TERM", "HUP"}) {
        for (const std::string target : {"pst"}) {
            SCOPED_TRACE(signal + " " + target);
            const fs::path out = dir.path() / (signal + "-" + target);
            fs::create_directory(out);
            // The signal comes once the run has written its first cards.
            const auto run = testing::runCommand(
                "LC_ALL=C " + shellQuote(TESSALY_EXECUTABLE) + " convert " + shellQuote(source.string()) + " --to " +
                target + " --out " + shellQuote(out.string()) + " & pid=$!; sleep 0.4; kill -" + signal +
                " $pid; wait $pid");
            EXPECT_EQ(run.status, 1) << run.out << run.err;
            EXPECT_NE(run.out.find("The conversion was stopped before the end."), std::string::npos) << run.out;
            const auto entries = testing::folderEntries(out);
            ASSERT_EQ(entries.size(), 1u) << "a temporary file was left behind";
            EXPECT_NE(entries[0].string()[0], '.');
            testing::expectValidPst(out / entries[0]);
        }
    }
}

}  // namespace
}  // namespace tessaly
