#include "common/background_data_sync.h"

#include "common/file_system_calls.h"

namespace tessaly {

BackgroundDataSync::BackgroundDataSync(FileSystemCalls& calls, int descriptor)
    : calls_(calls), descriptor_(descriptor), thread_([this] { run(); }) {}

BackgroundDataSync::~BackgroundDataSync() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

void BackgroundDataSync::request() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        requested_ = true;
    }
    changed_.notify_one();
}

void BackgroundDataSync::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return requested_ || stopping_; });
        if (stopping_) return;
        requested_ = false;
        lock.unlock();
        calls_.dataSync(descriptor_);  // a failure shows at the final sync
        lock.lock();
    }
}

}  // namespace tessaly
