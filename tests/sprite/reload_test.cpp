// Surface loss: after the next flip restores the display, the sprites of kind 0 come
// again from their files; the others keep what the restoration left, or, in system
// memory, their own pixels.
#include "screen/screen_state.h"
#include "sprite/decoders.h"
#include "sprite_table/sprite_table.h"
#include "tests/sprite/screen_fixture.h"

namespace {

using SpriteReloadTest = SpriteScreenTest;

Bytes Plain(std::uint32_t bgr) {
  return BitmapFile(2, 2, 24, [bgr](std::int32_t, std::int32_t) { return bgr; });
}

constexpr std::uint32_t kRestored = standin::kRestoredSurfaceFill | standin::kRestoredSurfaceFill
                                                                        << 8;

TEST_F(SpriteReloadTest, SpritesFromFilesAreLoadedAgainAfterTheSurfacesWereLost) {
  Open(16);
  std::string fromFile = Write("white.bmp", Plain(0xFFFFFF));
  std::string turnsBad = Write("turns-bad.bmp", Plain(0xFFFFFF));
  Bytes memoryImage = Plain(0xFFFFFF);
  ASSERT_NE(LoadSprite(0, fromFile.c_str(), 0), 0u);
  ASSERT_NE(LoadSpriteFromMemory(1, memoryImage.data(), 0), 0u);
  ASSERT_NE(LoadSprite(2, fromFile.c_str(), 1), 0u);
  ASSERT_NE(LoadSprite(3, fromFile.c_str(), 4), 0u);
  ASSERT_NE(LoadSprite(4, turnsBad.c_str(), 0), 0u);
  Bytes eight = BitmapFile(2, 2, 8, [](std::int32_t, std::int32_t) { return 0x33u; });
  ASSERT_NE(LoadSprite(5, Write("eight.bmp", eight).c_str(), 2), 0u);
  void* memorySprite = Storage(1);
  void* memoryImageBlock = Storage(5);

  // The files change meanwhile: red now, and an image that is refused.
  Write("white.bmp", Plain(0xFF0000));
  Bytes bad = Plain(0xFFFFFF);
  SetField32(bad, 30, 1);
  Write("turns-bad.bmp", bad);
  standin::LoseSurfaces();
  FlipBuffers();

  EXPECT_EQ(SurfacePixel(Storage(0), 1, 1, 2), 63488u);
  EXPECT_STREQ(SpriteTable[0].fileName, fromFile.c_str());
  EXPECT_EQ(SpriteTable[0].kind, 0);
  // From memory: nothing to load from, the restored surface stays.
  EXPECT_EQ(Storage(1), memorySprite);
  EXPECT_EQ(SurfacePixel(Storage(1), 1, 1, 2), kRestored);
  EXPECT_STREQ(SpriteTable[1].fileName, "");
  // Kinds 1 and 4 are not loaded again: the first, in system memory, was not lost and
  // keeps its own pixels; the second has what the restoration left.
  EXPECT_EQ(SurfacePixel(Storage(2), 1, 1, 2), 65535u);
  EXPECT_EQ(SurfacePixel(Storage(3), 0, 0, 2), kRestored);
  EXPECT_EQ(Storage(4), nullptr);
  EXPECT_EQ(SpriteTable[4].fileName, nullptr);
  EXPECT_EQ(Storage(5), memoryImageBlock);
  EXPECT_EQ(static_cast<const std::uint8_t*>(memoryImageBlock)[0], 0x33);
}

TEST_F(SpriteReloadTest, WithoutLossAFlipLoadsNothing) {
  Open(16);
  std::string name = Write("white.bmp", Plain(0xFFFFFF));
  ASSERT_NE(LoadSprite(0, name.c_str(), 0), 0u);
  void* surface = Storage(0);
  Write("white.bmp", Plain(0xFF0000));
  FlipBuffers();
  EXPECT_EQ(Storage(0), surface);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 65535u);
}

bool Maximized() { return standin::DescribeWindow(ScreenState.window)->style & WS_MAXIMIZE; }

// A decoder that only looks: whether the screen's window was shown maximised when a
// reload asked it about an image.
bool maximizedAtReload = false;
const ImageDecoder kWindowWatcher = {[](std::FILE*, const void*, const char*) {
                                       maximizedAtReload = Maximized();
                                       return 0;
                                     },
                                     nullptr, nullptr, nullptr};

// The restored display is shown maximised again before the sprites are loaded again.
TEST_F(SpriteReloadTest, TheWindowIsShownAgainBeforeSpritesAreLoaded) {
  Open(8);
  std::string name =
      Write("dots.bmp", BitmapFile(2, 2, 8, [](std::int32_t, std::int32_t) { return 7u; }));
  ASSERT_NE(LoadSprite(0, name.c_str(), 0), 0u);
  RegisterImageDecoder(kWindowWatcher);
  Write("dots.bmp", Bytes{'N', 'o', 't', ' ', 'a', ' ', 'b', 'i', 't', 'm', 'a', 'p'});
  ShowWindow(ScreenState.window, SW_SHOWNORMAL);  // as a user who switched away left it
  ASSERT_FALSE(Maximized());
  standin::LoseSurfaces();
  FlipBuffers();
  EXPECT_TRUE(maximizedAtReload);
  EXPECT_TRUE(Maximized());
}

}  // namespace
