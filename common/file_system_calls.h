#pragma once
// The system calls through which staged files reach the disk. Tests put a
// version of their own in between to make a call fail at a chosen point (a
// full disk after N bytes, a failing sync) without touching the real file
// system.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace tessaly {

class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    // Each returns what the system call of the same name returns, with errno
    // set on failure. Names are relative to the open folder `folder`.
    virtual int createExclusive(int folder, const char* name);  // openat(O_WRONLY|O_CREAT|O_EXCL|O_NOFOLLOW)
    // A file without a name in `folder` (openat with O_TMPFILE): nothing is
    // left behind if the process dies before it is linked in.
    virtual int createUnnamed(int folder);
    // Gives the unnamed file open as `descriptor` the name `name` in `folder`
    // (linkat through /proc/self/fd); fails with EEXIST when the name is taken.
    virtual int linkUnnamed(int descriptor, int folder, const char* name);
    virtual ssize_t pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset);
    virtual int fsync(int descriptor);
    // Starts writing [offset, offset + size) to the disk without waiting for
    // it (sync_file_range with SYNC_FILE_RANGE_WRITE): a hint, so that the
    // sync at the end finds most of the file already written.
    virtual int startWriteback(int descriptor, std::uint64_t offset, std::uint64_t size);
    // fdatasync, while the file is still written (see BackgroundDataSync);
    // called on a thread of its own.
    virtual int dataSync(int descriptor);
    virtual int close(int descriptor);
    virtual int rename(int folder, const char* from, const char* to);  // renameat
    // Renames only when `to` does not exist; fails with EEXIST otherwise.
    virtual int renameNoReplace(int folder, const char* from, const char* to);
    virtual int unlink(int folder, const char* name);  // unlinkat
};

// The calls in use: the system's own unless a test replaced them.
FileSystemCalls& fileSystemCalls();

// Puts `calls` in place (nullptr: the system's own) and returns what was there.
FileSystemCalls* replaceFileSystemCalls(FileSystemCalls* calls);

}  // namespace tessaly
