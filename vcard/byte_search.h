#pragma once
// Finding bytes in the long runs the reader walks through: every line's end,
// every head's colon.

#include <cstddef>
#include <string_view>

namespace tessaly {

// The position of the first byte equal to `a` or `b` in `bytes` from `from`
// on, or the size of `bytes` when there is none.
std::size_t findEither(std::string_view bytes, std::size_t from, char a, char b);

// Which of two letters (a to z) `text` holds twice in a row, in any case
// ("dd", "Dd" or "DD" for 'd'): bit 0 for `first`, bit 1 for `second`. A
// word with a doubled letter can only be in a text that holds that pair, and
// most lines hold neither pair, so this settles most word searches at a
// fraction of their cost.
unsigned doubledLettersIn(std::string_view text, char first, char second);

}  // namespace tessaly
