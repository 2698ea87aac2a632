#include "common/serial_worker.h"

#include <algorithm>

namespace tessaly {

SerialWorker::SerialWorker(std::size_t maxQueuedJobs, std::size_t maxQueuedBytes)
    : maxQueuedJobs_(std::max<std::size_t>(maxQueuedJobs, 1)),
      maxQueuedBytes_(maxQueuedBytes),
      wakeJobs_(std::max<std::size_t>(maxQueuedJobs_ / 4, 1)),
      thread_([this] { work(); }) {}

SerialWorker::~SerialWorker() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SerialWorker::releaseFinished(std::unique_lock<std::mutex>& lock) {
    if (finished_.empty()) return;
    std::vector<Queued> finished;
    finished.swap(finished_);
    lock.unlock();
    finished.clear();
    lock.lock();
}

void SerialWorker::post(Job job, std::size_t bytes, Job ahead) {
    std::unique_lock lock(mutex_);
    releaseFinished(lock);
    if (failure_) return;  // nothing runs after a failure
    const auto hasRoom = [&] {
        return queuedJobs_ == 0 || (queuedJobs_ < maxQueuedJobs_ && queuedBytes_ + bytes <= maxQueuedBytes_);
    };
    if (!hasRoom()) {
        hurried_ = true;
        changed_.notify_all();
        changed_.wait(lock, hasRoom);
        hurried_ = false;
    }
    queue_.push_back({std::move(job), bytes, std::move(ahead)});
    ++queuedJobs_;
    queuedBytes_ += bytes;
    const bool wake = queue_.size() >= wakeJobs_ || queuedBytes_ >= maxQueuedBytes_ / 4;
    lock.unlock();
    if (wake) changed_.notify_all();
}

void SerialWorker::wait() {
    std::unique_lock lock(mutex_);
    hurried_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return queuedJobs_ == 0; });
    hurried_ = false;
    releaseFinished(lock);
}

std::exception_ptr SerialWorker::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void SerialWorker::work() {
    std::deque<Queued> batch;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] {
            return closing_ ||
                   (!queue_.empty() && (hurried_ || queue_.size() >= wakeJobs_ || queuedBytes_ >= maxQueuedBytes_ / 4));
        });
        if (closing_) return;
        batch.swap(queue_);
        const bool failedBefore = failure_ != nullptr;
        lock.unlock();
        std::exception_ptr failure;
        std::size_t bytes = 0;
        for (std::size_t index = 0; index < batch.size(); ++index) {
            if (!failedBefore && failure == nullptr && !closing_.load(std::memory_order_relaxed)) {
                try {
                    if (index + 1 < batch.size() && batch[index + 1].ahead) batch[index + 1].ahead();
                    batch[index].job();
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            bytes += batch[index].bytes;
        }
        const std::size_t jobs = batch.size();
        lock.lock();
        for (auto& entry : batch) finished_.push_back(std::move(entry));
        batch.clear();
        if (failure && !failure_) {
            failure_ = failure;
            failed_.store(true, std::memory_order_release);
        }
        queuedJobs_ -= jobs;
        queuedBytes_ -= bytes;
        changed_.notify_all();
    }
}

}  // namespace tessaly
