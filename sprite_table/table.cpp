// The sprite table's two operations: emptying a slot and growing the table.
#include <cstdlib>

#include "runtime/heap.h"
#include "runtime/runtime_state.h"
#include "sprite_table/sprite_table.h"

SpriteSlot* SpriteTable = nullptr;
std::int32_t SpriteTableCapacity = 0;

void FreeSprite(std::int32_t sprite) {
  if (!SpriteTable || sprite < 0 || sprite >= SpriteTableCapacity) return;
  SpriteSlot& slot = SpriteTable[sprite];
  if (!slot.storage) return;
  if (slot.depth == kMemoryImageDepth) {
    HeapFree(RuntimeHeap, 0, slot.storage);
  } else {
    static_cast<IDirectDrawSurface7*>(slot.storage)->Release();
  }
  std::free(slot.fileName);
  slot.storage = nullptr;
  slot.fileName = nullptr;
}

// New slots are empty and the old ones keep their contents; a table that cannot grow
// stays as it was.
void GrowSpriteTable(std::int32_t sprite) {
  if (sprite < SpriteTableCapacity) return;
  std::int64_t capacity = std::int64_t{sprite} + kInitialSpriteCapacity;
  void* table = ResizeTable(SpriteTable, static_cast<std::uint64_t>(capacity), sizeof(SpriteSlot));
  if (!table) return;
  SpriteTable = static_cast<SpriteSlot*>(table);
  SpriteTableCapacity = static_cast<std::int32_t>(capacity);
}
