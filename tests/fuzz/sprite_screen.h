// The headless screen that a sprite input is loaded onto. The input's first byte chooses
// the screen's depth and layout and the sprite's kind; the rest is the image.
#pragma once

#include <cstdint>

struct SpriteCase {
  std::int32_t depth;
  bool fiveSixFive;
  std::int32_t kind;
};

SpriteCase SpriteCaseOf(std::uint8_t selector);

// Starts the runtime with the screen library and opens the case's screen.
void OpenSpriteScreen(const SpriteCase& spriteCase);

// A sprite the loader says it made: its slot holds storage of a size it can have.
void CheckLoadedSprite(std::int32_t sprite);
