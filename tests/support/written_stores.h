#pragma once
// Writing a store for a test: fixed options, so that files and ids repeat, and
// the finished file checked by the verifier before any reader sees it.

#include <array>
#include <filesystem>
#include <string>

#include "pst/messaging/pst_file.h"
#include "support/pst_readers.h"

namespace tessaly::testing {

inline const std::array<std::uint8_t, 16> kFixedRecordKey = {0xA4, 0x1D, 0x63, 0xDB, 0xC5, 0x3B, 0x8E, 0x4A,
                                                            0xB8, 0x07, 0x1E, 0x15, 0xE5, 0x57, 0x50, 0xCE};

inline pst::PstOptions fixedOptions() {
    pst::PstOptions options;
    options.recordKey = kFixedRecordKey;
    options.unique = 0x16D;
    options.fileTime = 0x01CF782167958F06ull;
    return options;
}

// Creates the store `name` at `path`, lets `fill` add to it, closes it and verifies the file.
template <typename Fill>
std::filesystem::path writeStore(const std::filesystem::path& path, const std::string& name, Fill fill) {
    auto store = pst::PstFile::create(path, name, fixedOptions());
    fill(*store);
    store->close();
    expectValidPst(path);
    return path;
}

}  // namespace tessaly::testing
