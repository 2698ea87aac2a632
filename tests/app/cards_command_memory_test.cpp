// The memory `tessaly cards` needs, measured on the program as built. Kept apart
// from the other tests so that sanitizer builds, which need more memory by
// design, can leave it out (the "memory" label).

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::shellQuote;
using testing::TempDir;

TEST(CardsCommand, MemoryDoesNotGrowWithTheNumberOfCards) {
    std::string many;
    for (int i = 0; i < 200000; ++i) {
        const std::string n = std::to_string(i);
        many += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Card" + n + ";Person;;;\r\nTEL;TYPE=WORK:+1 555 " + n +
                "\r\nEMAIL;TYPE=INTERNET:p" + n + "@example.com\r\nNOTE:Some text for card " + n + "\r\nEND:VCARD\r\n";
    }
    TempDir folder;
    const auto peakKiB = [](const std::filesystem::path& file) {
        const auto run = testing::runMeasuringPeak(
            shellQuote(TESSALY_EXECUTABLE) + " cards " + shellQuote(file.string()), 4ull << 30);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.peakKiB;
    };
    const long empty = peakKiB(folder.write("one.vcf", "BEGIN:VCARD\r\nN:One\r\nEND:VCARD\r\n"));
    const long full = peakKiB(folder.write("many.vcf", many));  // about 30 MB
    EXPECT_LT(full - empty, 8 * 1024) << "KiB above a file of one card";
}

}  // namespace
}  // namespace tessaly
