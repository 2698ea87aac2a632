// Raw lines cut by the mode, quoted-printable soft breaks joined, folds
// undone, the file's bytes decoded, and the line limit.

#include "vcard/line_reader.h"

#include <gtest/gtest.h>

#include "support/encodings.h"
#include "support/test_files.h"
#include "vcard/vcard_read_error.h"

namespace tessaly {
namespace {

using Texts = std::vector<std::string>;

struct Lines {
    Texts text;
    std::vector<long> numbers;
    bool loneLineFeed = false;
};

Lines cut(const std::string& bytes, ReadMode mode = ReadMode::Normal, std::size_t maxLine = 1 << 20) {
    testing::TempDir folder;
    const auto file = folder.write("lines.vcf", bytes);
    ByteSource source(file.string());
    LineReader reader(source, mode, maxLine, file.string());
    Lines lines;
    for (LogicalLine line; reader.next(line);) {
        lines.text.emplace_back(line.bytes);
        lines.numbers.push_back(line.number);
    }
    lines.loneLineFeed = reader.sawLoneLineFeed();
    return lines;
}

TEST(LineCutting, NormalModeEndsLinesAtCarriageReturnsOnlyAdvanceModeAtLineFeedsTooAndDropsEmptyOnes) {
    const Lines normal = cut("A:1\r\nB:2\rC:3\nD:4\r\n\r\nE:5");
    EXPECT_EQ(normal.text, (Texts{"A:1", "B:2", "C:3\nD:4", "", "E:5"}));
    EXPECT_EQ(normal.numbers, (std::vector<long>{1, 2, 3, 5, 6}));
    EXPECT_TRUE(normal.loneLineFeed);
    const Lines advance = cut("A:1\r\n\r\nB:2\nC:3\n\nD:4\r\n", ReadMode::Advance);
    EXPECT_EQ(advance.text, (Texts{"A:1", "B:2", "C:3", "", "D:4"}));
    EXPECT_EQ(advance.numbers, (std::vector<long>{1, 3, 4, 5, 6}));
}

TEST(LineCutting, CarriageReturnLineFeedSplitAcrossReadChunksIsOneLineEnd) {
    const Lines lines = cut("N:" + std::string(65536 - 3, 'x') + "\r\nB:2\r\n");  // the CR ends the first chunk
    EXPECT_EQ(lines.text.size(), 2u);
    EXPECT_EQ(lines.text.back(), "B:2");
    EXPECT_FALSE(lines.loneLineFeed);
}

TEST(LineCutting, LineEndsAtEveryPlaceOfTheSixteenByteSteps) {
    std::string normal, advance;
    Texts expected;
    for (int length = 0; length <= 40; ++length) {
        expected.push_back("X:" + std::string(static_cast<std::size_t>(length), 'a' + length % 26));
        normal += expected.back() + "\r\n";
        advance += expected.back() + "\n";
    }
    EXPECT_EQ(cut(normal).text, expected);
    expected.push_back("");  // what Advance Mode makes of the end after the last LF
    EXPECT_EQ(cut(advance, ReadMode::Advance).text, expected);
    EXPECT_EQ(cut(advance).text.size(), 1u);  // one line holding every LF
}

TEST(Unfolding, IndentedLinesContinueTheLineBeforeButNeverAcrossEmptyOrFrameLines) {
    EXPECT_EQ(cut("NOTE:one\r\n two\r\n\tthree\r\nTEL:1\r\n").text, (Texts{"NOTE:onetwothree", "TEL:1"}));
    EXPECT_EQ(cut(" BEGIN:VCARD\r\n N:a\r\nFN:b\r\n\r\n c\r\n END:VCARD\r\n").text,
              (Texts{" BEGIN:VCARD", " N:a", "FN:b", "", " c", " END:VCARD"}));
    EXPECT_EQ(cut("NOTE:a\n b\nTEL:1\n", ReadMode::Advance).text, (Texts{"NOTE:ab", "TEL:1", ""}));
    // An empty line that Advance Mode drops still ends a fold.
    EXPECT_EQ(cut("NOTE:a\r\n\r\n b\r\n", ReadMode::Advance).text, (Texts{"NOTE:a", " b"}));
}

TEST(QuotedPrintableSoftBreaks, JoinTheNextLineBeforeUnfoldingButNeverAnEmptyOrFrameLine) {
    EXPECT_EQ(cut("NOTE;ENCODING=QUOTED-PRINTABLE:first=\r\n second=\r\nthird\r\nTEL:1=\r\nFN:x\r\n").text,
              (Texts{"NOTE;ENCODING=QUOTED-PRINTABLE:firstsecondthird", "TEL:1=", "FN:x"}));
    EXPECT_EQ(cut("NOTE;quoted-printable:a=\r\nEND:VCARD\r\nNOTE;QUOTED-PRINTABLE:b=\r\n\r\nc\r\n").text,
              (Texts{"NOTE;quoted-printable:a=", "END:VCARD", "NOTE;QUOTED-PRINTABLE:b=", "", "c"}));
    // A value whose only byte is the soft break takes the next line whole.
    EXPECT_EQ(cut("NOTE;ENCODING=QUOTED-PRINTABLE:=\r\nabc\r\n").text, Texts{"NOTE;ENCODING=QUOTED-PRINTABLE:abc"});
    // Only the end of the line joined last is a soft break: after a line of
    // blanks the value ends, whatever the text before them ends in.
    EXPECT_EQ(cut("NOTE;QUOTED-PRINTABLE:a==\r\n  \r\nb\r\n").text, (Texts{"NOTE;QUOTED-PRINTABLE:a= ", "b"}));
}

TEST(ByteDecoding, DropsAUtf8MarkAndDecodesUtf16WithAndWithoutAMark) {
    EXPECT_EQ(cut("\xEF\xBB\xBF" "BEGIN:VCARD\r\n").text, (Texts{"BEGIN:VCARD"}));
    const Texts expected{"BEGIN:VCARD", "N:\xC3\x89mile;\xF0\x9F\x98\x80", "END:VCARD"};
    const std::string little = testing::utf16(expected[0] + "\r\n" + expected[1] + "\r\n" + expected[2] + "\r\n");
    std::string big = little;
    for (std::size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
    for (const std::string& bytes : {little, "\xFF\xFE" + little, big, "\xFE\xFF" + big})
        EXPECT_EQ(cut(bytes).text, expected) << testing::hex(bytes.substr(0, 4));
}

TEST(LineLimit, ALineOverTheLimitFoldedOrNotEndsTheFileWithItsLineNumber) {
    std::string folded = "A:1\r\nNOTE:x\r\n";
    for (int i = 0; i < 100; ++i) folded += " " + std::string(100, 'y') + "\r\n";
    for (const std::string& bytes : {"A:1\r\nB:" + std::string(5000, 'x') + "\r\n", folded}) {
        try {
            cut(bytes, ReadMode::Normal, 4096);
            ADD_FAILURE() << "no error";
        } catch (const VcardReadError& error) {
            EXPECT_EQ(error.line(), 2);
            EXPECT_NE(error.cause().find("too long"), std::string::npos);
            EXPECT_NE(error.file().find("lines.vcf"), std::string::npos);
        }
    }
}

// The limit counts every byte the line keeps, a lone line feed of Normal Mode
// and a folded continuation included; a line of exactly the limit is kept.
TEST(LineLimit, ALineOfExactlyTheLimitIsKeptOneByteMoreIsNot) {
    const std::string at = "B:" + std::string(4093, 'x') + "\n";  // 4,096 bytes with the line feed
    EXPECT_EQ(cut(at + "\r\n", ReadMode::Normal, 4096).text, Texts{at});
    EXPECT_EQ(cut("B:" + std::string(4000, 'x') + "\r\n " + std::string(94, 'y'), ReadMode::Normal, 4096).text[0].size(),
              4096u);
    for (const std::string& over : {at + "y\r\n", "B:" + std::string(4000, 'x') + "\r\n " + std::string(95, 'y'),
                                    "B:" + std::string(4095, 'x')})
        EXPECT_THROW(cut(over, ReadMode::Normal, 4096), VcardReadError);
}

}  // namespace
}  // namespace tessaly
