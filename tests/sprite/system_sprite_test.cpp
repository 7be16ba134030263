// Sprites on the system's own DirectDraw: the stand-in natively, the real one under
// Windows and Wine. Real full screens of 8, 16 and 32 bits, bitmaps of every depth
// written by the test, and the pixel values and colour key the surfaces hold afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "file/file.h"
#include "palette/palette.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "tests/support/bitmaps.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

class SpritesOnTheSystemTest : public RuntimeTest {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no display to open screens on";
    RuntimeTest::SetUp();
    ASSERT_NE(InitScreenLibrary(), 0u);
    eight = Write("eight.bmp", BitmapFile(3, 2, 8, [](std::int32_t x, std::int32_t row) {
                    return 1 + x + 3 * row;
                  }));
    // White, pure red and 0x123456 (R, G, B) in stored rows 0, 1 and 2.
    colours = Write("colours.bmp", BitmapFile(1, 3, 24, [](std::int32_t, std::int32_t row) {
                      const std::uint32_t rgb[] = {0xFFFFFF, 0xFF0000, 0x123456};
                      return rgb[row];
                    }));
    sixteen = Write("sixteen.bmp", BitmapFile(1, 2, 16, [](std::int32_t, std::int32_t row) {
                      return row == 0 ? 32767u : 0x1234u;
                    }));
    thirtyTwo =
        Write("thirtytwo.bmp", BitmapFile(3, 1, 32, [](std::int32_t x, std::int32_t) {
                return static_cast<std::uint32_t>(x | 0x20 << 8 | 0x80 << 16 | (0x40 + x) << 24);
              }));
  }
  void TearDown() override {
    if (RuntimeHeap) RuntimeTest::TearDown();
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    dir.Write(name, bytes);
    return dir.WindowsPath(name);
  }
  static void* Storage(std::int32_t sprite) { return SpriteTable[sprite].storage; }

  TempDir dir;
  std::string eight, colours, sixteen, thirtyTwo;
};

TEST_F(SpritesOnTheSystemTest, EightBitScreen) {
  ASSERT_EQ(OpenScreen(800, 600, 8, "sprites"), 1);
  EXPECT_EQ(PixelFormatCode(), 1);
  ASSERT_NE(LoadSprite(0, eight.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 3), (Bytes{4, 5, 6}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{1, 2, 3}));
  for (const std::string* deeper : {&colours, &sixteen, &thirtyTwo}) {
    EXPECT_EQ(LoadSprite(1, deeper->c_str()), 0u) << *deeper;
    EXPECT_EQ(Storage(1), nullptr);
  }
}

TEST_F(SpritesOnTheSystemTest, SixteenBitScreen) {
  ASSERT_EQ(OpenScreen(800, 600, 16, "sprites"), 1);
  ASSERT_EQ(PixelFormatCode(), 3);
  ASSERT_NE(LoadSprite(0, colours.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, 2), 65535u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, 2), 63488u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 4522u);  // 2 << 11 | 13 << 5 | 10
  EXPECT_EQ(SourceColorKey(Storage(0)), (std::vector<DWORD>{0, 0}));
  ASSERT_NE(LoadSprite(1, sixteen.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(1), 0, 1, 2), 65503u);
  EXPECT_EQ(SurfacePixel(Storage(1), 0, 0, 2), 9300u);  // 4 << 11 | 34 << 5 | 20
  ASSERT_NE(LoadSprite(2, thirtyTwo.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(2), 2, 0, 2), (16u << 11) | (8u << 5));
  EXPECT_EQ(LoadSprite(3, eight.c_str()), 0u);
  EXPECT_EQ(Storage(3), nullptr);
}

