// Bitmaps of every depth loaded into sprites on screens of every depth and layout: the
// exact pixel values the surfaces hold afterwards.
#include <cstring>

#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "sprite_table/sprite_table.h"
#include "tests/sprite/screen_fixture.h"

namespace {

using SpriteConversionTest = SpriteScreenTest;

// Stored rows 1 2 3 / 4 5 6, each padded to 4 bytes.
Bytes EightBit3x2() {
  return BitmapFile(3, 2, 8, [](std::int32_t x, std::int32_t row) { return 1 + x + 3 * row; });
}

// One pixel a row: white, pure red, and 0x123456 (as R, G, B) in stored rows 0, 1, 2. A
// value's low byte is stored first: blue.
Bytes TwentyFourBitColours() {
  return BitmapFile(1, 3, 24, [](std::int32_t, std::int32_t row) {
    const std::uint32_t rgb[] = {0xFFFFFF, 0xFF0000, 0x123456};
    return rgb[row];
  });
}

TEST_F(SpriteConversionTest, EightBitBitmapKeepsItsBytesWithTheFirstStoredRowAtTheBottom) {
  Open(8);
  EXPECT_EQ(PixelFormatCode(), 1);
  std::string name = Write("eight.bmp", EightBit3x2());
  Address result = LoadSprite(5, name.c_str());
  ASSERT_NE(result, 0u);
  const SpriteSlot& slot = SpriteTable[5];
  EXPECT_EQ(AddressOf(slot.storage), result);
  EXPECT_EQ(slot.width, 3);
  EXPECT_EQ(slot.height, 2);
  EXPECT_EQ(slot.depth, 8);
  EXPECT_EQ(slot.kind, 0);
  EXPECT_EQ(slot.drawingWidth, 3);
  EXPECT_EQ(slot.drawingHeight, 2);
  EXPECT_EQ(slot.originX, 0);
  EXPECT_EQ(slot.originY, 0);
  EXPECT_STREQ(slot.fileName, name.c_str());
  EXPECT_EQ(SurfaceBytes(slot.storage, 0, 0, 3), (Bytes{4, 5, 6}));
  EXPECT_EQ(SurfaceBytes(slot.storage, 0, 1, 3), (Bytes{1, 2, 3}));
  // Black is transparent.
  DDCOLORKEY key{7, 7};
  ASSERT_EQ(static_cast<IDirectDrawSurface7*>(slot.storage)->GetColorKey(DDCKEY_SRCBLT, &key),
            DD_OK);
  EXPECT_EQ(key.dwColorSpaceLowValue, 0u);
  EXPECT_EQ(key.dwColorSpaceHighValue, 0u);
}

TEST_F(SpriteConversionTest, TrueColourOnSixteenBitScreensTakesTheScreensLayout) {
  Open(16, true);
  EXPECT_EQ(PixelFormatCode(), 3);
  std::string name = Write("colours.bmp", TwentyFourBitColours());
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, 2), 65535u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, 2), 63488u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 4522u);  // 2 << 11 | 13 << 5 | 10

  Open(16, false);
  EXPECT_EQ(PixelFormatCode(), 2);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, 2), 32767u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, 2), 31744u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 2250u);  // 2 << 10 | 6 << 5 | 10
}

TEST_F(SpriteConversionTest, TwentyFourBitRowsArePaddedToFourBytes) {
  // 5 pixels of 3 bytes: rows of 16 bytes. Pixel (x, row) is blue x, green row, red 9.
  Bytes file = BitmapFile(5, 2, 24, [](std::int32_t x, std::int32_t row) {
    return static_cast<std::uint32_t>(x | row << 8 | 9 << 16);
  });
  ASSERT_EQ(file.size(), 54u + 2 * 16);
  Open(32);
  EXPECT_EQ(PixelFormatCode(), 7);
  std::string name = Write("wide.bmp", file);
  ASSERT_NE(LoadSprite(1, name.c_str()), 0u);
  for (std::int32_t x = 0; x < 5; ++x) {
    EXPECT_EQ(SurfaceBytes(Storage(1), x, 1, 4), (Bytes{static_cast<std::uint8_t>(x), 0, 9, 0}));
    EXPECT_EQ(SurfaceBytes(Storage(1), x, 0, 4), (Bytes{static_cast<std::uint8_t>(x), 1, 9, 0}));
  }
}

