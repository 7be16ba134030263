// Counting a heap's blocks on the stand-in, which keeps the count; the heaps are its own.
#include "platform/posix/standin.h"
#include "tests/support/heap_blocks.h"

std::size_t LiveBlocks(HANDLE heap) { return standin::HeapBlockCount(heap); }

bool StandInHeaps() { return true; }
