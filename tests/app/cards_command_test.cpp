// `tessaly cards`, run as a program.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::runCommand;
using testing::shellQuote;
using testing::TempDir;

// The peak resident set of a command, measured in a child process of its own so
// that no earlier command counts.
long peakResidentKiB(const std::string& command) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        long peak = -1;
        if (std::system(command.c_str()) == 0) {
            rusage usage{};
            getrusage(RUSAGE_CHILDREN, &usage);
            peak = usage.ru_maxrss;
        }
        if (write(channel[1], &peak, sizeof peak) != sizeof peak) _exit(1);
        _exit(0);
    }
    close(channel[1]);
    long peak = -1;
    if (read(channel[0], &peak, sizeof peak) != sizeof peak) peak = -1;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return peak;
}

testing::CommandResult cards(const std::string& arguments) {
    return runCommand(shellQuote(TESSALY_EXECUTABLE) + " cards " + arguments);
}

TEST(CardsCommand, PrintsEverySlotOfTheExamples) {
    const std::string examples = std::string(TESSALY_SOURCE_DIR) + "/examples";
    const auto result = cards(shellQuote(examples) + " --mode advance");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string& out = result.out;
    EXPECT_NE(out.find("card 1\neContact_FirstName\tChidinma\neContact_LastName\tOkafor\n"), std::string::npos);
    EXPECT_NE(out.find("eContact_Comments\tPrefers e-mail.\\nAsk about the spring catalogue, page 12.\n"),
              std::string::npos);
    EXPECT_NE(out.find("eContact_BirthDay\t1988-07-23\n"), std::string::npos);
    EXPECT_NE(out.find("ePhoto\t.gif\n"), std::string::npos);
    EXPECT_NE(out.find("eContact_BusinessCity\tG\xC3\xB6teborg\n"), std::string::npos);  // Windows-1252 file
    EXPECT_NE(out.find("eContact_LastName\t\xC3\x98stergaard\n"), std::string::npos);    // labelled UTF-8
    EXPECT_EQ(out.substr(out.size() - 8), "5 cards\n");

    // The vCard 4.0 example has LF line ends: Advance Mode reads it.
    const auto unix = cards(shellQuote(examples + "/lf-line-ends") + " --mode advance");
    EXPECT_EQ(unix.status, 0) << unix.err;
    EXPECT_NE(unix.out.find("eContact_FirstName\t\xC3\x89lodie\n"), std::string::npos);
    EXPECT_NE(unix.out.find("eContact_CellPhone\t+33-6-55-55-01-23\n"), std::string::npos);
    EXPECT_NE(unix.out.find("eContact_BirthDay\t1992-11-05\n"), std::string::npos);
    EXPECT_EQ(unix.out.substr(unix.out.size() - 8), "2 cards\n");
}

TEST(CardsCommand, EscapesValuesAndNumbersCardsAcrossFiles) {
    TempDir folder;
    folder.write("b.VCF", "BEGIN:VCARD\r\nNOTE:tab\there\\nback\\\\slash\r\nEND:VCARD\r\n");
    folder.write("a.vcf", "BEGIN:VCARD\r\nN:First\r\nEND:VCARD\r\n");
    folder.write(".hidden.vcf", "BEGIN:VCARD\r\nN:Hidden\r\nEND:VCARD\r\n");
    folder.write("notes.txt", "BEGIN:VCARD\r\nN:Text\r\nEND:VCARD\r\n");
    const auto result = cards(shellQuote(folder.path().string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "card 1\neContact_LastName\tFirst\n"
              "card 2\neContact_Comments\ttab\\there\\nback\\\\slash\n"
              "2 cards\n");
}

TEST(CardsCommand, ReportsProblemsWithTheFileAndLine) {
    TempDir folder;
    const auto file = folder.write("open.vcf", "BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:B\r\n");
    const auto result = cards(shellQuote(file.string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, file.string() + ":4: card has no END:VCARD; it was not converted\n");
    EXPECT_EQ(result.out, "card 1\neContact_LastName\tA\n1 cards\n");
}

TEST(CardsCommand, SuggestsAdvanceModeForLineFeedFiles) {
    TempDir folder;
    const auto file = folder.write("unix.vcf", "BEGIN:VCARD\nN:A\nEND:VCARD\n");
    const auto result = cards(shellQuote(file.string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              file.string() + ": no vCard found in this file (its lines end in LF alone: try --mode advance)\n");
}

TEST(CardsCommand, SurvivesHostileInputAndNamesTheFile) {
    TempDir folder;
    std::string junk, ends;
    for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
    for (int i = 0; i < 1000; ++i) ends += "END:VCARD\r\n";
    const std::string cases[] = {
        folder.write("junk.vcf", junk).string(),
        folder.write("ends.vcf", ends).string(),
        folder.write("empty.vcf", "").string(),
        (folder.path() / "missing.vcf").string(),
    };
    for (const std::string& file : cases) {
        const auto result = cards(shellQuote(file));
        EXPECT_EQ(result.status, 1) << file;
        EXPECT_EQ(result.err.rfind(file, 0), 0u) << result.err;
        EXPECT_EQ(result.out.substr(result.out.size() - 8), "0 cards\n") << file;
    }
    TempDir emptyFolder;
    const auto result = cards(shellQuote(emptyFolder.path().string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, emptyFolder.path().string() + ": no .vcf file in this folder\n");
}

TEST(CardsCommand, AFiftyMegabyteLineIsReadWithoutTrouble) {
    TempDir folder;
    const auto path = folder.path() / "long.vcf";
    {
        std::ofstream out(path, std::ios::binary);
        out << "BEGIN:VCARD\r\nNOTE:";
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 50; ++i) out << block;
        out << "\r\nN:Long\r\nEND:VCARD\r\n";
    }
    const auto result = cards(shellQuote(path.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("eContact_LastName\tLong\n"), std::string::npos);
    EXPECT_EQ(result.out.substr(result.out.size() - 8), "1 cards\n");
}

TEST(CardsCommand, MemoryDoesNotGrowWithTheNumberOfCards) {
    TempDir folder;
    const auto path = folder.path() / "many.vcf";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 200000; ++i)
            out << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Card" << i << ";Person;;;\r\nTEL;TYPE=WORK:+1 555 " << i
                << "\r\nEMAIL;TYPE=INTERNET:p" << i << "@example.com\r\nNOTE:Some text for card " << i
                << "\r\nEND:VCARD\r\n";
    }
    // About 30 MB of cards; the reader holds a line and a card at a time.
    const long peakKiB = peakResidentKiB(shellQuote(TESSALY_EXECUTABLE) + " cards " +
                                         shellQuote(path.string()) + " >/dev/null");
    EXPECT_GT(peakKiB, 0);
    EXPECT_LT(peakKiB, 16 * 1024);
}

TEST(CardsCommand, WrongArgumentsExitWithTwo) {
    EXPECT_EQ(cards("").status, 2);
    EXPECT_EQ(cards("a.vcf --mode fast").status, 2);
    EXPECT_EQ(cards("a.vcf --bogus").status, 2);
    const auto help = cards("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--mode advance"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
