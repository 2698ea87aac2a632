#include "common/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/file_system_calls.h"
#include "common/held_folder.h"
#include "common/numbered_name.h"
#include "common/random_name.h"
#include "common/write_all.h"

namespace tessaly {

namespace {

// A hidden name beside the final one with 64 random bits: another user who
// can write the folder cannot guess it to take it first.
std::string temporaryNameFor(const std::filesystem::path& finalPath) {
    return "." + finalPath.filename().string() + "." + randomHex64() + ".tmp";
}

// Opens the folder of `finalPath`: the held one of that path when there is
// one, else by its path now. Returns the descriptor or -1 with errno set.
int openFolderOf(const std::filesystem::path& finalPath) {
    const std::filesystem::path parent = finalPath.parent_path();
    const std::filesystem::path folder = parent.empty() ? std::filesystem::path(".") : parent;
    const int held = duplicateHeldFolder(folder);
    if (held >= 0) return held;
    return ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

StagedFile::~StagedFile() { abandon(); }

std::filesystem::path StagedFile::temporaryPath() const {
    return temporaryName_.empty() ? std::filesystem::path() : finalPath_.parent_path() / temporaryName_;
}

int StagedFile::open(const std::filesystem::path& finalPath) {
    abandon();
    finalPath_ = finalPath;
    failure_ = 0;
    committed_ = false;
    bufferStart_ = 0;
    used_ = 0;
    end_ = 0;
    writebackStart_ = 0;
    dataSyncEnd_ = 0;
    temporaryName_.clear();
    folder_ = openFolderOf(finalPath);
    if (folder_ < 0) return errno;
    FileSystemCalls& calls = fileSystemCalls();
    // An unnamed file first: a run killed before its commit leaves nothing
    // behind. A file system without unnamed files gets a named one.
    descriptor_ = calls.createUnnamed(folder_);
    if (descriptor_ >= 0) {
        if (!buffer_) buffer_ = LargePageBuffer(bufferSize_);
        return 0;
    }
    // A name already taken is never overwritten: another is tried instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryName_ = temporaryNameFor(finalPath);
        descriptor_ = calls.createExclusive(folder_, temporaryName_.c_str());
        if (descriptor_ >= 0) {
            if (!buffer_) buffer_ = LargePageBuffer(bufferSize_);
            return 0;
        }
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporaryName_.clear();
    closeFolder();
    return error;
}

int StagedFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (failure_ != 0) return failure_;
    if (descriptor_ < 0) return EBADF;  // not open (or already committed)
    if (offset != position() || bytes.size() > bufferSize_ - used_) {
        if (const int error = flush()) return error;
        bufferStart_ = offset;
        // What would not fit even in the empty buffer goes out at once.
        if (bytes.size() > bufferSize_) {
            if (const int error = writeOut(offset, bytes)) return error;
            bufferStart_ = offset + bytes.size();
            return 0;
        }
    }
    if (bytes.empty()) return 0;  // an empty view may have no data pointer at all
    std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return 0;
}

std::uint64_t StagedFile::size() const { return std::max(end_, used_ > 0 ? position() : 0); }

int StagedFile::flush() {
    const int error = writeOut(bufferStart_, std::string_view(buffer_.data(), used_));
    if (error == 0) {
        bufferStart_ += used_;
        used_ = 0;
    }
    return error;
}

int StagedFile::writeOut(std::uint64_t offset, std::string_view bytes) {
    FileSystemCalls& calls = fileSystemCalls();
    failure_ = writeAllWith(bytes, [&](const char* data, std::size_t size, std::size_t done) {
        return calls.pwrite(descriptor_, data, size, offset + done);
    });
    if (failure_ == 0 && !bytes.empty()) end_ = std::max<std::uint64_t>(end_, offset + bytes.size());
    if (failure_ == 0 && end_ - writebackStart_ >= kWritebackStep) {
        calls.startWriteback(descriptor_, writebackStart_, end_ - writebackStart_);
        writebackStart_ = end_;
    }
    if (failure_ == 0 && end_ - dataSyncEnd_ >= kDataSyncStep) {
        if (!dataSync_) dataSync_ = std::make_unique<BackgroundDataSync>(calls, descriptor_);
        dataSync_->request();
        dataSyncEnd_ = end_;
    }
    return failure_;
}

int StagedFile::commit() {
    if (failure_ != 0) return failure_;
    if (descriptor_ < 0) return EBADF;
    if (const int error = flush()) return error;
    FileSystemCalls& calls = fileSystemCalls();
    // A file that replaces an earlier one keeps the permissions its owner
    // gave that one (a sheet made private stays private).
    const std::string finalName = finalPath_.filename().string();
    if (existing_ == Existing::Replace) {
        struct stat earlier {};
        if (::fstatat(folder_, finalName.c_str(), &earlier, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(earlier.st_mode))
            ::fchmod(descriptor_, earlier.st_mode & 07777);
    }
    // The descriptor is closed whether or not the sync succeeded.
    dataSync_.reset();
    int failed = calls.fsync(descriptor_) == 0 ? 0 : errno;
    // An unnamed file gets a temporary name of its own, from which it is
    // renamed as a named one is.
    for (int attempt = 0; failed == 0 && temporaryName_.empty() && attempt < 100; ++attempt) {
        const std::string name = temporaryNameFor(finalPath_);
        if (calls.linkUnnamed(descriptor_, folder_, name.c_str()) == 0)
            temporaryName_ = name;
        else if (errno != EEXIST || attempt == 99)
            failed = errno;
    }
    const int closed = calls.close(descriptor_) == 0 ? 0 : errno;
    descriptor_ = -1;
    if (failed != 0 || closed != 0) {
        failure_ = failed != 0 ? failed : closed;
        return failure_;
    }
    int renamed = 0;
    switch (existing_) {
        case Existing::Replace:
            renamed = calls.rename(folder_, temporaryName_.c_str(), finalName.c_str()) == 0 ? 0 : errno;
            break;
        case Existing::Keep:
            renamed = calls.renameNoReplace(folder_, temporaryName_.c_str(), finalName.c_str()) == 0 ? 0 : errno;
            break;
        case Existing::NextFreeName:
            renamed = renameToFreeName();
            break;
    }
    if (renamed != 0) {
        failure_ = renamed;
        return failure_;
    }
    committed_ = true;
    closeFolder();
    return 0;
}

// A file that took the final name while this one was written (another run
// that chose the same name) is kept; this one takes the next free copy name.
int StagedFile::renameToFreeName() {
    FileSystemCalls& calls = fileSystemCalls();
    const NumberedName name = splitNumberedName(finalPath_);
    for (int copy = name.copy; copy <= kMaxNumberedCopies; ++copy) {
        const std::filesystem::path candidate = numberedName(name.first, copy);
        if (calls.renameNoReplace(folder_, temporaryName_.c_str(), candidate.filename().c_str()) == 0) {
            finalPath_ = candidate;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

void StagedFile::abandon() noexcept {
    dataSync_.reset();
    FileSystemCalls& calls = fileSystemCalls();
    if (descriptor_ >= 0) calls.close(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporaryName_.empty() && folder_ >= 0) calls.unlink(folder_, temporaryName_.c_str());
    temporaryName_.clear();
    closeFolder();
    used_ = 0;
}

void StagedFile::closeFolder() noexcept {
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
}

}  // namespace tessaly
