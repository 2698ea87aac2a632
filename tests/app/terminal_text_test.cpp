// What Tessaly prints to a terminal carries no control character from a card
// or a file name.

#include "app/terminal_text.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

TEST(TerminalText, ControlCharactersAreWrittenAsHexAndTextIsKept) {
    EXPECT_EQ(terminalText("clear\x1b[2J\x07 tab\t del\x7f cr\r nul" + std::string(1, '\0') + "\nnext"),
              "clear\\x1b[2J\\x07 tab\\x09 del\\x7f cr\\x0d nul\\x00\nnext");
    // C1 controls as UTF-8 (U+009B, the one-byte CSI) and as lone bytes.
    EXPECT_EQ(terminalText("a\xC2\x9B" "2Jb \x9B \x85"), "a\\x9b2Jb \\x9b \\x85");
    // Letters of every length pass, and so do bytes that are no control.
    EXPECT_EQ(terminalText("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0 \xE9t\xE9"),
              "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0 \xE9t\xE9");
}

// A card's values and a file's name, as `tessaly cards` prints them.
TEST(TerminalText, TheCardsCommandEscapesValuesAndFileNames) {
    testing::TempDir folder;
    folder.write("bell\x07.vcf", "BEGIN:VCARD\r\nNOTE:Evil\x1b[2J\x07\r\nBEGIN:VCARD\r\nEND:VCARD\r\n");
    const auto result = testing::runCommand(testing::shellQuote(TESSALY_EXECUTABLE) + " cards " +
                                            testing::shellQuote(folder.path().string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("eContact_Comments\tEvil\\x1b[2J\\x07\n"), std::string::npos) << result.out;
    const std::string shownFile = folder.path().string() + "/bell\\x07.vcf";
    EXPECT_NE(result.err.find(shownFile + ":3: BEGIN:VCARD inside the card"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\x07'), std::string::npos);
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace tessaly
