#include "common/file_system_calls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace tessaly {

namespace {

FileSystemCalls systemCalls;
FileSystemCalls* current = &systemCalls;

}  // namespace

int FileSystemCalls::createExclusive(int folder, const char* name) {
    return ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int FileSystemCalls::createUnnamed(int folder) {
    return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

int FileSystemCalls::linkUnnamed(int descriptor, int folder, const char* name) {
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    return ::linkat(AT_FDCWD, link.c_str(), folder, name, AT_SYMLINK_FOLLOW);
}

ssize_t FileSystemCalls::pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) {
    return ::pwrite(descriptor, data, size, static_cast<off_t>(offset));
}

int FileSystemCalls::fsync(int descriptor) { return ::fsync(descriptor); }

int FileSystemCalls::dataSync(int descriptor) { return ::fdatasync(descriptor); }

int FileSystemCalls::startWriteback(int descriptor, std::uint64_t offset, std::uint64_t size) {
    return ::sync_file_range(descriptor, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
}

int FileSystemCalls::close(int descriptor) { return ::close(descriptor); }

int FileSystemCalls::rename(int folder, const char* from, const char* to) {
    return ::renameat(folder, from, folder, to);
}

int FileSystemCalls::renameNoReplace(int folder, const char* from, const char* to) {
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link fails as well when the name
    // is taken, and then the temporary name goes.
    if (::linkat(folder, from, folder, to, 0) != 0) return -1;
    return ::unlinkat(folder, from, 0);
}

int FileSystemCalls::unlink(int folder, const char* name) { return ::unlinkat(folder, name, 0); }

FileSystemCalls& fileSystemCalls() { return *current; }

FileSystemCalls* replaceFileSystemCalls(FileSystemCalls* calls) {
    FileSystemCalls* before = current;
    current = calls != nullptr ? calls : &systemCalls;
    return before;
}

}  // namespace tessaly
