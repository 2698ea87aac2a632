#pragma once
// Writing a whole run of bytes to an open file.

#include <sys/types.h>

#include <cerrno>
#include <string_view>

namespace tessaly {

// Calls `write(data, size, done)` until every byte of `bytes` is written,
// going on after short writes and signals; `done` counts the bytes already
// written. Returns 0, or the errno of the write that failed.
template <typename Write>
int writeAllWith(std::string_view bytes, Write write) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(bytes.data() + done, bytes.size() - done, done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// Writes every byte to `descriptor` at its current position.
int writeAll(int descriptor, std::string_view bytes);

}  // namespace tessaly
