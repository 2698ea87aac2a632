#include "vcard/base64.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/encodings.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(Base64Decode, KeepsItsResultsForEveryListedFormAndRefusesWhatIsNotBase64) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"QUJD", "ABC"}, {"QUI=", "AB"}, {"QQ==", "A"}, {"", ""}, {"/9j/4AAQ", "\xFF\xD8\xFF\xE0\x00\x10"s},
        // A short last group is completed with zeros; padding drops bytes from its group's end.
        {"QQ", "A\0\0"s}, {"QUJDRA", "ABCD\0\0"s}, {"QUJDRA==", "ABCD"}, {"QQ=Q", "A\0"s}, {"Q===", ""},
        // Spaces, tabs and line breaks are ignored, after whole groups too; a lone CR is no line break.
        {"QU JD", "ABC"}, {"QU\tJD", "ABC"}, {"QU\r\nJD", "ABC"}, {"QU\nJD", "ABC"},
        {"QUJDQUJD QUJD\r\nQUJD", "ABCABCABCABC"}, {"QUJDQUJDQU JDQUJD", "ABCABCABCABC"}, {"QUJDQUJDQQ==", "ABCABCA"},
        {"END:VCARD", std::nullopt}, {"QU\rJD", std::nullopt}, {"====", std::nullopt},
        {"QUJD====", std::nullopt}, {"QUJ\xC3\xA9", std::nullopt}, {"QUJDQUJD*UJD", std::nullopt},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Base64Decode(input).value_or("(refused)"), expected.value_or("(refused)")) << input;
    }
}

// Through the tests' own encoder, every byte value in every place of a group.
TEST(Base64Decode, EveryByteValueComesBack) {
    std::string data;
    for (int round = 0; round < 3; ++round)
        for (int value = 0; value < 256; ++value) data += static_cast<char>(value * 7 + round);
    for (const std::size_t size : {data.size(), data.size() - 1, data.size() - 2})
        EXPECT_EQ(Base64Decode(testing::base64(data.substr(0, size))), data.substr(0, size)) << size;
}

}  // namespace
}  // namespace tessaly
