#include "vcard/line_reader.h"

#include <gtest/gtest.h>

#include "support/test_files.h"
#include "vcard/vcard_read_error.h"

namespace tessaly {
namespace {

using testing::TempDir;

struct Lines {
    std::vector<std::string> text;
    std::vector<long> numbers;
    bool loneLineFeed = false;
};

Lines cut(const std::string& bytes, ReadMode mode, std::size_t maxLine = 1 << 20) {
    TempDir folder;
    const auto file = folder.write("lines.vcf", bytes);
    ByteSource source(file.string());
    LineReader reader(source, mode, maxLine, file.string());
    Lines lines;
    LogicalLine line;
    while (reader.next(line)) {
        lines.text.emplace_back(line.bytes);
        lines.numbers.push_back(line.number);
    }
    lines.loneLineFeed = reader.sawLoneLineFeed();
    return lines;
}

using Texts = std::vector<std::string>;

TEST(LineCutting, NormalModeEndsLinesAtCarriageReturnsOnly) {
    const Lines lines = cut("A:1\r\nB:2\rC:3\nD:4\r\n\r\nE:5", ReadMode::Normal);
    EXPECT_EQ(lines.text, (Texts{"A:1", "B:2", "C:3\nD:4", "", "E:5"}));
    EXPECT_EQ(lines.numbers, (std::vector<long>{1, 2, 3, 5, 6}));
    EXPECT_TRUE(lines.loneLineFeed);
}

TEST(LineCutting, AdvanceModeAlsoEndsLinesAtLineFeedsAndDropsEmptyRawLines) {
    const Lines lines = cut("A:1\r\n\r\nB:2\nC:3\n\nD:4\r\n", ReadMode::Advance);
    EXPECT_EQ(lines.text, (Texts{"A:1", "B:2", "C:3", "", "D:4"}));
    EXPECT_EQ(lines.numbers, (std::vector<long>{1, 3, 4, 5, 6}));
}

TEST(LineCutting, CarriageReturnLineFeedSplitAcrossReadChunksIsOneLineEnd) {
    std::string bytes(65535, 'x');
    bytes.insert(0, "N:");
    bytes.resize(65536 - 1);
    bytes += "\r\nB:2\r\n";  // the CR is the chunk's last byte
    const Lines lines = cut(bytes, ReadMode::Normal);
    ASSERT_EQ(lines.text.size(), 2u);
    EXPECT_EQ(lines.text[1], "B:2");
    EXPECT_FALSE(lines.loneLineFeed);
}

TEST(LineCutting, LinesOfEveryLengthAroundTheSixteenByteSteps) {
    // Line ends at every place within and across the blocks the search takes.
    std::string normal, advance;
    Texts expected;
    for (int length = 0; length <= 40; ++length) {
        const std::string text = "X:" + std::string(static_cast<std::size_t>(length), 'a' + length % 26);
        expected.push_back(text);
        normal += text + "\r\n";
        advance += text + "\n";
    }
    EXPECT_EQ(cut(normal, ReadMode::Normal).text, expected);
    expected.push_back("");  // what Advance Mode makes of the end after the last LF
    EXPECT_EQ(cut(advance, ReadMode::Advance).text, expected);
    EXPECT_EQ(cut(advance, ReadMode::Normal).text.size(), 1u);  // one line holding every LF
}

TEST(Unfolding, IndentedLinesContinueTheLineBefore) {
    const Lines lines = cut("NOTE:one\r\n two\r\n\tthree\r\nTEL:1\r\n", ReadMode::Normal);
    EXPECT_EQ(lines.text, (Texts{"NOTE:onetwothree", "TEL:1"}));
}

TEST(Unfolding, EmptyAndFrameLinesNeitherContinueNorAreContinued) {
    const Lines lines = cut(" BEGIN:VCARD\r\n N:a\r\nFN:b\r\n\r\n c\r\n END:VCARD\r\n", ReadMode::Normal);
    EXPECT_EQ(lines.text, (Texts{" BEGIN:VCARD", " N:a", "FN:b", "", " c", " END:VCARD"}));
}

TEST(Unfolding, AnEmptyLineThatAdvanceModeDropsStillEndsAFold) {
    const Lines lines = cut("NOTE:a\r\n\r\n b\r\n", ReadMode::Advance);
    EXPECT_EQ(lines.text, (Texts{"NOTE:a", " b"}));
}

TEST(Unfolding, AdvanceModeUnfoldsLineFeedFiles) {
    const Lines lines = cut("NOTE:a\n b\nTEL:1\n", ReadMode::Advance);
    EXPECT_EQ(lines.text, (Texts{"NOTE:ab", "TEL:1", ""}));
}

TEST(QuotedPrintableSoftBreaks, JoinTheNextLineBeforeUnfolding) {
    const Lines lines = cut(
        "NOTE;ENCODING=QUOTED-PRINTABLE:first=\r\n second=\r\nthird\r\nTEL:1=\r\nFN:x\r\n",
        ReadMode::Normal);
    EXPECT_EQ(lines.text, (Texts{"NOTE;ENCODING=QUOTED-PRINTABLE:firstsecondthird", "TEL:1=", "FN:x"}));
}

TEST(QuotedPrintableSoftBreaks, NeverSwallowAnEmptyOrFrameLine) {
    const Lines lines = cut("NOTE;QUOTED-PRINTABLE:a=\r\nEND:VCARD\r\nNOTE;QUOTED-PRINTABLE:b=\r\n\r\nc\r\n",
                            ReadMode::Normal);
    EXPECT_EQ(lines.text,
              (Texts{"NOTE;QUOTED-PRINTABLE:a=", "END:VCARD", "NOTE;QUOTED-PRINTABLE:b=", "", "c"}));
}

TEST(ByteDecoding, DropsUtf8ByteOrderMark) {
    EXPECT_EQ(cut("\xEF\xBB\xBF" "BEGIN:VCARD\r\n", ReadMode::Normal).text, (Texts{"BEGIN:VCARD"}));
}

std::string utf16(const std::u16string& text, bool littleEndian, bool mark) {
    std::string out;
    if (mark) out += littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        out += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return out;
}

TEST(ByteDecoding, DecodesUtf16WithAndWithoutAMark) {
    const std::u16string text = u"BEGIN:VCARD\r\nN:\u00C9mile;\U0001F600\r\nEND:VCARD\r\n";
    const Texts expected{"BEGIN:VCARD", "N:\xC3\x89mile;\xF0\x9F\x98\x80", "END:VCARD"};
    EXPECT_EQ(cut(utf16(text, true, true), ReadMode::Normal).text, expected);
    EXPECT_EQ(cut(utf16(text, false, true), ReadMode::Normal).text, expected);
    EXPECT_EQ(cut(utf16(text, true, false), ReadMode::Normal).text, expected);
    EXPECT_EQ(cut(utf16(text, false, false), ReadMode::Normal).text, expected);
}

TEST(LineLimit, ALineOverTheLimitEndsTheFileWithItsLineNumber) {
    try {
        cut("A:1\r\nB:" + std::string(5000, 'x') + "\r\n", ReadMode::Normal, 4096);
        FAIL() << "no error";
    } catch (const VcardReadError& error) {
        EXPECT_EQ(error.line(), 2);
        EXPECT_NE(error.cause().find("too long"), std::string::npos);
    }
    // Folding counts towards the limit too.
    std::string folded = "NOTE:x\r\n";
    for (int i = 0; i < 100; ++i) folded += " " + std::string(100, 'y') + "\r\n";
    EXPECT_THROW(cut(folded, ReadMode::Normal, 4096), VcardReadError);
}

}  // namespace
}  // namespace tessaly
