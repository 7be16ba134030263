// Sprites as the drawing buffer: UseBuffer hands drawing a sprite's surface at the slot's
// drawing size, and the screen's back buffer back again; flipping always ends with the
// back buffer.
#include "screen/screen_state.h"
#include "sprite_table/sprite_table.h"
#include "tests/sprite/screen_fixture.h"

namespace {

class DrawingBufferTest : public SpriteScreenTest {
 protected:
  // A plain bitmap file of the size and depth.
  std::string WritePlain(const std::string& name, std::int32_t width, std::int32_t height,
                         std::int32_t bits) {
    return Write(name,
                 BitmapFile(width, height, bits, [](std::int32_t, std::int32_t) { return 0x42u; }));
  }
};

TEST_F(DrawingBufferTest, ASpriteBecomesTheDrawingBufferAtItsDrawingSize) {
  Open(16);
  ASSERT_NE(LoadSprite(3, WritePlain("wide.bmp", 5, 2, 24).c_str()), 0u);
  ASSERT_NE(LoadSprite(4, WritePlain("tall.bmp", 2, 7, 24).c_str()), 0u);

  EXPECT_EQ(UseBuffer(3), Storage(3));
  EXPECT_EQ(ScreenState.drawingBuffer, Storage(3));
  EXPECT_EQ(ScreenState.drawingWidth, 5);
  EXPECT_EQ(ScreenState.drawingHeight, 2);

  EXPECT_EQ(UseBuffer(4), Storage(4));
  EXPECT_EQ(ScreenState.drawingWidth, 2);
  EXPECT_EQ(ScreenState.drawingHeight, 7);

  // Drawing takes the slot's drawing size, which need not be the image's.
  SpriteTable[4].drawingWidth = 1;
  SpriteTable[4].drawingHeight = 3;
  EXPECT_EQ(UseBuffer(4), Storage(4));
  EXPECT_EQ(ScreenState.drawingWidth, 1);
  EXPECT_EQ(ScreenState.drawingHeight, 3);

  EXPECT_EQ(UseBuffer(kBackBuffer), ScreenState.backBuffer);
  EXPECT_EQ(ScreenState.drawingBuffer, ScreenState.backBuffer);
  EXPECT_EQ(ScreenState.drawingWidth, 800);
  EXPECT_EQ(ScreenState.drawingHeight, 600);
}

TEST_F(DrawingBufferTest, WhatHoldsNoSurfaceLeavesTheDrawingBufferAsItWas) {
  Open(8);
  std::string eight = WritePlain("eight.bmp", 3, 2, 8);
  ASSERT_NE(LoadSprite(0, eight.c_str()), 0u);
  ASSERT_NE(LoadSprite(1, eight.c_str(), kSpriteMemoryImage), 0u);
  ASSERT_NE(LoadSprite(2, eight.c_str()), 0u);
  FreeSprite(2);
  ASSERT_EQ(UseBuffer(0), Storage(0));

  // A memory image, a freed slot, one never used, and numbers outside the table.
  for (std::int32_t sprite : {1, 2, 7, SpriteTableCapacity, SpriteTableCapacity + 100, -2}) {
    EXPECT_EQ(UseBuffer(sprite), Storage(0)) << sprite;
    EXPECT_EQ(ScreenState.drawingBuffer, Storage(0)) << sprite;
    EXPECT_EQ(ScreenState.drawingWidth, 3) << sprite;
    EXPECT_EQ(ScreenState.drawingHeight, 2) << sprite;
  }
}

TEST_F(DrawingBufferTest, FlippingDrawsOnTheWholeBackBufferAgain) {
  Open(8);
  // A sprite of a size the display could also be set to.
  ASSERT_NE(LoadSprite(0, WritePlain("large.bmp", 640, 480, 8).c_str()), 0u);
  UseBuffer(0);
  EXPECT_EQ(FlipBuffers(), ScreenState.backBuffer);
  EXPECT_EQ(ScreenState.drawingWidth, 800);
  EXPECT_EQ(ScreenState.drawingHeight, 600);

  // A display restored while a sprite was the drawing buffer comes back at the screen's
  // size, its back buffer black to the far corner.
  UseBuffer(0);
  standin::LoseSurfaces();
  EXPECT_EQ(FlipBuffers(), ScreenState.backBuffer);
  EXPECT_EQ(display->Mode().width, 800u);
  EXPECT_EQ(display->Mode().height, 600u);
  EXPECT_EQ(SurfacePixel(ScreenState.backBuffer, 799, 599, 1), 0u);
  EXPECT_EQ(ScreenState.drawingWidth, 800);
  EXPECT_EQ(ScreenState.drawingHeight, 600);
}

}  // namespace
