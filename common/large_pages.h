#pragma once
// Memory for the few large arrays that grow through a whole run (a store's
// B-tree entries and allocation maps, a file's write buffer), asked of the
// system in 2 MB pages (transparent huge pages, which Debian grants to a
// program that asks for them).
//
// Every 4 KB page a program touches for the first time costs a page fault.
// On a virtual machine that fault is far dearer than the work that fills the
// page: 10-12 µs each on the machine the benchmarks run on, so a store's
// entries for 30,000 messages, grown by doubling, cost some 1,200 faults
// (13 ms) of the thread that writes the store. One 2 MB page costs one fault
// (about 0.2 ms there) for what would be 512. Where the system grants no large
// pages the memory is the same memory in 4 KB pages.

#include <cstddef>
#include <new>

namespace tessaly {

// Below this a request is served by the heap as usual: a 2 MB page would be
// mostly empty.
inline constexpr std::size_t kLargePageThreshold = 128 * 1024;
inline constexpr std::size_t kLargePageSize = 2 * 1024 * 1024;

// `bytes` rounded up to whole large pages, zero-filled, aligned to a large
// page and advised to be backed by large pages. Throws std::bad_alloc when the
// system gives no memory.
void* mapLargePages(std::size_t bytes);
// Gives back what mapLargePages(bytes) returned.
void unmapLargePages(void* address, std::size_t bytes) noexcept;

// For a std::vector that may grow to megabytes: its storage from
// mapLargePages from kLargePageThreshold up, from the heap below it.
template <typename T>
class LargePageAllocator {
public:
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargePageThreshold) return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(mapLargePages(bytes));
    }
    void deallocate(T* items, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargePageThreshold)
            ::operator delete(items);
        else
            unmapLargePages(items, bytes);
    }

    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept {
        return true;
    }
};

// A buffer of fixed size whose bytes are not set, from LargePageAllocator.
class LargePageBuffer {
public:
    LargePageBuffer() = default;
    explicit LargePageBuffer(std::size_t size);
    ~LargePageBuffer();
    LargePageBuffer(LargePageBuffer&& other) noexcept;
    LargePageBuffer& operator=(LargePageBuffer&& other) noexcept;
    LargePageBuffer(const LargePageBuffer&) = delete;
    LargePageBuffer& operator=(const LargePageBuffer&) = delete;

    char* data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    void release() noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tessaly
