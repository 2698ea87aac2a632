#include "biff/staged_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "vcard/write_all.h"

namespace tessaly {

namespace {

// Large enough that a sheet is written in few system calls, small enough to keep
// the writer's memory flat.
constexpr std::size_t kBufferSize = 64 * 1024;

// A hidden name beside the final one, unique per process and per call, so that
// two writers never share a temporary file.
std::filesystem::path temporaryNameFor(const std::filesystem::path& finalPath) {
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + finalPath.filename().string() + "." + std::to_string(::getpid()) +
                             "-" + std::to_string(counter++) + ".tmp";
    return finalPath.parent_path() / name;
}

}  // namespace

StagedFile::~StagedFile() { abandon(); }

int StagedFile::open(const std::filesystem::path& finalPath) {
    abandon();
    finalPath_ = finalPath;
    failure_ = 0;
    committed_ = false;
    used_ = 0;
    // A leftover of the same name (same process id from an earlier boot) is
    // never overwritten: another name is tried instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath_ = temporaryNameFor(finalPath);
        descriptor_ = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
            return 0;
        }
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporaryPath_.clear();
    return error;
}

int StagedFile::write(std::string_view bytes) {
    if (failure_ != 0) return failure_;
    if (descriptor_ < 0) return EBADF;  // not open (or already committed)
    if (bytes.size() > kBufferSize - used_) {
        if (const int error = flush()) return error;
        // What would not fit even in the empty buffer goes out at once.
        if (bytes.size() > kBufferSize) return writeOut(bytes);
    }
    if (bytes.empty()) return 0;  // an empty view may have no data pointer at all
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return 0;
}

int StagedFile::flush() {
    const int error = writeOut(std::string_view(buffer_.get(), used_));
    if (error == 0) used_ = 0;
    return error;
}

int StagedFile::writeOut(std::string_view bytes) {
    failure_ = writeAll(descriptor_, bytes);
    return failure_;
}

int StagedFile::commit() {
    if (failure_ != 0) return failure_;
    if (const int error = flush()) return error;
    if (::fsync(descriptor_) != 0 || ::close(descriptor_) != 0) {
        failure_ = errno;
        descriptor_ = -1;
        return failure_;
    }
    descriptor_ = -1;
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
        failure_ = errno;
        return failure_;
    }
    committed_ = true;
    return 0;
}

void StagedFile::abandon() noexcept {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    used_ = 0;
}

}  // namespace tessaly
