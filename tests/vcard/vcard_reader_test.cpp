// Card framing, hand-over, problems reported and pictures.

#include "vcard/vcard_reader.h"

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

using testing::readFile;
using testing::readText;
using testing::RecordingSink;
using testing::slotsOf;
using testing::TempDir;

TEST(Framing, CardsAreHandedOverWithNumbersRunningOnAcrossFilesAndTheirFirstLine) {
    TempDir folder;
    const auto first =
        folder.write("a.vcf", "BEGIN:VCARD\r\nN:One;A\r\nEND:VCARD\r\n\r\n\r\nBEGIN:VCARD\r\nN:Two;B\r\nEND:VCARD\r\n");
    const auto second = folder.write("b.vcf", "BEGIN:VCARD\r\nN:Three\r\nEND:VCARD\r\n");
    RecordingSink sink;
    std::int32_t counter = 1;
    EXPECT_EQ(ReadvCard(first.string(), counter, {}, sink).cards, 2);
    EXPECT_EQ(ReadvCard(second.string(), counter, {}, sink).cards, 1);
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(sink.numbers, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(sink.lines, (std::vector<long>{1, 6, 1}));
    EXPECT_EQ(slotsOf(sink.cards[1]), "FirstName=B|LastName=Two");
    EXPECT_EQ(slotsOf(sink.cards[2]), "LastName=Three");  // cleared between cards
}

TEST(Framing, FrameLinesMatchInAnyCaseIndentedAndStrayEndsOrOutsideLinesFillNothing) {
    const auto result = readText("N:Outside\r\nEND:VCARD\r\n  begin:vcard\r\nN:Low\r\n  End:VCard  \r\nend:vcard\r\n");
    ASSERT_EQ(result.cards.size(), 1u);
    EXPECT_EQ(slotsOf(result.cards[0]), "LastName=Low");
    EXPECT_TRUE(result.problems.empty());
}

TEST(Framing, MergedAndOpenCardsAreReportedWithTheirPhysicalLine) {
    const auto result = readText("BEGIN:VCARD\nN:First\nBEGIN:VCARD\nTITLE:Second\nEND:VCARD\n\nBEGIN:VCARD\nN:Cut\n",
                                 ReadMode::Advance);
    ASSERT_EQ(result.cards.size(), 1u);
    EXPECT_EQ(slotsOf(result.cards[0]), "LastName=First|Profession=Second");
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(result.problems[0].kind, ReadProblemKind::MergedCard);
    EXPECT_EQ(result.problems[0].line, 3);
    EXPECT_EQ(result.problems[1].kind, ReadProblemKind::IncompleteCard);
    EXPECT_EQ(result.problems[1].line, 7);
    EXPECT_NE(result.problems[1].file.find("cards.vcf"), std::string::npos);
}

// A U+0000 never reaches a value: quoted-printable "=00" and a raw NUL alike
// are left out where the line is decoded, and counted line by line.
TEST(Framing, NulCharactersAreLeftOutOfValuesAndReported) {
    const auto result = readText(std::string("BEGIN:VCARD\r\nN;ENCODING=QUOTED-PRINTABLE:Sm=00ith;Ann\r\n"
                                             "EMAIL:a\0nn@exam\0ple.com\r\nEND:VCARD\r\n",
                                             91));
    ASSERT_EQ(result.cards.size(), 1u);
    EXPECT_EQ(slotsOf(result.cards[0]), "FirstName=Ann|LastName=Smith|Email=ann@example.com");
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(result.problems[0].kind, ReadProblemKind::NulCharacterLeftOut);
    EXPECT_EQ(result.problems[0].line, 2);
    EXPECT_EQ(result.problems[0].count, 1u);
    EXPECT_EQ(result.problems[0].cause, "1 NUL character left out of N");
    EXPECT_EQ(result.problems[1].line, 3);
    EXPECT_EQ(result.problems[1].count, 2u);
    EXPECT_EQ(result.problems[1].cause, "2 NUL characters left out of EMAIL");
}

// A 1x1 GIF picture.
const std::string kGif64 = "R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==";

TEST(Pictures, EveryPayloadFormIsWrittenAndWhatIsNoPictureWritesNothing) {
    TempDir folder;
    const auto pictures = folder.path() / "vCardPictures";
    const auto result = readText(
        // vCard 2.1 on indented lines, ending at an empty line.
        "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64;TYPE=GIF:\r\n " + kGif64.substr(0, 20) + "\r\n " + kGif64.substr(20) +
            "\r\n\r\nEND:VCARD\r\n"
            // vCard 2.1 on unindented lines after an empty one, ending at the next property.
            "BEGIN:VCARD\r\nPHOTO;BASE64:\r\n\r\n" + kGif64.substr(0, 30) + "\r\n" + kGif64.substr(30) +
            "\r\nTITLE:T\r\nEND:VCARD\r\n"
            // vCard 3.0 inline and folded; vCard 4.0 as a data: URI.
            "BEGIN:VCARD\r\nPHOTO;ENCODING=b;TYPE=GIF:" + kGif64.substr(0, 10) + "\r\n " + kGif64.substr(10) +
            "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nPHOTO:data:image/gif;base64," + kGif64 + "\r\nEND:VCARD\r\n"
            // No payload before END:VCARD; links; data that is not Base64 (line 29).
            "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nPHOTO;VALUE=URI:http://example.com/me.jpg\r\nPHOTO;VALUE=URL:example.com/me.jpg\r\n"
            "END:VCARD\r\nBEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:not*base64\r\nN:Kept\r\nEND:VCARD\r\n",
        ReadMode::Normal, pictures);
    ASSERT_EQ(result.cards.size(), 7u);
    const std::string names[] = {".gif", "1.gif", "2.gif", "3.gif"};
    for (int card = 0; card < 4; ++card) {
        EXPECT_EQ(result.cards[card].ePhoto, (pictures / names[card]).string());
        const std::string gif = readFile(pictures / names[card]);
        EXPECT_EQ(gif.size(), 43u) << card;
        EXPECT_EQ(gif.substr(0, 6), "GIF89a") << card;
    }
    EXPECT_EQ(slotsOf(result.cards[1]), "Profession=T|ePhoto=" + (pictures / "1.gif").string());
    EXPECT_EQ(slotsOf(result.cards[4]), "");
    EXPECT_EQ(slotsOf(result.cards[5]), "");
    EXPECT_EQ(slotsOf(result.cards[6]), "LastName=Kept");
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].kind, ReadProblemKind::PictureUndecodable);
    EXPECT_EQ(result.problems[0].line, 29);
}

TEST(Pictures, WithoutAFolderOnlyTheNameIsGivenAndAFolderThatCannotBeMadeIsReported) {
    const std::string card = "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:" + kGif64 + "\r\nEND:VCARD\r\n";
    EXPECT_EQ(slotsOf(readText(card).cards.at(0)), "ePhoto=.gif");
    TempDir folder;
    testing::writeFile(folder.path() / "vCardPictures", "a file in the way");
    const auto result = readText(card, ReadMode::Normal, folder.path() / "vCardPictures");
    EXPECT_EQ(slotsOf(result.cards.at(0)), "");
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].kind, ReadProblemKind::PictureNotWritten);
}

}  // namespace
}  // namespace tessaly
