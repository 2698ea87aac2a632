// Large arrays in 2 MB pages: what they hold survives their growth, and the
// memory is asked of the system as large pages, on a large page's boundary.

#include "common/large_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessaly {
namespace {

// The flags of the mapping that holds `address`, from /proc/self/smaps
// ("rd wr mr mw me ac hg" …), or "" when no mapping holds it.
std::string mappingFlags(const void* address) {
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t start = 0, end = 0;
        char dash = 0;
        std::istringstream fields(line);
        if (fields >> std::hex >> start >> dash >> end && dash == '-' && line.find(':') > line.find(' ')) {
            inside = start <= wanted && wanted < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line.substr(8) + " ";
        }
    }
    return "";
}

bool onLargePageBoundary(const void* address) {
    return reinterpret_cast<std::uintptr_t>(address) % kLargePageSize == 0;
}

TEST(LargePages, AVectorKeepsItsItemsAsItGrowsPastTheHeapIntoLargePages) {
    std::vector<std::uint64_t, LargePageAllocator<std::uint64_t>> items;
    const std::size_t count = 3 * kLargePageSize / sizeof(std::uint64_t) + 5;  // 6 MB and a bit
    bool wasInTheHeap = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t capacity = items.capacity();
        items.push_back(i * 2654435761u);
        if (items.capacity() != capacity && items.capacity() * sizeof(std::uint64_t) < kLargePageThreshold) {
            wasInTheHeap = true;
            EXPECT_EQ(mappingFlags(items.data()).find(" hg "), std::string::npos);
        }
    }
    EXPECT_TRUE(wasInTheHeap);
    for (std::uint64_t i = 0; i < count; ++i) ASSERT_EQ(items[i], i * 2654435761u) << "item " << i;
    EXPECT_TRUE(onLargePageBoundary(items.data()));
    EXPECT_NE(mappingFlags(items.data()).find(" hg "), std::string::npos) << mappingFlags(items.data());
    items.clear();
    items.shrink_to_fit();
}

TEST(LargePages, MappedMemoryIsZeroedWholePagesThatAreGivenBack) {
    const std::size_t asked = kLargePageSize + 1;
    auto* bytes = static_cast<unsigned char*>(mapLargePages(asked));
    ASSERT_TRUE(onLargePageBoundary(bytes));
    // Rounded up to two whole large pages, every byte of them usable and zero.
    std::size_t nonZero = 0;
    for (std::size_t i = 0; i < 2 * kLargePageSize; i += 4096) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    bytes[2 * kLargePageSize - 1] = 1;
    EXPECT_NE(mappingFlags(bytes + 2 * kLargePageSize - 1), "");
    unmapLargePages(bytes, asked);
    EXPECT_EQ(mappingFlags(bytes), "");
    EXPECT_EQ(mappingFlags(bytes + 2 * kLargePageSize - 1), "");
}

TEST(LargePages, ABufferIsInTheHeapWhenSmallInLargePagesWhenLargeAndMovesWhole) {
    LargePageBuffer small(64 * 1024);
    EXPECT_EQ(small.size(), 64u * 1024);
    EXPECT_EQ(mappingFlags(small.data()).find(" hg "), std::string::npos);
    small.data()[small.size() - 1] = 'x';

    LargePageBuffer large(std::size_t{1} << 20);
    ASSERT_TRUE(onLargePageBoundary(large.data()));
    EXPECT_NE(mappingFlags(large.data()).find(" hg "), std::string::npos);
    large.data()[large.size() - 1] = 'y';

    char* const where = large.data();
    LargePageBuffer moved(std::move(large));
    EXPECT_FALSE(large);
    EXPECT_EQ(moved.data(), where);
    EXPECT_EQ(moved.data()[moved.size() - 1], 'y');
    moved = std::move(small);
    EXPECT_EQ(moved.size(), 64u * 1024);
    EXPECT_EQ(moved.data()[moved.size() - 1], 'x');
    EXPECT_EQ(mappingFlags(where), "");  // the large buffer was given back when replaced
}

}  // namespace
}  // namespace tessaly