TEST_F(SpriteConversionTest, SixteenBitPixelsOnEveryScreenDepth) {
  // One pixel a row, so each row is padded from 2 to 4 bytes: 32767 (white), 0x1234 (red
  // 4, green 17, blue 20) and 0x8001, whose top bit is no colour.
  Bytes file = BitmapFile(1, 3, 16, [](std::int32_t, std::int32_t row) {
    const std::uint32_t values[] = {32767, 0x1234, 0x8001};
    return values[row];
  });
  ASSERT_EQ(file.size(), 54u + 3 * 4);
  std::string name = Write("sixteen.bmp", file);

  Open(16, true);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, 2), 65503u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, 2), 9300u);  // 4 << 11 | 34 << 5 | 20
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 1u);

  Open(16, false);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, 2), 32767u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, 2), 0x1234u);
  EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, 2), 0x8001u);

  Open(24);
  EXPECT_EQ(PixelFormatCode(), 5);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 2, 3), (Bytes{248, 248, 248}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{160, 136, 32}));

  Open(32);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 2, 4), (Bytes{248, 248, 248, 0}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 4), (Bytes{160, 136, 32, 0}));
}

TEST_F(SpriteConversionTest, ThirtyTwoBitRowsAreUnpaddedAndKeepTheirFourthByte) {
  // 3 pixels of 4 bytes: rows of 12. Pixel (x, row) holds bytes x, row, 0x80, 0x40 + x.
  Bytes file = BitmapFile(3, 2, 32, [](std::int32_t x, std::int32_t row) {
    return static_cast<std::uint32_t>(x | row << 8 | 0x80 << 16 | (0x40 + x) << 24);
  });
  ASSERT_EQ(file.size(), 54u + 2 * 12);
  std::string name = Write("thirtytwo.bmp", file);

  Open(32);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  for (std::uint8_t x = 0; x < 3; ++x) {
    EXPECT_EQ(SurfaceBytes(Storage(0), x, 1, 4), (Bytes{x, 0, 0x80, std::uint8_t(0x40 + x)}));
    EXPECT_EQ(SurfaceBytes(Storage(0), x, 0, 4), (Bytes{x, 1, 0x80, std::uint8_t(0x40 + x)}));
  }

  Open(24);
  EXPECT_EQ(PixelFormatCode(), 5);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 2, 0, 3), (Bytes{2, 1, 0x80}));

  // Blue 2 -> 0, green 1 -> 0, red 0x80 -> 16.
  Open(16, true);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 2, 0, 2), 16u << 11);
  Open(16, false);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(0), 2, 0, 2), 16u << 10);
}

TEST_F(SpriteConversionTest, TwentyFourBitPixelsOnTrueColourScreens) {
  std::string name = Write("colours.bmp", TwentyFourBitColours());
  Open(24);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 3), (Bytes{0x56, 0x34, 0x12}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{0x00, 0x00, 0xFF}));
  Open(32);
  ASSERT_NE(LoadSprite(0, name.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 4), (Bytes{0x56, 0x34, 0x12, 0}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 2, 4), (Bytes{0xFF, 0xFF, 0xFF, 0}));
}

