#include "vcard/picture_file_writer.h"

#include "vcard/picture_folder.h"

namespace tessaly {

std::string pictureNotWrittenCause(const std::filesystem::path& path, const std::string& reason) {
    return "picture file " + path.string() + " could not be written: " + reason;
}

PictureFileWriter::PictureFileWriter(std::size_t maxQueuedBytes)
    : maxQueuedBytes_(maxQueuedBytes), wakeBytes_(maxQueuedBytes / 4), thread_([this] { work(); }) {}

PictureFileWriter::~PictureFileWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PictureFileWriter::write(std::shared_ptr<const PictureFolder> folder, std::string name, std::string bytes,
                              const std::string& vcardFile, long line) {
    std::unique_lock lock(mutex_);
    const auto hasRoom = [&] { return queuedBytes_ == 0 || queuedBytes_ + bytes.size() <= maxQueuedBytes_; };
    if (!hasRoom()) {
        // What is queued may be less than a batch: have it written now.
        waitingForRoom_ = true;
        changed_.notify_all();
        changed_.wait(lock, hasRoom);
        waitingForRoom_ = false;
    }
    const std::size_t size = bytes.size();
    queue_.push_back(Job{std::move(folder), std::move(name), std::move(bytes), vcardFile, line});
    // Counted once queued: a job that could not be made leaves no count behind.
    queuedBytes_ += size;
    ++queuedJobs_;
    const bool wake = queuedBytes_ >= wakeBytes_;
    lock.unlock();
    if (wake) changed_.notify_all();
}

void PictureFileWriter::finish() {
    std::unique_lock lock(mutex_);
    draining_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return queuedJobs_ == 0; });
    draining_ = false;
}

std::vector<PictureWriteFailure> PictureFileWriter::takeFailures() {
    std::lock_guard lock(mutex_);
    std::vector<PictureWriteFailure> taken;
    taken.swap(failures_);
    return taken;
}

void PictureFileWriter::work() {
    std::deque<Job> batch;
    std::unique_lock lock(mutex_);
    for (;;) {
        // Files are taken a batch at a time, so that the two threads meet once
        // per batch rather than once per picture.
        changed_.wait(lock, [&] {
            return closing_ || (!queue_.empty() && (draining_ || waitingForRoom_ || queuedBytes_ >= wakeBytes_));
        });
        if (queue_.empty()) return;  // closing, and everything is written
        batch.swap(queue_);
        const std::size_t jobs = batch.size();
        lock.unlock();
        std::size_t written = 0;
        std::vector<PictureWriteFailure> failures;
        for (Job& job : batch) {
            const std::string reason = job.folder->write(job.name, job.bytes);
            if (!reason.empty())
                failures.push_back(PictureWriteFailure{std::move(job.vcardFile), job.line,
                                                       pictureNotWrittenCause(job.folder->path() / job.name, reason)});
            written += job.bytes.size();
        }
        batch.clear();
        lock.lock();
        queuedBytes_ -= written;
        queuedJobs_ -= jobs;
        for (PictureWriteFailure& failure : failures) failures_.push_back(std::move(failure));
        changed_.notify_all();
    }
}

}  // namespace tessaly
