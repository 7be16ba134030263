// The sprite table: the numbered slots every sprite lives in. The screen library makes
// it at its start-up, frees its sprites when the screen is released and draws into them
// (UseBuffer); the loaders above fill it. Each slot keeps the name of the file it came
// from, so that it can be loaded again after DirectDraw lost the contents of video memory.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct SpriteSlot {
  // The sprite's surface, or for a memory image its pixel block; null for an empty slot.
  void* storage;
  std::int16_t width;
  std::int16_t height;
  // Bits per pixel of the image as loaded; kMemoryImageDepth for a memory image.
  std::int16_t depth;
  std::int16_t kind;
  char* fileName;
  std::int16_t drawingWidth;
  std::int16_t drawingHeight;
  std::int16_t originX;
  std::int16_t originY;
};

constexpr std::int16_t kMemoryImageDepth = -2;
constexpr std::int32_t kInitialSpriteCapacity = 50;

extern SpriteSlot* SpriteTable;
extern std::int32_t SpriteTableCapacity;

// A slot that holds a surface, as opposed to nothing or a memory image.
inline bool HoldsSurface(const SpriteSlot& slot) {
  return slot.storage != nullptr && slot.depth != kMemoryImageDepth;
}

// Empties the slot, releasing its storage and its name.
void FreeSprite(std::int32_t sprite);
// Makes the number fit the table.
void GrowSpriteTable(std::int32_t sprite);
