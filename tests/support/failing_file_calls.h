#pragma once
// Faults for the files Tessaly stages: while one of these is in place, the
// staged files' system calls go through it, so a test can make the disk fill
// after N bytes or a sync fail, without touching the real file system.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "common/file_system_calls.h"

namespace tessaly::testing {

class FailingFileCalls : public FileSystemCalls {
public:
    FailingFileCalls() : previous_(replaceFileSystemCalls(this)) {}
    ~FailingFileCalls() override { replaceFileSystemCalls(previous_); }
    FailingFileCalls(const FailingFileCalls&) = delete;
    FailingFileCalls& operator=(const FailingFileCalls&) = delete;

    // Writes fail with ENOSPC once this many bytes have been written (the
    // write that crosses the limit writes what fits first, as a disk does).
    std::uint64_t bytesUntilFull = UINT64_MAX;
    int syncError = 0;    // fsync fails with this errno
    int renameError = 0;  // rename fails with this errno
    int writebackError = 0;  // startWriteback fails with this errno
    int dataSyncError = 0;          // background syncs fail with this errno
    std::atomic<int> dataSyncs{0};  // background syncs (on their own thread)

    struct Range {
        std::uint64_t offset, size;
    };
    std::vector<Range> writebacks;  // the ranges the file asked to start writing, in order

    std::uint64_t bytesWritten = 0;
    std::vector<int> closed;  // the descriptors closed, in order

    ssize_t pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) override {
        if (bytesWritten >= bytesUntilFull) {
            errno = ENOSPC;
            return -1;
        }
        if (size > bytesUntilFull - bytesWritten) size = static_cast<std::size_t>(bytesUntilFull - bytesWritten);
        const ssize_t written = FileSystemCalls::pwrite(descriptor, data, size, offset);
        if (written > 0) bytesWritten += static_cast<std::uint64_t>(written);
        return written;
    }
    int fsync(int descriptor) override {
        if (syncError == 0) return FileSystemCalls::fsync(descriptor);
        errno = syncError;
        return -1;
    }
    int startWriteback(int descriptor, std::uint64_t offset, std::uint64_t size) override {
        writebacks.push_back({offset, size});
        if (writebackError == 0) return FileSystemCalls::startWriteback(descriptor, offset, size);
        errno = writebackError;
        return -1;
    }
    int dataSync(int descriptor) override {
        ++dataSyncs;
        if (dataSyncError == 0) return FileSystemCalls::dataSync(descriptor);
        errno = dataSyncError;
        return -1;
    }
    int close(int descriptor) override {
        closed.push_back(descriptor);
        return FileSystemCalls::close(descriptor);
    }
    int rename(int folder, const char* from, const char* to) override {
        if (renameError == 0) return FileSystemCalls::rename(folder, from, to);
        errno = renameError;
        return -1;
    }
    int renameNoReplace(int folder, const char* from, const char* to) override {
        if (renameError == 0) return FileSystemCalls::renameNoReplace(folder, from, to);
        errno = renameError;
        return -1;
    }

private:
    FileSystemCalls* previous_;
};

}  // namespace tessaly::testing
