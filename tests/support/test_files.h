#pragma once
// Files and folders for tests: a temporary folder removed with its contents at
// the end of the test, whole-file reads and writes, and a folder's entries.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tessaly::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to `name` inside the folder and returns the file's path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
// The parts of `text` between separators, empty ones too (none after a
// last separator).
std::vector<std::string> split(const std::string& text, char separator);
// The lines of `text`, without their line feeds.
std::vector<std::string> lines(const std::string& text);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// The names of the entries of `folder`, sorted: to see which files a writer left.
std::vector<std::filesystem::path> folderEntries(const std::filesystem::path& folder);

// The result of running a command through the shell.
struct CommandResult {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `command` with /bin/sh, capturing both output streams.
CommandResult runCommand(const std::string& command);

// A command's exit status (negative: ended by that signal; -1000: it did not
// end within ten minutes) and its peak resident set in KiB.
struct PeakRun {
    int status = -1000;
    long peakKiB = -1;
    std::string err;  // the command's standard error
};

// Runs `command` with /bin/sh in a process of its own, its standard output
// dropped and its address space held to `addressSpaceBytes`, so that a run
// that would need far more than it should fails at once rather than take the
// machine's memory; measures its peak resident set.
PeakRun runMeasuringPeak(const std::string& command, unsigned long long addressSpaceBytes);

// Quotes one argument for /bin/sh.
std::string shellQuote(const std::string& text);

// The message of the `Error` that `action` throws, or "no error".
template <typename Error>
std::string thrownMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace tessaly::testing
