#pragma once
// The one error type of the PST engine: it names the file being written and
// the cause, so a caller can report it without knowing the engine's layers.

#include <stdexcept>
#include <string>

namespace tessaly::pst {

class PstError : public std::runtime_error {
public:
    PstError(const std::string& file, const std::string& cause)
        : std::runtime_error(file + ": " + cause), file_(file), cause_(cause) {}

    const std::string& file() const { return file_; }
    const std::string& cause() const { return cause_; }

private:
    std::string file_;
    std::string cause_;
};

}  // namespace tessaly::pst
