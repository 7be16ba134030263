// Counting a heap's blocks on Windows, by walking the heap; the heaps are the system's.
#include "tests/support/heap_blocks.h"

std::size_t LiveBlocks(HANDLE heap) {
  std::size_t blocks = 0;
  PROCESS_HEAP_ENTRY entry{};
  HeapLock(heap);
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
  }
  HeapUnlock(heap);
  return blocks;
}

bool StandInHeaps() { return false; }
