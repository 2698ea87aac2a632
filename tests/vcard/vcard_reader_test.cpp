// Card framing, hand-over, problems reported and pictures.

#include "vcard/vcard_reader.h"

#include <gtest/gtest.h>

#include "support/recording_sink.h"
#include "vcard/vcard_read_error.h"

namespace tessaly {
namespace {

using testing::readFile;
using testing::readText;
using testing::RecordingSink;
using testing::TempDir;

const std::string kTwoCards =
    "BEGIN:VCARD\r\nN:One;A\r\nEND:VCARD\r\n\r\n\r\nBEGIN:VCARD\r\nN:Two;B\r\nEND:VCARD\r\n";

TEST(Framing, EachCardIsHandedOverWithARunningNumber) {
    TempDir folder;
    const auto first = folder.write("a.vcf", kTwoCards);
    const auto second = folder.write("b.vcf", "BEGIN:VCARD\r\nN:Three\r\nEND:VCARD\r\n");
    RecordingSink sink;
    std::int32_t counter = 1;
    EXPECT_EQ(ReadvCard(first.string(), counter, {}, sink).cards, 2);
    EXPECT_EQ(ReadvCard(second.string(), counter, {}, sink).cards, 1);
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(sink.numbers, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(sink.lines, (std::vector<long>{1, 6, 1}));
    EXPECT_EQ(sink.cards[1].eContact_LastName, "Two");
    EXPECT_EQ(sink.cards[1].eContact_FirstName, "B");
    EXPECT_EQ(sink.cards[2].eContact_FirstName, "");  // cleared between cards
}

TEST(Framing, LineFeedFilesNeedAdvanceMode) {
    const std::string lf = "BEGIN:VCARD\nN:One\nEND:VCARD\nBEGIN:VCARD\nN:Two\nEND:VCARD\n";
    const auto normal = readText(lf, ReadMode::Normal);
    EXPECT_EQ(normal.sink.cards.size(), 0u);
    EXPECT_TRUE(normal.summary.sawLoneLineFeed);
    EXPECT_EQ(readText(lf, ReadMode::Advance).sink.cards.size(), 2u);
    EXPECT_EQ(readText(kTwoCards, ReadMode::Advance).sink.cards.size(), 2u);
}

TEST(Framing, FrameLinesMatchInAnyCaseAndIndented) {
    const auto result = readText("begin:vcard\r\nN:Low\r\n  End:VCard  \r\n\xEF\xBB\xBF");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].eContact_LastName, "Low");
}

TEST(Framing, AByteOrderMarkDoesNotCostTheFirstCard) {
    const auto result = readText("\xEF\xBB\xBF" + kTwoCards);
    EXPECT_EQ(result.sink.cards.size(), 2u);
    EXPECT_EQ(result.sink.cards[0].eContact_LastName, "One");
}

TEST(Framing, LinesOutsideCardsFillNothingAndStrayEndsHandOverNothing) {
    const auto result = readText("N:Outside\r\nEND:VCARD\r\nEND:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].eContact_LastName, "");
    EXPECT_TRUE(result.sink.problems.empty());
}

TEST(Framing, AnOpenCardAtTheEndIsReportedNotHandedOver) {
    const auto result = readText("BEGIN:VCARD\r\nN:Done\r\nEND:VCARD\r\n\r\nBEGIN:VCARD\r\nN:Cut\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    ASSERT_EQ(result.sink.problems.size(), 1u);
    EXPECT_EQ(result.sink.problems[0].kind, ReadProblemKind::IncompleteCard);
    EXPECT_EQ(result.sink.problems[0].line, 5);
}

TEST(Framing, ABeginInsideAnOpenCardMergesAndIsReported) {
    const auto result =
        readText("BEGIN:VCARD\nN:First\nBEGIN:VCARD\nTITLE:Second\nEND:VCARD\n", ReadMode::Advance);
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].eContact_LastName, "First");
    EXPECT_EQ(result.sink.cards[0].eContact_Profession, "Second");
    ASSERT_EQ(result.sink.problems.size(), 1u);
    EXPECT_EQ(result.sink.problems[0].kind, ReadProblemKind::MergedCard);
    EXPECT_EQ(result.sink.problems[0].line, 3);
}

TEST(Framing, UnreadableFilesAndOverlongLinesThrowWithTheFileName) {
    RecordingSink sink;
    std::int32_t counter = 1;
    try {
        ReadvCard("/nonexistent/cards.vcf", counter, {}, sink);
        FAIL();
    } catch (const VcardReadError& error) {
        EXPECT_EQ(std::string(error.what()), "/nonexistent/cards.vcf: No such file or directory");
    }
    ReaderOptions small;
    small.maxLineBytes = 100;
    EXPECT_THROW(readText(kTwoCards + "BEGIN:VCARD\r\nNOTE:" + std::string(200, 'x') + "\r\n", small),
                 VcardReadError);
}

TEST(Framing, AHostCanStopTheReading) {
    struct StoppingSink : RecordingSink {
        bool keepReading() override { return false; }
    } sink;
    std::string many;
    for (int i = 0; i < 3000; ++i) many += "BEGIN:VCARD\r\nN:x\r\nEND:VCARD\r\n";
    TempDir folder;
    std::int32_t counter = 1;
    const auto summary = ReadvCard(folder.write("m.vcf", many).string(), counter, {}, sink);
    EXPECT_TRUE(summary.stoppedByHost);
    EXPECT_LT(sink.cards.size(), 3000u);
}

// A 1x1 GIF picture.
const std::string kGif64 = "R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==";
const std::string kGifStart = "GIF89a";

class Pictures : public ::testing::Test {
protected:
    testing::ReadResult read(const std::string& text, ReadMode mode = ReadMode::Normal) {
        ReaderOptions options;
        options.mode = mode;
        options.pictureFolder = folder.path() / "vCardPictures";
        return readText(text, options);
    }
    std::string picture(const std::string& name) { return readFile(folder.path() / "vCardPictures" / name); }
    TempDir folder;
};

TEST_F(Pictures, Version21PictureOnIndentedLines) {
    const auto result = read("BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64;TYPE=GIF:\r\n " + kGif64.substr(0, 20) +
                             "\r\n " + kGif64.substr(20) + "\r\n\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].ePhoto, (folder.path() / "vCardPictures" / ".gif").string());
    EXPECT_EQ(picture(".gif").substr(0, 6), kGifStart);
    EXPECT_EQ(picture(".gif").size(), 43u);
}

TEST_F(Pictures, Version21PictureOnUnindentedLinesEndsAtTheNextProperty) {
    const auto result = read("BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nPHOTO;BASE64:\r\n\r\n" +
                             kGif64.substr(0, 30) + "\r\n" + kGif64.substr(30) + "\r\nTITLE:T\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 2u);
    EXPECT_EQ(result.sink.cards[1].ePhoto, (folder.path() / "vCardPictures" / "1.gif").string());
    EXPECT_EQ(result.sink.cards[1].eContact_Profession, "T");
    EXPECT_EQ(picture("1.gif").substr(0, 6), kGifStart);
}

TEST_F(Pictures, Version30InlineFoldedAndVersion40DataUri) {
    const auto result = read("BEGIN:VCARD\nPHOTO;ENCODING=b;TYPE=GIF:" + kGif64.substr(0, 10) + "\n " +
                                 kGif64.substr(10) + "\nEND:VCARD\nBEGIN:VCARD\nPHOTO:data:image/gif;base64," +
                                 kGif64 + "\nEND:VCARD\n",
                             ReadMode::Advance);
    ASSERT_EQ(result.sink.cards.size(), 2u);
    EXPECT_EQ(picture(".gif").size(), 43u);
    EXPECT_EQ(picture("1.gif"), picture(".gif"));
    EXPECT_FALSE(result.sink.cards[1].ePhoto.empty());
}

TEST_F(Pictures, EndRightAfterPhotoIsNeverPictureDataAndLinksGiveNoPicture) {
    const auto result = read(
        "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nPHOTO;VALUE=URI:http://example.com/me.jpg\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nPHOTO;VALUE=URL:example.com/me.jpg\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 3u);
    for (const auto& card : result.sink.cards) EXPECT_EQ(card.ePhoto, "");
    EXPECT_TRUE(result.sink.problems.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "vCardPictures"));
}

TEST_F(Pictures, UndecodableDataIsReportedAndTheCardGoesOn) {
    const auto result =
        read("BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:not*base64\r\nN:Kept\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].eContact_LastName, "Kept");
    EXPECT_EQ(result.sink.cards[0].ePhoto, "");
    ASSERT_EQ(result.sink.problems.size(), 1u);
    EXPECT_EQ(result.sink.problems[0].kind, ReadProblemKind::PictureUndecodable);
    EXPECT_EQ(result.sink.problems[0].line, 2);
}

TEST_F(Pictures, WithoutAFolderOnlyTheNameIsGiven) {
    const auto result = readText("BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:" + kGif64 + "\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].ePhoto, ".gif");
}

TEST_F(Pictures, AFolderThatCannotBeMadeIsReported) {
    testing::writeFile(folder.path() / "vCardPictures", "a file in the way");
    const auto result = read("BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:" + kGif64 + "\r\nEND:VCARD\r\n");
    ASSERT_EQ(result.sink.cards.size(), 1u);
    EXPECT_EQ(result.sink.cards[0].ePhoto, "");
    ASSERT_EQ(result.sink.problems.size(), 1u);
    EXPECT_EQ(result.sink.problems[0].kind, ReadProblemKind::PictureNotWritten);
}

}  // namespace
}  // namespace tessaly
