// Private heaps. Each heap owns its blocks: every block is its own allocation (so the
// sanitizers see its exact bounds), recorded in the heap, and HeapDestroy frees all of
// them at once. A block passed to a heap that does not own it is refused.
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "platform/posix/kernel32/kernel_objects.h"
#include "platform/posix/standin.h"

namespace standin {
namespace {

struct Heap : KernelObject {
  std::unordered_map<void*, std::size_t> blocks;
  Heap() { ++count; }
  ~Heap() override {
    for (auto& [block, size] : blocks) std::free(block);
    --count;
  }
  static inline std::size_t count = 0;
};

unsigned failFrom = 0;  // 0: never fail
unsigned requests = 0;  // allocation requests since FailHeapAllocationsFrom
std::function<bool(HANDLE, SIZE_T)> refusal;

// A 32-bit Windows process has 2 GiB of address space; no single block can be larger.
constexpr SIZE_T kLargestBlock = 0x7FFF0000;

bool AllocationRefused(HANDLE heap, SIZE_T bytes) {
  if (bytes > kLargestBlock) return true;
  if (refusal && refusal(heap, bytes)) return true;
  if (failFrom == 0) return false;
  return ++requests >= failFrom;
}

Heap* FindHeap(HANDLE heap) {
  auto* h = Find<Heap>(heap);
  if (!h) SetLastError(ERROR_INVALID_HANDLE);
  return h;
}

}  // namespace

void RefuseHeapAllocations(std::function<bool(HANDLE heap, SIZE_T bytes)> refuse) {
  refusal = std::move(refuse);
}

void FailHeapAllocationsFrom(unsigned request) {
  failFrom = request;
  requests = 0;
}

std::size_t HeapBlockCount(HANDLE heap) {
  auto* h = Find<Heap>(heap);
  return h ? h->blocks.size() : 0;
}

std::size_t HeapCount() { return Heap::count; }

}  // namespace standin

using namespace standin;

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T) {
  if (AllocationRefused(nullptr, 0)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return AddObject(std::make_unique<Heap>());
}

BOOL HeapDestroy(HANDLE heap) {
  if (!FindHeap(heap)) return FALSE;
  RemoveObject(heap);
  return TRUE;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  Heap* h = FindHeap(heap);
  if (!h) return nullptr;
  if (AllocationRefused(heap, bytes)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // A zero-byte request still yields a distinct block, as on Windows.
  void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(bytes ? bytes : 1, 1)
                                           : std::malloc(bytes ? bytes : 1);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  h->blocks.emplace(block, bytes);
  return block;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes) {
  Heap* h = FindHeap(heap);
  if (!h) return nullptr;
  auto found = h->blocks.find(memory);
  if (found == h->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::size_t oldSize = found->second;
  if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
    if (bytes > oldSize) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    found->second = bytes;
    return memory;
  }
  if (AllocationRefused(heap, bytes)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // A failed resize leaves the old block owned by the heap and unchanged.
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::memcpy(block, memory, oldSize < bytes ? oldSize : bytes);
  if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) {
    std::memset(static_cast<char*>(block) + oldSize, 0, bytes - oldSize);
  }
  std::free(memory);
  h->blocks.erase(found);
  h->blocks.emplace(block, bytes);
  return block;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory) {
  Heap* h = FindHeap(heap);
  if (!h) return FALSE;
  if (!memory) return TRUE;
  auto found = h->blocks.find(memory);
  if (found == h->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::free(memory);
  h->blocks.erase(found);
  return TRUE;
}

SIZE_T HeapSize(HANDLE heap, DWORD, LPCVOID memory) {
  Heap* h = FindHeap(heap);
  if (!h) return static_cast<SIZE_T>(-1);
  auto found = h->blocks.find(const_cast<LPVOID>(memory));
  return found == h->blocks.end() ? static_cast<SIZE_T>(-1) : found->second;
}
