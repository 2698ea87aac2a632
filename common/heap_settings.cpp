#include "common/heap_settings.h"

#include <malloc.h>

namespace tessaly {

void keepLargeBlocksOutOfTheHeap() {
    ::mallopt(M_MMAP_THRESHOLD, 4 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 8 << 20);
}

}  // namespace tessaly
