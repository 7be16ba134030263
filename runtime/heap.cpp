// Dimensioned arrays, strings and the string work area in the runtime heap.
#include "runtime/heap.h"

#include <cstring>

#include "runtime/runtime_state.h"

Address StringWorkArea = 0;

namespace {

char* workPointer = nullptr;

// Byte sizes are 32-bit quantities in this system; a size that does not fit is refused
// rather than wrapped into a small block that the elements would overrun.
constexpr std::uint64_t kLargestBlock = 0xFFFFFFFFu;

}  // namespace

Address AllocateElements(std::uint32_t elementSize, std::uint32_t count) {
  std::uint64_t bytes = std::uint64_t{elementSize} * (std::uint64_t{count} + 1) + 8;
  if (bytes > kLargestBlock) return 0;
  auto* block = static_cast<std::uint32_t*>(
      HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(bytes)));
  if (!block) return 0;
  block[0] = count;
  return AddressOf(block) + 4;
}

void* ResizeTable(void* table, std::uint64_t count, std::size_t entrySize) {
  // Tables are indexed by signed 32-bit numbers.
  constexpr std::uint64_t kLargestTable = 0x7FFFFFFF;
  std::uint64_t bytes = count * entrySize;
  if (count > kLargestTable || bytes > kLargestTable) return nullptr;
  auto size = static_cast<SIZE_T>(bytes);
  return table ? HeapReAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, table, size)
               : HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, size);
}

Address AllocateArray(std::uint32_t elementSize, std::int32_t dimensions,
                      std::uint32_t* dimensionList) {
  if (dimensions < 2) return 0;
  // Each word but the last becomes the product of the sizes after it; `size` carries
  // the original size of the word about to be overwritten.
  std::uint64_t product = 1;
  std::uint64_t size = dimensionList[dimensions - 1];
  for (std::int32_t k = dimensions - 1; k >= 1; --k) {
    product *= size;
    if (product > kLargestBlock) return 0;
    size = dimensionList[k - 1];
    dimensionList[k - 1] = static_cast<std::uint32_t>(product);
  }
  std::uint64_t count = size * dimensionList[0];
  if (count > kLargestBlock) return 0;
  return AllocateElements(elementSize, static_cast<std::uint32_t>(count));
}

void FreeArray(Address firstElement) {
  if (firstElement == 0) return;
  HeapFree(RuntimeHeap, 0, AtAddress<void>(firstElement - 8));
}

namespace {

// A new heap block holding a copy of the text: length + 2 bytes, the last one left as the
// heap gives it. Null when the heap has no room.
char* CopyOf(const char* text) {
  std::size_t length = std::strlen(text);
  auto* block = static_cast<char*>(HeapAlloc(RuntimeHeap, 0, length + 2));
  if (block) std::memcpy(block, text, length + 1);
  return block;
}

}  // namespace

void NewString(char** variable, const char* text) {
  if (!text) return;
  if (char* copy = CopyOf(text)) *variable = copy;
}

void AssignString(char** variable, const char* text) {
  // The copy is taken before the old value goes, so a text that lies in the variable's
  // own block survives being assigned to it.
  char* copy = text ? CopyOf(text) : nullptr;
  FreeString(*variable);
  *variable = copy;
}

void FreeString(char* text) {
  if (text) HeapFree(RuntimeHeap, 0, text);
}

char* WorkPointer() { return workPointer; }
void SetWorkPointer(char* pointer) { workPointer = pointer; }
char* WorkAreaEnd() { return AtAddress<char>(StringWorkArea) + kStringWorkAreaSize; }

void ResetStringWorkArea(Address area) {
  StringWorkArea = area;
  workPointer = area ? AtAddress<char>(area) : nullptr;
}

char* CopyToWorkArea(const char* text, std::int32_t limit) {
  char* start = workPointer;
  if (!start) return nullptr;
  // The last byte of the area is kept for the terminator.
  std::size_t room = static_cast<std::size_t>(WorkAreaEnd() - start) - 1;
  std::size_t length = text ? std::strlen(text) : 0;
  if (limit >= 0 && static_cast<std::size_t>(limit) < length) length = limit;
  if (length > room) length = room;
  std::memcpy(start, text ? text : "", length);
  start[length] = '\0';
  workPointer = start + length;
  return start;
}

void AppendWorkString(const char* text) {
  if (!workPointer) return;
  if (text) {
    CopyToWorkArea(text, -1);
    return;
  }
  // Four zero bytes, as far as the area reaches; the pointer stays.
  std::size_t room = static_cast<std::size_t>(WorkAreaEnd() - workPointer);
  std::memset(workPointer, 0, room < 4 ? room : 4);
}

void StoreWorkString(char** variable, char* start) {
  FreeString(*variable);
  std::size_t length = static_cast<std::size_t>(workPointer - start);
  auto* block = static_cast<char*>(HeapAlloc(RuntimeHeap, 0, length + 1));
  workPointer = start;
  if (block) {
    std::memcpy(block, start, length);
    block[length] = '\0';
  }
  *variable = block;
}

namespace {

int Compare(const char* first, const char* second) {
  const auto* a = reinterpret_cast<const unsigned char*>(first ? first : "");
  const auto* b = reinterpret_cast<const unsigned char*>(second ? second : "");
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return (*a > *b) - (*a < *b);
}

}  // namespace

std::int32_t StringEqual(const char* first, const char* second) {
  return Compare(first, second) == 0;
}
std::int32_t StringLess(const char* first, const char* second) {
  return Compare(first, second) < 0;
}
std::int32_t StringGreater(const char* first, const char* second) {
  return Compare(first, second) > 0;
}

void DimensionArray(Address* variable, std::uint32_t elementSize, std::int32_t typeCode,
                    std::int32_t dimensions, std::uint32_t* dimensionList) {
  FreeArray(*variable);
  *variable = 0;
  Address block = dimensions == 1 ? AllocateElements(elementSize, dimensionList[0])
                                  : AllocateArray(elementSize, dimensions, dimensionList);
  if (block == 0) return;
  *AtAddress<std::int32_t>(block) = typeCode;
  *variable = block + 4;
}
