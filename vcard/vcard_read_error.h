#pragma once
// The failure that ends the reading of one vCard file.

#include <stdexcept>
#include <string>

namespace tessaly {

class VcardReadError : public std::runtime_error {
public:
    // `line` is the physical line number, or 0 when the failure has no line.
    VcardReadError(std::string file, long line, const std::string& cause)
        : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) +
                             ": " + cause),
          file_(std::move(file)), line_(line), cause_(cause) {}

    const std::string& file() const { return file_; }
    long line() const { return line_; }
    const std::string& cause() const { return cause_; }

private:
    std::string file_;
    long line_;
    std::string cause_;
};

}  // namespace tessaly
