// The palette library's state: the table of palettes by number and the current one.
// Callers of the palette operations need only palette/palette.h.
#pragma once

#include <cstdint>

#include "platform/win32.h"

extern IDirectDrawPalette** PaletteTable;
extern std::int32_t PaletteSlots;
extern IDirectDrawPalette* CurrentPalette;
