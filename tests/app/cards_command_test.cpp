// `tessaly cards`, run as a program.

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::shellQuote;
using testing::TempDir;

testing::CommandResult cards(const std::string& arguments) {
    return testing::runCommand(shellQuote(TESSALY_EXECUTABLE) + " cards " + arguments);
}

TEST(CardsCommand, PrintsEverySlotOfTheExamples) {
    // The vCard 4.0 example in lf-line-ends has LF line ends: Advance Mode reads it.
    const struct {
        std::string folder, end;
        std::vector<std::string> lines;
    } runs[] = {{"", "\n5 cards\n",
                 {"card 1\neContact_FirstName\tChidinma\neContact_LastName\tOkafor\n",
                  "eContact_Comments\tPrefers e-mail.\\nAsk about the spring catalogue, page 12.\n",
                  "eContact_BirthDay\t1988-07-23\n", "ePhoto\t.gif\n",
                  "eContact_BusinessCity\tG\xC3\xB6teborg\n",   // a Windows-1252 file
                  "eContact_LastName\t\xC3\x98stergaard\n"}},  // labelled UTF-8
                {"/lf-line-ends", "\n2 cards\n",
                 {"eContact_FirstName\t\xC3\x89lodie\n", "eContact_CellPhone\t+33-6-55-55-01-23\n",
                  "eContact_BirthDay\t1992-11-05\n"}}};
    for (const auto& [folder, end, lines] : runs) {
        const auto result =
            cards(shellQuote(std::string(TESSALY_SOURCE_DIR) + "/examples" + folder) + " --mode advance");
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        for (const std::string& line : lines) EXPECT_NE(result.out.find(line), std::string::npos) << line;
        EXPECT_TRUE(result.out.ends_with(end)) << result.out;
    }
}

TEST(CardsCommand, EscapesValuesAndNumbersCardsAcrossTheFolderVcfFilesOnly) {
    TempDir folder;
    folder.write("b.VCF", "BEGIN:VCARD\r\nNOTE:tab\there\\nback\\\\slash\r\nEND:VCARD\r\n");
    folder.write("a.vcf", "BEGIN:VCARD\r\nN:First\r\nEND:VCARD\r\n");
    folder.write(".hidden.vcf", "BEGIN:VCARD\r\nN:Hidden\r\nEND:VCARD\r\n");
    folder.write("notes.txt", "BEGIN:VCARD\r\nN:Text\r\nEND:VCARD\r\n");
    const auto result = cards(shellQuote(folder.path().string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "card 1\neContact_LastName\tFirst\ncard 2\neContact_Comments\ttab\\there\\nback\\\\slash\n2 cards\n");
}

// The fields beside the slots follow them by name; a value the record has no
// field for is named on standard error with its place, and the status is 1.
TEST(CardsCommand, ListsTheFieldsBesideTheSlotsAndNamesWhatNoFieldHolds) {
    TempDir folder;
    const std::string file = folder.write("c.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe\r\nTEL;TYPE=ISDN:12\r\n"
                                                   "X-SOCIALPROFILE:https://example.com/doe\r\nEND:VCARD\r\n")
                                 .string();
    const auto result = cards(shellQuote(file));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "card 1\neContact_LastName\tDoe\nisdnNumber\t12\n1 cards\n");
    EXPECT_EQ(result.err, file + ":5: card 1: X-SOCIALPROFILE: no field of the contact record holds it\n");
}

