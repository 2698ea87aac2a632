#pragma once
// An output file written under a temporary name in the folder of its final name
// and renamed over the final name only once it is complete. The final name thus
// never holds a half-written file, and an earlier file of that name is replaced
// only by a finished one; nothing is ever deleted but the temporary file, whose
// name is unique and created exclusively, so no file of anyone else's is
// overwritten either. Every step after the folder is opened (creating,
// linking, renaming) is relative to that open folder, or to the folder held
// open under the final name's folder path (see HeldFolder), so a folder swapped
// for a link meanwhile redirects nothing.
//
// Writes go through a buffer anchored at a file offset: bytes that follow the
// last write join the buffer, a write elsewhere (a header written last, at
// offset 0) sends the buffer out first. A failed write is remembered: every
// later write and the commit report the same error, since the file has a gap
// from then on.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/background_data_sync.h"
#include "common/large_pages.h"

namespace tessaly {

class StagedFile {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;
    // Each time the file has grown by this much, the disk is asked to start
    // writing the new part (a hint, whose failure is ignored), so that the
    // sync at the commit waits for the last part only rather than the whole
    // file: a 22 MB sheet's sync took 25-30 ms, 13-16 ms this way.
    static constexpr std::uint64_t kWritebackStep = 4 * 1024 * 1024;
    // Each time it has grown by this much, the file's data is synced on a
    // thread of its own (BackgroundDataSync), so that the sync at the commit
    // has little left to do.
    static constexpr std::uint64_t kDataSyncStep = 16 * 1024 * 1024;

    // What the commit does with a file already under the final name: replace
    // it, keep it and fail, or keep it and take the next free numbered name
    // ("NAME (2).EXT", …; finalPath() then says which).
    enum class Existing { Replace, Keep, NextFreeName };

    explicit StagedFile(std::size_t bufferSize = kDefaultBufferSize, Existing existing = Existing::Replace)
        : bufferSize_(bufferSize), existing_(existing) {}
    ~StagedFile();  // abandons a file that was not committed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new temporary file beside `finalPath`, in the held folder of
    // that path when there is one. Returns 0 or the errno of the failure. A
    // file still open is abandoned first.
    int open(const std::filesystem::path& finalPath);

    bool isOpen() const { return descriptor_ >= 0; }

    // Writes bytes where the last write ended. Returns 0, or the errno of this
    // or an earlier failed write.
    int write(std::string_view bytes) { return writeAt(position(), bytes); }

    // Writes bytes at `offset`; the file grows as needed (with zeros in any gap).
    int writeAt(std::uint64_t offset, std::string_view bytes);

    // Where the last write ended.
    std::uint64_t position() const { return bufferStart_ + used_; }
    // The size of the file written so far.
    std::uint64_t size() const;

    // Writes out the buffer, syncs and closes the temporary file and renames it
    // over the final name (with Existing::Keep, only to a final name that is
    // free: EEXIST otherwise; with Existing::NextFreeName, to the first free
    // name from there on, EEXIST once every numbered name is taken). Returns 0 or the errno of the failing step; on a
    // failure the temporary file is kept until `abandon`, and the file is
    // closed whatever failed.
    int commit();

    // Closes and removes the temporary file; the final name is left untouched.
    void abandon() noexcept;

    const std::filesystem::path& finalPath() const { return finalPath_; }
    // Empty while the file has no name of its own (an unnamed file).
    std::filesystem::path temporaryPath() const;

private:
    void closeFolder() noexcept;
    int flush();
    int renameToFreeName();
    int writeOut(std::uint64_t offset, std::string_view bytes);

    std::size_t bufferSize_;
    Existing existing_;
    int descriptor_ = -1;
    int failure_ = 0;
    bool committed_ = false;
    LargePageBuffer buffer_;  // made once, at the first open
    std::uint64_t bufferStart_ = 0;   // the file offset of the buffer's first byte
    std::size_t used_ = 0;
    std::uint64_t end_ = 0;  // the end of the bytes written out
    std::uint64_t writebackStart_ = 0;  // where the disk has not yet been asked to start writing
    std::uint64_t dataSyncEnd_ = 0;     // the end of the file at the last background sync
    // Started once the file reaches kDataSyncStep; stopped before the
    // descriptor is closed.
    std::unique_ptr<BackgroundDataSync> dataSync_;
    int folder_ = -1;  // the final name's folder, open from open() to the end of commit() or abandon()
    std::filesystem::path finalPath_;
    std::string temporaryName_;  // in folder_
};

}  // namespace tessaly
