#include "common/write_all.h"

#include <unistd.h>

namespace tessaly {

int writeAll(int descriptor, std::string_view bytes) {
    return writeAllWith(bytes, [descriptor](const char* data, std::size_t size, std::size_t) {
        return ::write(descriptor, data, size);
    });
}

}  // namespace tessaly
