// Numbered 256-entry palettes for 8-bit screens. One of them is current: the entry-level
// operations act on it. Showing a palette attaches it to the open screen's primary
// surface. Colour values hold red, green, blue and flags in their four bytes, lowest
// first: the layout of a palette entry.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

// A table of palettes numbered 0 to highest; makes sure a DirectDraw object exists.
Address InitPalettes(std::int32_t highest);
IDirectDrawPalette* NewPalette(std::int32_t palette);
// A palette from the colour table of an 8-bit BMP file, found after its information
// header (of 40 to 124 bytes); entries beyond a table of fewer than 256 colours are black.
// The current palette stays, unless it is the one replaced: the new one is then current.
IDirectDrawPalette* LoadPalette(std::int32_t palette, const char* fileName);
void FreePalette(std::int32_t palette);
IDirectDrawPalette* UsePalette(std::int32_t palette);
void ShowPalette(std::int32_t palette);
void SetPaletteColor(std::int32_t entry, std::uint32_t color);
std::uint32_t GetPaletteColor(std::int32_t entry);
void EndPalettes();