// Each problem goes to standard error as "file[:line]: cause"; the status is 1.
TEST(CardsCommand, ReportsEveryProblemWithTheFileAndSurvivesHostileInput) {
    TempDir folder;
    std::string junk, ends;
    for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
    for (int i = 0; i < 1000; ++i) ends += "END:VCARD\r\n";
    std::filesystem::create_directory(folder.path() / "no-vcf");
    const std::string junkFile = folder.write("junk.vcf", junk).string();
    const struct {
        std::string file, cause, out;
    } cases[] = {
        {folder.write("open.vcf", "BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:B\r\n").string(),
         ":4: card has no END:VCARD; it was not converted", "card 1\neContact_LastName\tA\n1 cards\n"},
        {folder.write("merged.vcf", "BEGIN:VCARD\r\nN:A\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD\r\n").string(),
         ":3: BEGIN:VCARD inside the card begun on line 1; the two were read as one",
         "card 1\neContact_LastName\tB\n1 cards\n"},
        {junkFile, ": read in Advance Mode (it has lines that end in LF alone)\n" + junkFile + ": no vCard found in this file",
         "0 cards\n"},
        {folder.write("ends.vcf", ends).string(), ": no vCard found in this file", "0 cards\n"},
        {folder.write("empty.vcf", "").string(), ": no vCard found in this file", "0 cards\n"},
        {(folder.path() / "missing.vcf").string(), ": No such file or directory", "0 cards\n"},
        {(folder.path() / "no-vcf").string(), ": no .vcf file in this folder", "0 cards\n"}};
    for (const auto& [file, cause, out] : cases) {
        const auto result = cards(shellQuote(file));
        EXPECT_EQ(result.status, 1) << file;
        EXPECT_EQ(result.err, file + cause + "\n");
        EXPECT_EQ(result.out, out) << file;
    }
}

// Without --mode each file is read in the mode its line ends call for; a file
// read in Advance Mode is noted, which does not change the exit status.
TEST(CardsCommand, ChoosesTheModeForEachFileUnlessOneIsGiven) {
    TempDir folder;
    folder.write("a-crlf.vcf", "BEGIN:VCARD\r\nN:Crlf\r\nEND:VCARD\r\n");
    const auto lf = folder.write("b-lf.vcf", "BEGIN:VCARD\nN:Lf\nEND:VCARD\n");
    const auto mixed = folder.write("c-mixed.vcf", "BEGIN:VCARD\r\nN:Mixed\nEND:VCARD\r\n");
    const std::string note = ": read in Advance Mode (it has lines that end in LF alone)\n";

    const auto chosen = cards(shellQuote(folder.path().string()));
    EXPECT_EQ(chosen.status, 0);
    EXPECT_EQ(chosen.err, lf.string() + note + mixed.string() + note);
    EXPECT_EQ(chosen.out,
              "card 1\neContact_LastName\tCrlf\ncard 2\neContact_LastName\tLf\ncard 3\neContact_LastName\tMixed\n"
              "3 cards\n");
    EXPECT_EQ(cards(shellQuote(folder.path().string()) + " --mode auto").out, chosen.out);

    const auto normal = cards(shellQuote(lf.string()) + " --mode normal");
    EXPECT_EQ(normal.status, 1);
    EXPECT_EQ(normal.err, lf.string() + ": no vCard found in this file (its lines end in LF alone: try --mode advance)\n");
    const auto advance = cards(shellQuote(lf.string()) + " --mode advance");
    EXPECT_EQ(advance.status, 0);
    EXPECT_EQ(advance.err, "");
}

TEST(CardsCommand, AFiftyMegabyteLineIsReadWithoutTrouble) {
    TempDir folder;
    const auto file =
        folder.write("long.vcf", "BEGIN:VCARD\r\nNOTE:" + std::string(50 << 20, 'x') + "\r\nN:Long\r\nEND:VCARD\r\n");
    const auto result = cards(shellQuote(file.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("card 1\neContact_LastName\tLong\neContact_Comments\txxx", 0), 0u);
    EXPECT_EQ(result.out.size(), 57u + (50 << 20));  // the whole note, and "1 cards"
}

TEST(CardsCommand, WrongArgumentsExitWithTwo) {
    for (const char* arguments : {"", "a.vcf --mode fast", "a.vcf --bogus"})
        EXPECT_EQ(cards(arguments).status, 2) << arguments;
    const auto help = cards("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--mode advance"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
