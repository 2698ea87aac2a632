#pragma once
// The one error type of the PST engine: it names the file being written and
// the cause, so a caller can report it without knowing the engine's layers.
// The layers below the store do not know the file; their errors carry the
// cause alone, and the store adds its file name as they pass through it.

#include <stdexcept>
#include <string>

namespace tessaly::pst {

class PstError : public std::runtime_error {
public:
    explicit PstError(const std::string& cause) : std::runtime_error(cause), cause_(cause) {}
    PstError(const std::string& file, const std::string& cause)
        : std::runtime_error(file.empty() ? cause : file + ": " + cause), file_(file), cause_(cause) {}

    // The file being written; empty while the error has not passed a store.
    const std::string& file() const { return file_; }
    const std::string& cause() const { return cause_; }

private:
    std::string file_;
    std::string cause_;
};

}  // namespace tessaly::pst
