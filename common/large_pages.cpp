#include "common/large_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <utility>

namespace tessaly {

namespace {

std::size_t wholeLargePages(std::size_t bytes) { return (bytes + kLargePageSize - 1) / kLargePageSize * kLargePageSize; }

}  // namespace

void* mapLargePages(std::size_t bytes) {
    if (bytes > SIZE_MAX - 2 * kLargePageSize) throw std::bad_alloc();
    const std::size_t size = wholeLargePages(bytes);
    // A large page needs a virtual address on a 2 MB boundary; mmap promises
    // only 4 KB, so one page more is mapped and what lies outside the aligned
    // part is given back.
    void* const mapped = ::mmap(nullptr, size + kLargePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                                -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
    const std::uintptr_t end = start + size + kLargePageSize;
    if (aligned > start) ::munmap(mapped, aligned - start);
    if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    // Only advice: without large pages the memory is simply in small ones.
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void unmapLargePages(void* address, std::size_t bytes) noexcept {
    if (address != nullptr) ::munmap(address, wholeLargePages(bytes));
}

LargePageBuffer::LargePageBuffer(std::size_t size) : data_(LargePageAllocator<char>().allocate(size)), size_(size) {}

LargePageBuffer::~LargePageBuffer() { release(); }

LargePageBuffer::LargePageBuffer(LargePageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargePageBuffer& LargePageBuffer::operator=(LargePageBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void LargePageBuffer::release() noexcept {
    if (data_ == nullptr) return;
    LargePageAllocator<char>().deallocate(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace tessaly
