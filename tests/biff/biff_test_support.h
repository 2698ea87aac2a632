#pragma once
// Test helpers for the worksheet writer: bytes written as hex, the records
// every file opens with and a stand-in for a full disk.

#include <csignal>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

namespace tessaly::testing {

// "04 00 0D" -> the three bytes.
inline std::string hexBytes(std::string_view spaced) {
    std::string out;
    for (std::size_t i = 0; i < spaced.size(); i += spaced[i] == ' ' ? 1 : 2)
        if (spaced[i] != ' ') out += static_cast<char>(std::stoi(std::string(spaced.substr(i, 2)), nullptr, 16));
    return out;
}

// The 396 bytes every file starts with: BOF, CODEPAGE (Windows-1252),
// FORMATCOUNT and the 24 FORMAT records.
inline std::string openingRecords() {
    const std::vector<std::string_view> formats = {
        R"(General)", R"(0)", R"(0.00)", R"(#,##0)", R"(#,##0.00)", R"(#,##0\ "$";\-#,##0\ "$")",
        R"(#,##0\ "$";[Red]\-#,##0\ "$")", R"(#,##0.00\ "$";\-#,##0.00\ "$")", R"(#,##0.00\ "$";[Red]\-#,##0.00\ "$")",
        R"(0%)", R"(0.00%)", R"(0.00E+00)", R"(dd/mm/yy)", R"(dd/\ mmm\ yy)", R"(dd/\ mmm)", R"(mmm\ yy)",
        R"(h:mm\ AM/PM)", R"(h:mm:ss\ AM/PM)", R"(hh:mm)", R"(hh:mm:ss)", R"(dd/mm/yy\ hh:mm)", R"(##0.0E+0)",
        R"(mm:ss)", R"(@)"};
    std::string bytes = hexBytes("09 00 04 00 02 00 10 00  42 00 02 00 01 80  1F 00 02 00 17 00");
    for (const std::string_view format : formats) {
        const auto length = static_cast<char>(format.size());
        bytes += hexBytes("1E 00") + std::string{static_cast<char>(length + 1), 0, length} + std::string(format);
    }
    return bytes;
}

inline const std::string kEof = hexBytes("0A 00 00 00");

// Limits the size of the files this process writes, so that writes past the
// limit fail (with EFBIG) as they would on a full disk, until it goes out of scope.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);  // or the kernel stops the process instead of failing the write
        getrlimit(RLIMIT_FSIZE, &original_);
        const rlimit limited{bytes, original_.rlim_max};
        if (setrlimit(RLIMIT_FSIZE, &limited) != 0) throw std::runtime_error("cannot limit the file size");
    }
    ~ScopedFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &original_); }

private:
    rlimit original_{};
};

}  // namespace tessaly::testing
