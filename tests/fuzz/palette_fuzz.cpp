// Any file as a palette: refused, or made into a palette whose 256 entries are the
// file's colour table.
#include <cstdint>
#include <string>

#include "palette/palette.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::WriteProgramFile("palette.bmp", data, size);
  std::string name = fuzz::WindowsPath("palette.bmp");
  fuzz::StartRuntime(true);
  InitPalettes(2);
  // Loaded twice into one number: the second replaces the first.
  for (int load = 0; load < 2; ++load) {
    IDirectDrawPalette* palette = LoadPalette(1, name.c_str());
    if (!palette) break;
    PALETTEENTRY entries[256];
    if (palette->GetEntries(0, 0, 256, entries) != DD_OK) fuzz::Fail("no entries");
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* quad = data + 54 + 4 * i;
      if (entries[i].peRed != quad[2] || entries[i].peGreen != quad[1] ||
          entries[i].peBlue != quad[0]) {
        fuzz::Fail("an entry that is not the file's colour");
      }
    }
  }
  fuzz::EndRuntime();
  return 0;
}
