#include "vcard/byte_search.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

TEST(ByteSearch, FindEitherGivesTheFirstOfTwoBytesInAnyBlockOrTheSize) {
    const std::string line = std::string(37, 'x') + "\n" + std::string(5, 'y') + "\r";
    EXPECT_EQ(findEither(line, 0, '\r', '\n'), 37u);
    EXPECT_EQ(findEither(line, 38, '\r', '\n'), 43u);
    EXPECT_EQ(findEither(line, 44, '\r', '\n'), line.size());
    EXPECT_EQ(findEither("", 0, ':', '"'), 0u);
}

TEST(ByteSearch, EachDoubledLetterIsFoundInAnyCaseAtEveryPlaceOfABlock) {
    // The pair at each position of texts short and long, across the blocks'
    // edges and in the tail.
    for (const std::size_t size : {2u, 7u, 8u, 12u, 16u, 17u, 40u}) {
        for (std::size_t at = 0; at + 2 <= size; ++at) {
            for (const char* pair : {"dd", "DD", "dD", "Dd"}) {
                std::string text(size, 'x');
                text.replace(at, 2, pair);
                EXPECT_EQ(doubledLettersIn(text, 'd', 'n'), 1u) << text;
                EXPECT_EQ(doubledLettersIn(text, 'n', 'd'), 2u) << text;
            }
        }
    }
    EXPECT_EQ(doubledLettersIn("X-ANNIVERSARY:2000-01-01", 'd', 'n'), 2u);
    EXPECT_EQ(doubledLettersIn("X-MS-IMADDRESS:me@example.com", 'd', 'n'), 1u);
    EXPECT_EQ(doubledLettersIn(std::string(20, '-') + "nN" + std::string(20, '-') + "Dd", 'd', 'n'), 3u);
}

TEST(ByteSearch, NoOtherByteCountsAsTheLetter) {
    // Only "D" and "d" fold to "d": not "$", "@", "`", nor Latin-1's Ä and ä.
    EXPECT_EQ(doubledLettersIn("d$D$d@`d", 'd', 'n'), 0u);
    EXPECT_EQ(doubledLettersIn(std::string(33, 'd').replace(1, 31, 31, '-'), 'd', 'n'), 0u);
    EXPECT_EQ(doubledLettersIn("d", 'd', 'n'), 0u);
    EXPECT_EQ(doubledLettersIn("", 'd', 'n'), 0u);
    EXPECT_EQ(doubledLettersIn("\xC4\xE4\x44", 'd', 'n'), 0u);  // Latin-1 Ä ä then D
    EXPECT_EQ(doubledLettersIn(std::string(64, 'x') + "d", 'd', 'n'), 0u);
}

}  // namespace
}  // namespace tessaly
