#pragma once
// Writing a whole run of bytes to an open file.

#include <string_view>

namespace tessaly {

// Writes every byte to `descriptor`, going on after short writes and signals.
// Returns 0, or the errno of the write that failed.
int writeAll(int descriptor, std::string_view bytes);

}  // namespace tessaly
