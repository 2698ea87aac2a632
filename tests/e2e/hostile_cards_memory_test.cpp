// The memory `tessaly` needs on cards made to exhaust it, measured on the
// program as built, for `tessaly cards` and both targets: at most 64 MB plus
// three times the file's longest line. Kept apart from the other tests so that
// sanitizer builds, which need more memory by design, can leave it out (the
// "memory" label).

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::shellQuote;

constexpr long kBaseKiB = 64 * 1024;

// The peak resident set of one run of `tessaly ARGUMENTS`, in KiB, its
// address space held to 4 GiB.
long peakKiB(const std::string& arguments) {
    const auto run = testing::runMeasuringPeak(shellQuote(TESSALY_EXECUTABLE) + " " + arguments, 4ull << 30);
    EXPECT_NE(run.status, -1000) << arguments << ": not measured";
    EXPECT_LE(run.status, 1) << arguments << ": " << run.err;  // 1: something was reported
    return run.peakKiB;
}

// Runs `tessaly cards` and the worksheet target on `file`, and the Outlook
// target unless `withStore` is false, and checks each run's peak against the
// bound for a file whose longest line is `longestLine` bytes.
void expectBoundedRuns(const testing::TempDir& dir, const fs::path& file, std::size_t longestLine,
                       bool withStore = true) {
    const long bound = kBaseKiB + static_cast<long>(3 * longestLine / 1024);
    const std::string source = shellQuote(file.string());
    const std::string out = shellQuote((dir.path() / "out").string());
    const std::pair<const char*, std::string> runs[] = {
        {"cards", "cards " + source},
        {"convert --to xls", "convert " + source + " --to xls --out " + out},
        {"convert --to pst", "convert " + source + " --to pst --out " + out}};
    for (const auto& [what, arguments] : runs) {
        if (!withStore && std::string_view(what) == "convert --to pst") continue;
        const long peak = peakKiB(arguments);
        EXPECT_LE(peak, bound) << "tessaly " << what << ": peak KiB, longest line " << longestLine << " bytes";
        std::printf("%s %s: peak %ld KiB (bound %ld KiB)\n", file.filename().c_str(), what, peak, bound);
    }
}

// One card of 32 MB of lines, each naming its character set another way:
// suffixes after "//" that the converter ignores, and names no converter
// knows. Their values are not ASCII, so every line is decoded in its set.
TEST(HostileCards, ManyCharacterSetNamesKeepMemoryBounded) {
    constexpr std::size_t kBytes = std::size_t{32} << 20;
    std::string text = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Sets;Many\r\n";
    std::size_t longest = 0;
    for (long i = 0; text.size() < kBytes; ++i) {
        const std::string n = std::to_string(i);
        const std::string line = (i % 2 == 0 ? "NOTE;CHARSET=UTF-7//" + n : "NOTE;CHARSET=X-UNKNOWN-" + n) + ":\xE9t\xE9\r\n";
        longest = std::max(longest, line.size());
        text += line;
    }
    text += "END:VCARD\r\n";
    testing::TempDir dir;
    expectBoundedRuns(dir, dir.write("sets.vcf", text), longest);
}

// Name, organisation and address values of 64 MB of ";" each: properties of a
// few parts made of millions.
TEST(HostileCards, ValuesOfManySemicolonsKeepMemoryBounded) {
    constexpr std::size_t kSemicolons = std::size_t{64} << 20;
    const std::string semicolons(kSemicolons, ';');
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    for (const char* head : {"N:", "ORG:", "ADR;TYPE=HOME:"}) text += head + semicolons + "\r\n";
    text += "FN:Semicolons\r\nEND:VCARD\r\n";
    testing::TempDir dir;
    expectBoundedRuns(dir, dir.write("semicolons.vcf", text), std::string("ADR;TYPE=HOME:").size() + kSemicolons + 2);
}

// A note and a name of 64 MB each, in a card of their own: the text is read,
// kept and printed without a copy per step. The Outlook target keeps such a
// value once per property it fills, in UTF-16, and is left out here.
TEST(HostileCards, LongTextValuesKeepMemoryBounded) {
    constexpr std::size_t kBytes = std::size_t{64} << 20;
    for (const char* head : {"NOTE:", "N:"}) {
        const std::string line = head + std::string(kBytes, 'a');
        testing::TempDir dir;
        expectBoundedRuns(dir, dir.write("long.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Long\r\n" + line +
                                                          "\r\nEND:VCARD\r\n"),
                          line.size() + 2, false);
    }
}

}  // namespace
}  // namespace tessaly
