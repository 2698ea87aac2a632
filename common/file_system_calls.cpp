#include "common/file_system_calls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace tessaly {

namespace {

FileSystemCalls systemCalls;
FileSystemCalls* current = &systemCalls;

}  // namespace

int FileSystemCalls::createExclusive(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int FileSystemCalls::createUnnamed(const char* folder) {
    return ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

int FileSystemCalls::linkUnnamed(int descriptor, const char* path) {
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    return ::linkat(AT_FDCWD, link.c_str(), AT_FDCWD, path, AT_SYMLINK_FOLLOW);
}

ssize_t FileSystemCalls::pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) {
    return ::pwrite(descriptor, data, size, static_cast<off_t>(offset));
}

int FileSystemCalls::fsync(int descriptor) { return ::fsync(descriptor); }

int FileSystemCalls::startWriteback(int descriptor, std::uint64_t offset, std::uint64_t size) {
    return ::sync_file_range(descriptor, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
}

int FileSystemCalls::close(int descriptor) { return ::close(descriptor); }

int FileSystemCalls::rename(const char* from, const char* to) { return std::rename(from, to); }

int FileSystemCalls::renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link fails as well when the name
    // is taken, and then the temporary name goes.
    if (::link(from, to) != 0) return -1;
    return ::unlink(from);
}

int FileSystemCalls::unlink(const char* path) { return ::unlink(path); }

FileSystemCalls& fileSystemCalls() { return *current; }

FileSystemCalls* replaceFileSystemCalls(FileSystemCalls* calls) {
    FileSystemCalls* before = current;
    current = calls != nullptr ? calls : &systemCalls;
    return before;
}

}  // namespace tessaly
