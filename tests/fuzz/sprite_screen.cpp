// A screen on the stand-in's headless display for the sprite fuzz targets.
#include "tests/fuzz/sprite_screen.h"

#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "tests/fuzz/fuzz_support.h"

SpriteCase SpriteCaseOf(std::uint8_t selector) {
  static constexpr SpriteCase kScreens[] = {
      {8, true, 0}, {16, true, 0}, {16, false, 0}, {32, true, 0}};
  static constexpr std::int32_t kKinds[] = {kSpriteOffScreen, kSpriteSystemMemory,
                                            kSpriteMemoryImage, kSpriteTexture};
  SpriteCase spriteCase = kScreens[selector & 3];
  spriteCase.kind = kKinds[(selector >> 2) & 3];
  return spriteCase;
}

void OpenSpriteScreen(const SpriteCase& spriteCase) {
  fuzz::StartRuntime(true);
  standin::SetDisplayPixelLayout16(spriteCase.fiveSixFive);
  // A small screen keeps each input quick; the sprite's size is its own.
  if (OpenScreen(320, 240, spriteCase.depth, "") != 1) fuzz::Fail("no screen");
}

void CheckLoadedSprite(std::int32_t sprite) {
  if (sprite >= SpriteTableCapacity) fuzz::Fail("a sprite outside the table");
  const SpriteSlot& slot = SpriteTable[sprite];
  if (!slot.storage) fuzz::Fail("a loaded sprite without storage");
  if (slot.width < 1 || slot.height < 1) fuzz::Fail("a loaded sprite without size");
}
