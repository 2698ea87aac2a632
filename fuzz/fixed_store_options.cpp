#include "fuzz/fixed_store_options.h"

namespace tessaly::fuzz {

pst::PstOptions fixedStoreOptions() {
    pst::PstOptions options;
    options.recordKey = std::array<std::uint8_t, 16>{0x3B, 0x5E, 0x01, 0x77, 0xC2, 0x90, 0x4D, 0x1A,
                                                     0x8F, 0x62, 0x0B, 0xE4, 0x25, 0xD9, 0x70, 0x16};
    options.unique = 0x2A1;
    options.fileTime = 0x01D0000000000000ull;
    return options;
}

}  // namespace tessaly::fuzz
