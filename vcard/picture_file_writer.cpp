#include "vcard/picture_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessaly {

// Plain system calls: a picture is written at once, and stdio would add a
// buffer and a stat per file.
std::string writePictureFile(const std::filesystem::path& path, std::string_view bytes) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) return std::strerror(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(file, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(file);
            return std::strerror(error);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(file) != 0) return std::strerror(errno);
    return {};
}

std::string pictureNotWrittenCause(const std::filesystem::path& path, const std::string& reason) {
    return "picture file " + path.string() + " could not be written: " + reason;
}

PictureFileWriter::PictureFileWriter(std::size_t maxQueuedBytes)
    : maxQueuedBytes_(maxQueuedBytes), thread_([this] { work(); }) {}

PictureFileWriter::~PictureFileWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PictureFileWriter::write(std::filesystem::path path, std::string bytes, const std::string& vcardFile,
                              long line) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return queue_.empty() || queuedBytes_ + bytes.size() <= maxQueuedBytes_;
    });
    queuedBytes_ += bytes.size();
    queue_.push_back(Job{std::move(path), std::move(bytes), vcardFile, line});
    lock.unlock();
    changed_.notify_all();
}

void PictureFileWriter::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && !busy_; });
}

std::vector<PictureWriteFailure> PictureFileWriter::takeFailures() {
    std::lock_guard lock(mutex_);
    std::vector<PictureWriteFailure> taken;
    taken.swap(failures_);
    return taken;
}

void PictureFileWriter::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;  // closing, and everything is written
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        const std::string reason = writePictureFile(job.path, job.bytes);
        lock.lock();
        busy_ = false;
        queuedBytes_ -= job.bytes.size();
        if (!reason.empty())
            failures_.push_back(
                PictureWriteFailure{std::move(job.vcardFile), job.line, pictureNotWrittenCause(job.path, reason)});
        changed_.notify_all();
    }
}

}  // namespace tessaly
