#include "biff/staged_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

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
    buffer_.clear();
    // A leftover of the same name (same process id from an earlier boot) is
    // never overwritten: another name is tried instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath_ = temporaryNameFor(finalPath);
        descriptor_ = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            buffer_.reserve(kBufferSize);
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
    if (buffer_.size() + bytes.size() > kBufferSize) {
        if (const int error = flush()) return error;
    }
    buffer_.append(bytes);
    return 0;
}

int StagedFile::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t written = ::write(descriptor_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            failure_ = errno;
            return failure_;
        }
        done += static_cast<std::size_t>(written);
    }
    buffer_.clear();
    return 0;
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
    buffer_.clear();
}

}  // namespace tessaly
