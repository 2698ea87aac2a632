#include "common/random_name.h"

#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <ctime>

namespace tessaly {

std::string randomHex64() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        random = (static_cast<std::uint64_t>(::getpid()) << 32) ^ (counter++ << 16) ^
                 static_cast<std::uint64_t>(std::time(nullptr));
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, random >>= 4) hex[static_cast<std::size_t>(i)] = "0123456789abcdef"[random & 0xF];
    return hex;
}

}  // namespace tessaly
