#pragma once
// The primary reference file written by Outlook 2007, for tests that compare
// the engine's structures with Outlook's byte for byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/test_files.h"

namespace tessaly::pst {

inline std::string outlookFile() {
    return testing::readFile(std::string(TESSALY_FIXTURES_DIR) + "/pst-reference/outlook2007-java-libpst-dist-list.pst");
}

inline const std::uint8_t* bytesAt(const std::string& file, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(file.data()) + offset;
}

}  // namespace tessaly::pst