// Whichever byte the screen keeps red in, sprites hold blue, green, red from the lowest
// address.
TEST_F(SpriteConversionTest, RedInTheLowByteLeavesTheBytesInBlueGreenRedOrder) {
  std::string colours = Write("colours.bmp", TwentyFourBitColours());
  // Red 4, green 17, blue 20.
  std::string sixteen = Write(
      "sixteen.bmp", BitmapFile(1, 1, 16, [](std::int32_t, std::int32_t) { return 0x1234u; }));
  // Stored bytes 0x11, 0x22, 0x33 and a fourth of 0x44.
  std::string thirtyTwo =
      Write("thirtytwo.bmp",
            BitmapFile(2, 1, 32, [](std::int32_t, std::int32_t) { return 0x44332211u; }));

  Open(24, true, true);
  ASSERT_EQ(PixelFormatCode(), 4);
  ASSERT_NE(LoadSprite(0, colours.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 3), (Bytes{0x56, 0x34, 0x12}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{0x00, 0x00, 0xFF}));
  ASSERT_NE(LoadSprite(1, sixteen.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(1), 0, 0, 3), (Bytes{160, 136, 32}));
  ASSERT_NE(LoadSprite(2, thirtyTwo.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(2), 1, 0, 3), (Bytes{0x11, 0x22, 0x33}));

  Open(32, true, true);
  ASSERT_EQ(PixelFormatCode(), 6);
  ASSERT_NE(LoadSprite(0, colours.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 0, 3), (Bytes{0x56, 0x34, 0x12}));
  EXPECT_EQ(SurfaceBytes(Storage(0), 0, 1, 3), (Bytes{0x00, 0x00, 0xFF}));
  ASSERT_NE(LoadSprite(1, sixteen.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(1), 0, 0, 4), (Bytes{160, 136, 32, 0}));
  ASSERT_NE(LoadSprite(2, thirtyTwo.c_str()), 0u);
  EXPECT_EQ(SurfaceBytes(Storage(2), 1, 0, 4), (Bytes{0x11, 0x22, 0x33, 0x44}));
}

// Pixels of value 0 are transparent on every screen, whatever the kind of surface.
TEST_F(SpriteConversionTest, BlackIsTheSourceColourKeyAtEveryDepth) {
  std::string colours = Write("colours.bmp", TwentyFourBitColours());
  struct Screen {
    std::int32_t depth;
    bool fiveSixFive;
    bool redLow;
  };
  for (Screen screen : {Screen{16, true, false}, Screen{16, false, false}, Screen{24, true, false},
                        Screen{24, true, true}, Screen{32, true, false}, Screen{32, true, true}}) {
    Open(screen.depth, screen.fiveSixFive, screen.redLow);
    for (std::int32_t kind : {0, 1, 4}) {
      ASSERT_NE(LoadSprite(kind, colours.c_str(), kind), 0u);
      EXPECT_EQ(SourceColorKey(Storage(kind)), (std::vector<DWORD>{0, 0}))
          << "depth " << screen.depth << ", code " << PixelFormatCode() << ", kind " << kind;
    }
  }
}

TEST_F(SpriteConversionTest, AnImageNeedsAScreenThatCanShowItsDepth) {
  std::string eight = Write("eight.bmp", EightBit3x2());
  std::string colours = Write("colours.bmp", TwentyFourBitColours());

  // No screen: only memory images.
  for (std::int32_t kind : {0, 1, 4, 7}) {
    EXPECT_EQ(LoadSprite(0, eight.c_str(), kind), 0u) << kind;
    EXPECT_EQ(Storage(0), nullptr) << kind;
    EXPECT_EQ(SpriteTable[0].fileName, nullptr) << kind;
  }
  EXPECT_NE(LoadSprite(0, eight.c_str(), 2), 0u);

  Open(16);
  EXPECT_EQ(LoadSprite(1, eight.c_str()), 0u);
  EXPECT_EQ(Storage(1), nullptr);
  EXPECT_NE(LoadSprite(2, colours.c_str()), 0u);

  Open(8);
  EXPECT_EQ(LoadSprite(3, colours.c_str()), 0u);
  EXPECT_EQ(Storage(3), nullptr);
  EXPECT_NE(LoadSprite(4, eight.c_str()), 0u);

  // A screen that was closed shows nothing any more.
  CloseScreen();
  EXPECT_EQ(LoadSprite(4, eight.c_str()), 0u);
  EXPECT_EQ(Storage(4), nullptr);
}

TEST_F(SpriteConversionTest, EachKindMakesItsOwnSurface) {
  Open(16);
  std::string colours = Write("colours.bmp", TwentyFourBitColours());
  const std::pair<std::int32_t, DWORD> kinds[] = {
      {0, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY},
      {1, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY},
      {4, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY},
      {9, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY}};
  for (auto [kind, caps] : kinds) {
    ASSERT_NE(LoadSprite(kind, colours.c_str(), kind), 0u) << kind;
    EXPECT_EQ(SpriteTable[kind].kind, kind);
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    ASSERT_EQ(static_cast<IDirectDrawSurface7*>(Storage(kind))->GetSurfaceDesc(&description),
              DD_OK);
    EXPECT_EQ(description.ddsCaps.dwCaps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY |
                                            DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY),
              caps)
        << kind;
    EXPECT_EQ(description.dwWidth, 1u);
    EXPECT_EQ(description.dwHeight, 3u);
    EXPECT_EQ(SurfacePixel(Storage(kind), 0, 1, 2), 63488u) << kind;
  }
}

