#include "vcard/read_mode_choice.h"

#include <cstring>

#include "vcard/byte_source.h"

namespace tessaly {

ReadMode chooseReadMode(const std::string& vcardFile) {
    ByteSource source(vcardFile);
    std::string chunk;
    bool afterCarriageReturn = false;  // the chunk before ended in CR
    while (source.next(chunk)) {
        const char* const start = chunk.data();
        const char* const end = start + chunk.size();
        for (const char* at = start; at != end; ++at) {
            at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
            if (at == nullptr) break;
            const bool followsCarriageReturn = at == start ? afterCarriageReturn : at[-1] == '\r';
            if (!followsCarriageReturn) return ReadMode::Advance;
        }
        afterCarriageReturn = !chunk.empty() && chunk.back() == '\r';
    }
    return ReadMode::Normal;
}

}  // namespace tessaly
