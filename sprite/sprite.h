// Sprites: numbered images for drawing on the screen, each in a DirectDraw off-screen
// surface in the screen's pixel format or, for kind 2, a block of 8-bit pixels in memory,
// loaded from files or memory into the slots of the sprite table (sprite_table/sprite_table.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

struct SpriteSlot;

// The kinds of sprite: where the image is kept and whether it comes back after the
// display lost video memory. Any other kind is made like kSpriteOffScreen but is not
// loaded again.
constexpr std::int32_t kSpriteOffScreen = 0;     // video memory, loaded again after loss
constexpr std::int32_t kSpriteSystemMemory = 1;  // an off-screen surface in system memory
constexpr std::int32_t kSpriteMemoryImage = 2;   // 8-bit pixels in the runtime heap
constexpr std::int32_t kSpriteTexture = 4;       // a texture surface

// The images a sprite can be made of: Windows bitmaps that are not compressed, of 8
// (palette indices, the palette ignored), 16 (5-5-5), 24 or 32 bits per pixel, and
// whatever a registered image decoder (sprite/decoders.h) accepts. An 8-bit image needs
// an 8-bit screen; the others a screen of 16 bits or more. The pixels are converted to
// the screen's layout, and the screen library's transparent colour (pixel value 0) is
// the surface's source colour key.
//
// Each returns the sprite's storage (its surface, or for a memory image its pixel
// block), or 0. A file that cannot be opened or read into memory leaves the slot as it
// was; any other failure leaves it empty, or holding its new surface when only the
// conversion into it failed.
Address LoadSprite(std::int32_t sprite, const char* fileName, std::int32_t kind = 0);
// An image already in memory, whose size nobody knows: its bitmap header is trusted only
// as far as its fields agree with each other (see StoreSpriteImage).
Address LoadSpriteFromMemory(std::int32_t sprite, const void* image, std::int32_t kind = 0);

// The width and height in pixels of the sprite in the slot; 0 for an empty slot or a
// number the table does not have.
std::int32_t SpriteWidth(std::int32_t sprite);
std::int32_t SpriteHeight(std::int32_t sprite);

// Size of an image whose end is not known.
constexpr std::size_t kUnknownImageSize = static_cast<std::size_t>(-1);
// Makes the sprite of the image and keeps the name for loading it again. With a known
// size nothing outside those bytes is read, and a bitmap whose header, rows or offsets
// reach past them is refused. With an unknown size the header's fields are read and the
// image is refused unless they are consistent: width and height from 1 to 32767 and the
// pixels starting after the fields; the rows they describe are then read as described.
Address StoreSpriteImage(std::int32_t sprite, const void* image, std::int32_t kind,
                         const char* name, std::size_t imageSize = kUnknownImageSize);

// Fills the slot for an image of that size and depth (0: the screen's own) and makes its
// storage: for kind 2 a block of width * height bytes (8-bit images only), otherwise a
// surface, for a depth the open screen can show. The storage's address, or 0 when none
// could be made.
Address CreateSpriteSurface(SpriteSlot* slot, std::int32_t width, std::int32_t height,
                            std::int32_t depth, std::int32_t kind);

// Loads the sprites of kind 0 again from their files, after the display lost video
// memory and the screen was restored. One made from memory has the name "", which opens
// nothing, and keeps its restored surface.
void ReloadSprites();
