// Numbered 256-entry DirectDraw palettes, one of them current and shown on an 8-bit
// screen; palettes from the colour table of 8-bit BMP files.
#include "palette/palette.h"

#include <cstdio>
#include <cstring>

#include "palette/palette_state.h"
#include "runtime/little_endian.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"

IDirectDrawPalette** PaletteTable = nullptr;
std::int32_t PaletteSlots = 0;
IDirectDrawPalette* CurrentPalette = nullptr;

namespace {

constexpr DWORD kPaletteCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
constexpr std::size_t kFileHeaderBytes = 14;
// The information header's forms that begin with the same 40 bytes: from the 40-byte
// original to the 124-byte fifth version.
constexpr std::uint32_t kSmallestInfoHeader = 40;
constexpr std::uint32_t kLargestInfoHeader = 124;
constexpr std::size_t kColorTableBytes = 256 * 4;
// A 32-bit process cannot address a table of more slots.
constexpr std::int64_t kMostSlots = 0x1FFFFFFF;

bool InTable(std::int32_t palette) {
  return PaletteTable && palette >= 0 && palette < PaletteSlots;
}

IDirectDrawPalette* Create(PALETTEENTRY* entries) {
  IDirectDrawPalette* created = nullptr;
  if (!ScreenState.directDraw ||
      ScreenState.directDraw->CreatePalette(kPaletteCaps, entries, &created, nullptr) != DD_OK) {
    return nullptr;
  }
  return created;
}

}  // namespace

// A count whose table cannot be had leaves no table, and the result is 0 as for any other
// failed allocation.
Address InitPalettes(std::int32_t highest) {
  std::int64_t slots = std::int64_t{highest} + 1;
  PaletteTable = nullptr;
  if (slots >= 0 && slots <= kMostSlots) {
    PaletteTable = static_cast<IDirectDrawPalette**>(HeapAlloc(
        RuntimeHeap, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(slots) * sizeof(IDirectDrawPalette*)));
  }
  PaletteSlots = PaletteTable ? static_cast<std::int32_t>(slots) : 0;
  if (ScreenState.directDraw) return AddressOf(PaletteTable);
  // The palettes may start before the screen library: they then bind DirectDraw
  // themselves, as the screen library's shared object, without counting as its user.
  HMODULE module = LoadLibraryA("DDRAW.DLL");
  if (!module) return 0;
  auto create =
      ProcedureAs<DirectDrawCreateExFunction>(GetProcAddress(module, "DirectDrawCreateEx"));
  if (!create) return 0;
  if (create(nullptr, reinterpret_cast<LPVOID*>(&ScreenState.directDraw), IID_IDirectDraw7,
             nullptr) != DD_OK) {
    return 0;
  }
  return AddressOf(PaletteTable);
}

IDirectDrawPalette* NewPalette(std::int32_t palette) {
  if (!InTable(palette)) return nullptr;
  PALETTEENTRY entries[256];
  for (PALETTEENTRY& entry : entries) entry = {255, 0, 0, PC_RESERVED | PC_NOCOLLAPSE};
  IDirectDrawPalette* created = Create(entries);
  if (!created) return nullptr;
  FreePalette(palette);
  CurrentPalette = created;
  PaletteTable[palette] = created;
  return created;
}

IDirectDrawPalette* LoadPalette(std::int32_t palette, const char* fileName) {
  if (!InTable(palette)) return nullptr;
  std::FILE* file = OpenStream(fileName, "rb");
  if (!file) return nullptr;
  // Only the headers and the colour table are used: the rest of the file, however large,
  // is never read. The table follows the information header, whose own first field gives
  // its size: 40 bytes in the oldest form, 108 or 124 as drawing programs write it today.
  unsigned char bytes[kFileHeaderBytes + kLargestInfoHeader + kColorTableBytes];
  std::size_t read = std::fread(bytes, 1, sizeof bytes, file);
  std::fclose(file);
  if (read < kFileHeaderBytes + kSmallestInfoHeader || bytes[0] != 'B' || bytes[1] != 'M' ||
      Read16(bytes + 28) != 8) {
    return nullptr;
  }
  std::uint32_t infoHeader = Read32(bytes + kFileHeaderBytes);
  if (infoHeader < kSmallestInfoHeader || infoHeader > kLargestInfoHeader) return nullptr;
  // A table may hold fewer than 256 colours (the header's count of colours used); the
  // entries beyond it are black. A file that ends within its table is refused.
  std::uint32_t colors = Read32(bytes + 46);
  if (colors == 0 || colors > 256) colors = 256;
  std::size_t table = kFileHeaderBytes + infoHeader;
  if (read < table + 4 * colors) return nullptr;
  PALETTEENTRY entries[256];
  for (std::uint32_t i = 0; i < 256; ++i) {
    const unsigned char* quad = &bytes[table + 4 * i];
    entries[i] = i < colors ? PALETTEENTRY{quad[2], quad[1], quad[0], PC_EXPLICIT}
                            : PALETTEENTRY{0, 0, 0, PC_EXPLICIT};
  }
  IDirectDrawPalette* created = Create(entries);
  if (!created) return nullptr;
  // Loaded under the current palette's number, the new palette takes its place as the
  // current one, as it takes its place in the table.
  bool wasCurrent = CurrentPalette && CurrentPalette == PaletteTable[palette];
  FreePalette(palette);
  PaletteTable[palette] = created;
  if (wasCurrent) CurrentPalette = created;
  return created;
}

// A released palette is never reached through the current palette afterwards.
void FreePalette(std::int32_t palette) {
  if (!InTable(palette) || !PaletteTable[palette]) return;
  if (CurrentPalette == PaletteTable[palette]) CurrentPalette = nullptr;
  PaletteTable[palette]->Release();
  PaletteTable[palette] = nullptr;
}

IDirectDrawPalette* UsePalette(std::int32_t palette) {
  CurrentPalette = InTable(palette) ? PaletteTable[palette] : nullptr;
  return CurrentPalette;
}

void ShowPalette(std::int32_t palette) {
  UsePalette(palette);
  if (CurrentPalette && ScreenState.primary) ScreenState.primary->SetPalette(CurrentPalette);
}

void SetPaletteColor(std::int32_t entry, std::uint32_t color) {
  if (!CurrentPalette || entry < 0 || entry > 255) return;
  PALETTEENTRY value;
  std::memcpy(&value, &color, sizeof value);
  CurrentPalette->SetEntries(0, static_cast<DWORD>(entry), 1, &value);
}

std::uint32_t GetPaletteColor(std::int32_t entry) {
  std::uint32_t color = 0;
  if (!CurrentPalette || entry < 0 || entry > 255) return 0;
  PALETTEENTRY value;
  if (CurrentPalette->GetEntries(0, static_cast<DWORD>(entry), 1, &value) != DD_OK) return 0;
  std::memcpy(&color, &value, sizeof color);
  return color;
}

// The table goes with the runtime heap right after this; it is forgotten here so that
// nothing reaches it afterwards.
void EndPalettes() {
  for (std::int32_t palette = 0; palette < PaletteSlots; ++palette) FreePalette(palette);
  PaletteTable = nullptr;
  PaletteSlots = 0;
  CurrentPalette = nullptr;
}
