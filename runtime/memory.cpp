// Numbered memory blocks in a heap of their own, and peek, poke and copy on raw
// addresses; colour values.
#include "runtime/memory.h"

#include <cstring>

#include "runtime/heap.h"
#include "runtime/runtime_state.h"

HANDLE MemoryBlockHeap = nullptr;
Address* MemoryBlockTable = nullptr;
std::int32_t MemoryBlockCapacity = 0;

namespace {

Address currentBlock = 0;
constexpr std::int32_t kInitialCapacity = 10;
constexpr std::int32_t kGrowth = 50;

// Enlarges the table to hold the number; on failure the old table stays as it was.
bool GrowTable(std::int32_t number) {
  std::int64_t capacity = std::int64_t{number} + kGrowth;
  void* table =
      ResizeTable(MemoryBlockTable, static_cast<std::uint64_t>(capacity + 1), sizeof(Address));
  if (!table) return false;
  MemoryBlockTable = static_cast<Address*>(table);
  MemoryBlockCapacity = static_cast<std::int32_t>(capacity);
  return true;
}

}  // namespace

void InitMemoryBlocks() {
  MemoryBlockCapacity = kInitialCapacity;
  MemoryBlockTable = static_cast<Address*>(
      HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, (kInitialCapacity + 1) * sizeof(Address)));
  MemoryBlockHeap = HeapCreate(0, 4000, 0);
}

void EndMemoryBlocks() {
  if (MemoryBlockHeap) HeapDestroy(MemoryBlockHeap);
  MemoryBlockHeap = nullptr;
  if (MemoryBlockTable) HeapFree(RuntimeHeap, 0, MemoryBlockTable);
  MemoryBlockTable = nullptr;
}

// Without the blocks' heap (a MemoryFree(-1) whose new heap was refused) no block can be
// had, and as with any refused block none is current afterwards.
Address MemoryAllocate(std::int32_t number, std::int32_t size) {
  if (size <= 0 || number < 0 || !MemoryBlockTable) return 0;
  if (number > MemoryBlockCapacity && !GrowTable(number)) return 0;
  MemoryFree(number);
  currentBlock =
      MemoryBlockHeap
          ? AddressOf(HeapAlloc(MemoryBlockHeap, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(size)))
          : 0;
  if (currentBlock == 0) return 0;
  MemoryBlockTable[number] = currentBlock;
  return currentBlock;
}

void MemoryFree(std::int32_t number) {
  if (number < 0) {
    EndMemoryBlocks();
    InitMemoryBlocks();
    return;
  }
  if (!MemoryBlockTable || number > MemoryBlockCapacity) return;
  if (MemoryBlockTable[number] != 0) {
    HeapFree(MemoryBlockHeap, 0, AtAddress<void>(MemoryBlockTable[number]));
    MemoryBlockTable[number] = 0;
  }
}

Address MemoryAddress() { return currentBlock; }

Address MemoryCopy(Address source, Address destination, std::int32_t count) {
  if (count <= 0) return count < 0 ? destination : destination + count;
  std::memmove(AtAddress<void>(destination), AtAddress<void>(source),
               static_cast<std::size_t>(count));
  return destination + static_cast<Address>(count);
}

std::int32_t PeekByte(Address address) { return *AtAddress<std::int8_t>(address); }

std::int32_t PeekWord(Address address) {
  std::int16_t value;
  std::memcpy(&value, AtAddress<void>(address), sizeof value);
  return value;
}

std::int32_t PeekLong(Address address) {
  std::int32_t value;
  std::memcpy(&value, AtAddress<void>(address), sizeof value);
  return value;
}

double PeekFloat(Address address) {
  float value;
  std::memcpy(&value, AtAddress<void>(address), sizeof value);
  return value;
}

char* PeekString(Address address) { return PeekStringLimited(address, -1); }

char* PeekStringLimited(Address address, std::int32_t count) {
  return CopyToWorkArea(AtAddress<const char>(address), count);
}

void PokeByte(Address address, std::int32_t value) {
  *AtAddress<std::uint8_t>(address) = static_cast<std::uint8_t>(value);
}

void PokeWord(Address address, std::int32_t value) {
  auto word = static_cast<std::uint16_t>(value);
  std::memcpy(AtAddress<void>(address), &word, sizeof word);
}

void PokeLong(Address address, std::int32_t value) {
  std::memcpy(AtAddress<void>(address), &value, sizeof value);
}

void PokeFloat(Address address, float value) {
  std::memcpy(AtAddress<void>(address), &value, sizeof value);
}

std::int32_t PokeString(Address address, const char* text) {
  if (!text) {
    *AtAddress<char>(address) = '\0';
    return 0;
  }
  std::size_t length = std::strlen(text);
  std::memcpy(AtAddress<char>(address), text, length + 1);
  return static_cast<std::int32_t>(length);
}

std::int32_t PokeStringLimited(Address address, const char* text, std::int32_t count) {
  char* destination = AtAddress<char>(address);
  std::int32_t copied = 0;
  if (text) {
    while (copied < count && text[copied] != '\0') {
      destination[copied] = text[copied];
      ++copied;
    }
  }
  destination[copied] = '\0';
  return copied;
}

std::uint32_t MakeRGB(std::int32_t red, std::int32_t green, std::int32_t blue) {
  return static_cast<std::uint32_t>(red) + static_cast<std::uint32_t>(green) * 256u +
         static_cast<std::uint32_t>(blue) * 65536u;
}

std::int32_t ColorRed(std::uint32_t color) { return color & 255; }
std::int32_t ColorGreen(std::uint32_t color) { return (color >> 8) & 255; }
std::int32_t ColorBlue(std::uint32_t color) { return (color >> 16) & 255; }
