#pragma once
// Finding bytes in the long runs the reader walks through: every line's end,
// every head's colon.

#include <cstddef>
#include <string_view>

namespace tessaly {

// The position of the first byte equal to `a` or `b` in `bytes` from `from`
// on, or the size of `bytes` when there is none.
std::size_t findEither(std::string_view bytes, std::size_t from, char a, char b);

}  // namespace tessaly
