// The global memory calls, for the fixed blocks that the libraries borrow for a moment.
// Each block comes from one private heap of the process, so it is a separate allocation
// with exact bounds like every heap block, and the heap controls of standin.h refuse
// these requests as they refuse any other. Only fixed blocks exist: the handle is the
// block's address. Limits: no movable or discardable blocks, no GlobalLock.
#include "platform/posix/include/winapi.h"

namespace {

HANDLE GlobalHeap() {
  static HANDLE heap = nullptr;
  if (!heap) heap = HeapCreate(0, 0, 0);
  return heap;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~static_cast<UINT>(GMEM_ZEROINIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE heap = GlobalHeap();
  if (!heap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return HeapAlloc(heap, (flags & GMEM_ZEROINIT) ? HEAP_ZERO_MEMORY : 0, bytes);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (!memory) return nullptr;
  HANDLE heap = GlobalHeap();
  if (!heap || !HeapFree(heap, 0, memory)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  return nullptr;
}
