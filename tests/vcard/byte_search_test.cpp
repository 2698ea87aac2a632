// Finding line ends at every place of the sixteen-byte steps.

#include "vcard/byte_search.h"

#include <gtest/gtest.h>

#include <string>


namespace tessaly {
namespace {

TEST(FindEither, FindsTheFirstOfTwoBytesAtEveryPlace) {
    for (std::size_t length = 0; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            std::string bytes(length, 'x');
            bytes[at] = (at % 2) ? '\r' : '\n';
            if (at + 1 < length) bytes[at + 1] = '\r';  // a later hit must not win
            EXPECT_EQ(findEither(bytes, 0, '\r', '\n'), at) << length << " " << at;
            EXPECT_EQ(findEither(bytes, at + 1, '\r', '\n'), at + 1 < length ? at + 1 : length);
        }
        EXPECT_EQ(findEither(std::string(length, 'x'), 0, '\r', '\n'), length);
    }
}

}  // namespace
}  // namespace tessaly
