#pragma once
// Test helpers for the worksheet writer: bytes written as hex, a file cut into
// its records by the record framing alone (number, length, data), and the names
// in a folder.

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

namespace tessaly::testing {

// "04 00 0D" -> the three bytes.
inline std::string hexBytes(std::string_view spaced) {
    std::string out;
    for (std::size_t i = 0; i < spaced.size();) {
        if (spaced[i] == ' ') {
            ++i;
            continue;
        }
        out += static_cast<char>(std::stoi(std::string(spaced.substr(i, 2)), nullptr, 16));
        i += 2;
    }
    return out;
}

struct BiffRecord {
    std::uint16_t number = 0;
    std::string data;
};

inline std::uint16_t le16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

inline std::vector<BiffRecord> splitRecords(std::string_view file) {
    std::vector<BiffRecord> records;
    std::size_t offset = 0;
    while (offset < file.size()) {
        if (file.size() - offset < 4) throw std::runtime_error("record header cut short at " + std::to_string(offset));
        const std::uint16_t length = le16(file, offset + 2);
        if (file.size() - offset - 4 < length) throw std::runtime_error("record data cut short at " + std::to_string(offset));
        records.push_back({le16(file, offset), std::string(file.substr(offset + 4, length))});
        offset += 4 + length;
    }
    return records;
}

// The names of the entries of `folder`, to see which files a writer left.
inline std::vector<std::filesystem::path> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

// Limits the size of the files this process writes, so that writes past the
// limit fail (with EFBIG) as they would on a full disk. Restores the limit when
// it goes out of scope.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &original_);
        // Without this the kernel stops the process instead of failing the write.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = original_;
        limited.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limited) != 0) throw std::runtime_error("cannot limit the file size");
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &original_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit original_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace tessaly::testing
