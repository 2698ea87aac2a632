#pragma once
// How the C library's heap treats large blocks, set once when a program starts.

namespace tessaly {

// Blocks of 4 MiB and more get address space of their own, given back to the
// system as soon as they are freed, and the heap is trimmed once 8 MiB at its
// end are free. Left to itself the heap raises both limits as large blocks
// come and go, and then keeps the freed buffers of long lines (up to 32 MiB
// each) after the line is done, beside the buffers of the lines that follow.
void keepLargeBlocksOutOfTheHeap();

}  // namespace tessaly
