// Any file as a sprite, onto 8-, 16- and 32-bit screens and as every kind, then loaded
// again after the screen's surfaces were lost, as a flip does.
#include <cstdint>
#include <string>

#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "sprite/sprite.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/sprite_screen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  SpriteCase spriteCase = SpriteCaseOf(data[0]);
  fuzz::WriteProgramFile("sprite.bmp", data + 1, size - 1);
  std::string name = fuzz::WindowsPath("sprite.bmp");
  OpenSpriteScreen(spriteCase);
  // Slot 60 is past the table's first size, so the table grows first.
  for (std::int32_t sprite : {1, 60}) {
    if (LoadSprite(sprite, name.c_str(), spriteCase.kind) != 0) CheckLoadedSprite(sprite);
  }
  standin::LoseSurfaces();
  FlipBuffers();
  fuzz::EndRuntime();
  return 0;
}