// A colour as the open screen's pixel, in every layout; on the usual 16- and 32-bit
// layouts, the very pixel the loader makes of that colour in a 24-bit bitmap.
TEST_F(SpriteConversionTest, AColourValueBecomesTheOpenScreensPixel) {
  EXPECT_EQ(ScreenPixel(MakeRGB(255, 255, 255)), 0u);  // no screen yet
  struct Case {
    std::int32_t depth;
    bool fiveSixFive, redLow;
    std::uint32_t white, red, mixed;  // MakeRGB(0x12, 0x34, 0x56) as the last
  } cases[] = {
      {8, true, false, 0, 0, 0},
      {16, false, false, 0x7FFF, 0x7C00, 2 << 10 | 6 << 5 | 10},
      {16, true, false, 0xFFFF, 0xF800, 2 << 11 | 13 << 5 | 10},
      {24, true, false, 0xFFFFFF, 0xFF0000, 0x123456},
      {24, true, true, 0xFFFFFF, 0x0000FF, 0x563412},
      {32, true, false, 0xFFFFFF, 0xFF0000, 0x123456},
      {32, true, true, 0xFFFFFF, 0x0000FF, 0x563412},
  };
  for (const Case& c : cases) {
    Open(c.depth, c.fiveSixFive, c.redLow);
    SCOPED_TRACE(PixelFormatCode());
    EXPECT_EQ(ScreenPixel(MakeRGB(255, 255, 255)), c.white);
    EXPECT_EQ(ScreenPixel(MakeRGB(255, 0, 0)), c.red);
    EXPECT_EQ(ScreenPixel(MakeRGB(0x12, 0x34, 0x56)), c.mixed);
    EXPECT_EQ(ScreenPixel(MakeRGB(0x12, 0x34, 0x56) | 0xFF000000u), c.mixed);  // flags
    if ((c.depth == 16 || c.depth == 32) && !c.redLow) {
      ASSERT_NE(LoadSprite(0, Write("colours.bmp", TwentyFourBitColours()).c_str()), 0u);
      std::int32_t bytes = c.depth / 8;
      EXPECT_EQ(SurfacePixel(Storage(0), 0, 2, bytes), c.white);
      EXPECT_EQ(SurfacePixel(Storage(0), 0, 1, bytes), c.red);
      EXPECT_EQ(SurfacePixel(Storage(0), 0, 0, bytes), c.mixed);
    }
    CloseScreen();
  }
}

TEST_F(SpriteConversionTest, MemoryImagesHoldEightBitRowsTopDownWithoutPadding) {
  std::string eight = Write("eight.bmp", EightBit3x2());
  std::size_t blocks = standin::HeapBlockCount(RuntimeHeap);
  Address result = LoadSprite(6, eight.c_str(), 2);
  ASSERT_NE(result, 0u);
  const SpriteSlot& slot = SpriteTable[6];
  EXPECT_EQ(AddressOf(slot.storage), result);
  EXPECT_EQ(slot.depth, kMemoryImageDepth);
  EXPECT_EQ(slot.kind, 2);
  EXPECT_FALSE(HoldsSurface(slot));
  EXPECT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks + 1);
  EXPECT_EQ(HeapSize(RuntimeHeap, 0, slot.storage), 6u);
  const auto* pixels = static_cast<const std::uint8_t*>(slot.storage);
  EXPECT_EQ(Bytes(pixels, pixels + 6), (Bytes{4, 5, 6, 1, 2, 3}));

  std::string colours = Write("colours.bmp", TwentyFourBitColours());
  EXPECT_EQ(LoadSprite(6, colours.c_str(), 2), 0u);
  EXPECT_EQ(slot.storage, nullptr);
  EXPECT_EQ(slot.fileName, nullptr);
  EXPECT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks);
}

}  // namespace
