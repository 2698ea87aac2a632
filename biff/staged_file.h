#pragma once
// An output file written under a temporary name in the folder of its final name
// and renamed over the final name only once it is complete. The final name thus
// never holds a half-written file, and an earlier file of that name is replaced
// only by a finished one; nothing is ever deleted but the temporary file.
//
// Writes are buffered. A failed write is remembered: every later write and the
// commit report the same error, since the file has a gap from then on.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tessaly {

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();  // abandons a file that was not committed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new temporary file beside `finalPath`. Returns 0 or the errno of
    // the failure. A file still open is abandoned first.
    int open(const std::filesystem::path& finalPath);

    bool isOpen() const { return descriptor_ >= 0; }

    // Appends bytes. Returns 0, or the errno of this or an earlier failed write.
    int write(std::string_view bytes);

    // Writes out the buffer, syncs and closes the temporary file and renames it
    // over the final name. Returns 0 or the errno of the failing step; on a
    // failure the temporary file is kept until `abandon`.
    int commit();

    // Closes and removes the temporary file; the final name is left untouched.
    void abandon() noexcept;

    const std::filesystem::path& finalPath() const { return finalPath_; }
    const std::filesystem::path& temporaryPath() const { return temporaryPath_; }

private:
    int flush();
    int writeOut(std::string_view bytes);

    int descriptor_ = -1;
    int failure_ = 0;
    bool committed_ = false;
    std::unique_ptr<char[]> buffer_;  // made once, at the first open
    std::size_t used_ = 0;
    std::filesystem::path finalPath_;
    std::filesystem::path temporaryPath_;
};

}  // namespace tessaly
