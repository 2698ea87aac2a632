#pragma once
// Lets a long run yield to the window's event loop at its points, but at most
// once per interval: often enough that the window repaints and its buttons
// answer, seldom enough that processing events costs the run nothing.

#include <chrono>
#include <functional>

namespace tessaly {

class EventThrottle {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    EventThrottle(std::function<void()> processEvents, std::chrono::milliseconds interval = std::chrono::milliseconds(20),
                  Clock clock = [] { return std::chrono::steady_clock::now(); })
        : processEvents_(std::move(processEvents)), interval_(interval), clock_(std::move(clock)) {}

    // Processes events when the interval has passed since they last were.
    void poll() {
        const auto now = clock_();
        if (polledOnce_ && now - last_ < interval_) return;
        polledOnce_ = true;
        last_ = now;
        processEvents_();
    }

private:
    std::function<void()> processEvents_;
    std::chrono::milliseconds interval_;
    Clock clock_;
    std::chrono::steady_clock::time_point last_{};
    bool polledOnce_ = false;
};

}  // namespace tessaly