TEST_F(SpritesOnTheSystemTest, ThirtyTwoBitScreen) {
  ASSERT_EQ(OpenScreen(800, 600, 32, "sprites"), 1);
  ASSERT_EQ(PixelFormatCode(), 7);
  ASSERT_NE(LoadSprite(0, colours.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 2, 3), (Bytes{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{0x00, 0x00, 0xFF}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 3), (Bytes{0x56, 0x34, 0x12}));
  EXPECT_EQ(SourceColorKey(Storage(0)), (std::vector<DWORD>{0, 0}));
  ASSERT_NE(LoadSprite(1, sixteen.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(1), 0, 1, 4), (Bytes{248, 248, 248, 0}));
  EXPECT_EQ(SurfaceBytes(Storage(1), 0, 0, 4), (Bytes{160, 136, 32, 0}));
  ASSERT_NE(LoadSprite(2, thirtyTwo.c_str()), 0u);
  for (std::uint8_t x = 0; x < 3; ++x) {
    EXPECT_EQ(SurfaceBytes(Storage(2), x, 0, 4), (Bytes{x, 0x20, 0x80, std::uint8_t(0x40 + x)}));
  }
  // A memory image needs no screen depth of its own.
  Address image = LoadSprite(3, eight.c_str(), 2);
  ASSERT_NE(image, 0u);
  const auto* pixels = AtAddress<std::uint8_t>(image);
  EXPECT_EQ(Bytes(pixels, pixels + 6), (Bytes{4, 5, 6, 1, 2, 3}));
}

// Bitmaps as ImageMagick writes them (imagemagick/write.sh), with the 124-byte header of
// today's drawing programs, beside the test program: the 8-bit one's pixels through its
// own palette and the 24-bit one's pixels are the colours the files hold, on 8- and
// 32-bit screens.
class BitmapsFromDrawingToolsTest : public SpritesOnTheSystemTest {
 protected:
  void SetUp() override {
    SpritesOnTheSystemTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_NE(WorkBesideProgram(), 0);
    ASSERT_NE(InitPalettes(1), 0u);
  }
  // The colour of the picture the files were written from, at x, y.
  static std::uint32_t Drawn(std::int32_t x, std::int32_t y) {
    return MakeRGB(20 * x + 15, 30 * y + 10, 7 * x * y % 256);
  }
  // Each pixel of the sprite, as palette 0's colour of the index that `index` reads.
  template <class Index>
  void ExpectPaletteColours(Index index) {
    UsePalette(0);
    for (std::int32_t y = 0; y < 8; ++y) {
      for (std::int32_t x = 0; x < 12; ++x) {
        EXPECT_EQ(GetPaletteColor(index(x, y)) & 0xFFFFFF, Drawn(x, y)) << x << ", " << y;
      }
    }
  }
};

TEST_F(BitmapsFromDrawingToolsTest, EightBitScreenShowsTheFilesColours) {
  ASSERT_EQ(OpenScreen(800, 600, 8, "sprites"), 1);
  ASSERT_NE(LoadPalette(0, "palette.bmp"), nullptr);
  ASSERT_NE(LoadSprite(0, "palette.bmp"), 0u);
  EXPECT_EQ(SpriteWidth(0), 12);
  EXPECT_EQ(SpriteHeight(0), 8);
  ExpectPaletteColours([](std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(SurfaceBytes(Storage(0), x, y, 1)[0]);
  });
}

TEST_F(BitmapsFromDrawingToolsTest, ThirtyTwoBitScreenShowsTheFilesColours) {
  ASSERT_EQ(OpenScreen(800, 600, 32, "sprites"), 1);
  ASSERT_NE(LoadSprite(0, "truecolor.bmp"), 0u);
  for (std::int32_t y = 0; y < 8; ++y) {
    for (std::int32_t x = 0; x < 12; ++x) {
      EXPECT_EQ(SurfacePixel(Storage(0), x, y, 4) & 0xFFFFFF, ScreenPixel(Drawn(x, y)))
          << x << ", " << y;
    }
  }
  // The 8-bit one as its indices in memory, coloured by its palette.
  Address indices = LoadSprite(1, "palette.bmp", kSpriteMemoryImage);
  ASSERT_NE(indices, 0u);
  ASSERT_NE(LoadPalette(0, "palette.bmp"), nullptr);
  ExpectPaletteColours([indices](std::int32_t x, std::int32_t y) {
    return PeekByte(indices + static_cast<Address>(y * 12 + x)) & 0xFF;
  });
}

}  // namespace
