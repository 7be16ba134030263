// The stand-in's GDI drawing into DirectDraw surfaces: Rectangle's pixels with pens and
// brushes in every depth, the selection of objects and the failures of invalid handles.
#include <functional>

#include "tests/standin/ddraw/directdraw_fixture.h"

namespace {

constexpr std::uint32_t kBackground = 0x123456;

class GdiTest : public DirectDrawTest {
 protected:
  // A 32-bit surface (red 0xFF0000) holding kBackground, with its device context.
  IDirectDrawSurface7* Canvas(DWORD width, DWORD height) {
    DDPIXELFORMAT format = PixelFormatOf(32, 0xFF0000, 0xFF00, 0xFF);
    IDirectDrawSurface7* surface = Offscreen(width, height, &format);
    WriteSurface(surface, [](DWORD, DWORD) { return kBackground; });
    EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    return surface;
  }

  // Gives the device context back and reads what was drawn.
  SurfacePixels Finish(IDirectDrawSurface7* surface) {
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    SurfacePixels pixels = ReadSurface(surface);
    surface->Release();
    return pixels;
  }

  static std::vector<std::uint32_t> Picture(DWORD width, DWORD height,
                                            const std::function<std::uint32_t(int, int)>& value) {
    std::vector<std::uint32_t> values;
    for (DWORD y = 0; y < height; ++y) {
      for (DWORD x = 0; x < width; ++x) {
        values.push_back(value(static_cast<int>(x), static_cast<int>(y)));
      }
    }
    return values;
  }

  // Rectangle's figure for a one-pixel pen: the outline on the rectangle's first and last
  // rows and columns, right and bottom edges excluded, the interior inside it.
  static std::uint32_t Figure(int x, int y, int left, int top, int right, int bottom,
                              std::uint32_t pen, std::uint32_t brush, std::uint32_t outside) {
    if (x < left || x >= right || y < top || y >= bottom) return outside;
    bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
    return edge ? pen : brush;
  }

  HDC dc = nullptr;
};

TEST_F(GdiTest, ANewDeviceContextHoldsTheStockWhiteBrushAndBlackPen) {
  IDirectDrawSurface7* surface = Canvas(4, 4);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_BRUSH)), brush);
  EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(NULL_PEN));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(pen));
  // The stock white brush draws white.
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, 0, 0, 5, 5);
  EXPECT_EQ(Finish(surface).values, Picture(4, 4, [](int, int) { return 0xFFFFFFu; }));
}

TEST_F(GdiTest, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  IDirectDrawSurface7* surface = Canvas(10, 8);
  SelectObject(dc, CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  SelectObject(dc, CreateSolidBrush(RGB(0, 0, 255)));
  EXPECT_TRUE(Rectangle(dc, 2, 1, 7, 5));
  EXPECT_EQ(Finish(surface).values, Picture(10, 8, [](int x, int y) {
              return Figure(x, y, 2, 1, 7, 5, 0xFF0000, 0x0000FF, kBackground);
            }));
}

TEST_F(GdiTest, RectangleTakesItsCornersInEitherOrder) {
  IDirectDrawSurface7* surface = Canvas(10, 8);
  SelectObject(dc, CreatePen(PS_SOLID, 0, RGB(255, 0, 0)));
  SelectObject(dc, CreateSolidBrush(RGB(0, 0, 255)));
  EXPECT_TRUE(Rectangle(dc, 7, 5, 2, 1));
  EXPECT_EQ(Finish(surface).values, Picture(10, 8, [](int x, int y) {
              return Figure(x, y, 2, 1, 7, 5, 0xFF0000, 0x0000FF, kBackground);
            }));
}

TEST_F(GdiTest, WithTheNullPenTheFilledFigureIsOnePixelSmaller) {
  IDirectDrawSurface7* surface = Canvas(10, 8);
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, CreateSolidBrush(RGB(0, 255, 0)));
  EXPECT_TRUE(Rectangle(dc, 2, 1, 7, 5));
  EXPECT_EQ(Finish(surface).values, Picture(10, 8, [](int x, int y) {
              bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
              return inside ? 0x00FF00 : kBackground;
            }));
}

TEST_F(GdiTest, WithTheNullBrushOnlyTheOutlineIsDrawn) {
  IDirectDrawSurface7* surface = Canvas(10, 8);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(Rectangle(dc, 1, 1, 9, 7));
  EXPECT_EQ(Finish(surface).values, Picture(10, 8, [](int x, int y) {
              return Figure(x, y, 1, 1, 9, 7, 0xFFFFFF, kBackground, kBackground);
            }));
}

TEST_F(GdiTest, AWidePenDrawsABandCentredOnTheOutline) {
  IDirectDrawSurface7* surface = Canvas(12, 11);
  SelectObject(dc, CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(Rectangle(dc, 2, 2, 10, 9));
  EXPECT_EQ(Finish(surface).values, Picture(12, 11, [](int x, int y) -> std::uint32_t {
              if (x >= 4 && x < 8 && y >= 4 && y < 7) return 0x000000;
              if (x >= 1 && x < 11 && y >= 1 && y < 10) return 0xFF0000;
              return kBackground;
            }));
}

TEST_F(GdiTest, DrawingStopsAtTheSurfacesEdges) {
  IDirectDrawSurface7* surface = Canvas(10, 8);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(Rectangle(dc, -3, -2, 20, 20));
  ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
  // Every pixel is black and the padding after each row stays as it was made: all zero.
  DDSURFACEDESC2 description = EmptyDescription();
  ASSERT_EQ(surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr), DD_OK);
  ASSERT_GT(description.lPitch, 40);
  for (DWORD y = 0; y < 8; ++y) {
    const BYTE* row = static_cast<const BYTE*>(description.lpSurface) + y * description.lPitch;
    for (LONG i = 0; i < description.lPitch; ++i) {
      EXPECT_EQ(row[i], 0) << "row " << y << " byte " << i;
    }
  }
  surface->Unlock(nullptr);
  surface->Release();
}

TEST_F(GdiTest, ColoursKeepTheHighBitsOfEachChannelInSixteenAndTwentyFourBits) {
  struct Case {
    DDPIXELFORMAT format;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {PixelFormatOf(16, 0xF800, 0x07E0, 0x001F), 0xFC01},
      {PixelFormatOf(16, 0x7C00, 0x03E0, 0x001F), 0x7E01},
      {PixelFormatOf(24, 0xFF0000, 0xFF00, 0xFF), 0xFF8008},
      {PixelFormatOf(24, 0xFF, 0xFF00, 0xFF0000), 0x0880FF},
      {PixelFormatOf(32, 0xFF, 0xFF00, 0xFF0000), 0x0880FF},
  };
  for (const Case& c : cases) {
    IDirectDrawSurface7* surface = Offscreen(3, 2, &c.format);
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    HBRUSH brush = CreateSolidBrush(RGB(255, 128, 8));
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, brush);
    EXPECT_TRUE(Rectangle(dc, 0, 0, 4, 3));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    EXPECT_EQ(Finish(surface).values, Picture(3, 2, [&](int, int) { return c.expected; }))
        << c.format.dwRGBBitCount << " bits, red " << std::hex << c.format.dwRBitMask;
  }
}

TEST_F(GdiTest, EightBitColoursTakeTheNearestEntryOfTheSurfacesPalette) {
  DDPIXELFORMAT format = PixelFormatOf(8);
  IDirectDrawSurface7* surface = Offscreen(6, 4, &format);
  PALETTEENTRY entries[256] = {};
  entries[3] = {10, 10, 10, 0};
  entries[7] = {200, 100, 50, 0};
  entries[9] = {200, 100, 50, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  ASSERT_EQ(surface->SetPalette(palette), DD_OK);
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  // Of the two equally near entries, the first.
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(198, 101, 52));
  HBRUSH brush = CreateSolidBrush(RGB(12, 12, 12));
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  EXPECT_TRUE(Rectangle(dc, 0, 0, 6, 4));
  EXPECT_EQ(Finish(surface).values,
            Picture(6, 4, [](int x, int y) { return Figure(x, y, 0, 0, 6, 4, 7, 3, 0); }));
  DeleteObject(pen);
  DeleteObject(brush);
  palette->Release();
}

TEST_F(GdiTest, EightBitColoursWithoutAPaletteTakeTheDefaultStaticColours) {
  DDPIXELFORMAT format = PixelFormatOf(8);
  IDirectDrawSurface7* surface = Offscreen(6, 1, &format);
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  SelectObject(dc, GetStockObject(NULL_PEN));
  const COLORREF colours[6] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(250, 5, 5),
                               RGB(130, 130, 130), RGB(190, 190, 190), 0x01000000 | 77};
  for (int x = 0; x < 6; ++x) {
    HBRUSH brush = CreateSolidBrush(colours[x]);
    SelectObject(dc, brush);
    Rectangle(dc, x, 0, x + 2, 2);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
  }
  const std::uint32_t expected[6] = {0, 255, 249, 248, 7, 77};
  EXPECT_EQ(Finish(surface).values, std::vector<std::uint32_t>(expected, expected + 6));
}

TEST_F(GdiTest, AnObjectDeletedWhileSelectedLastsUntilItIsDeselected) {
  IDirectDrawSurface7* surface = Canvas(4, 4);
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(Rectangle(dc, 0, 0, 5, 5));
  EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
  EXPECT_EQ(SelectObject(dc, brush), nullptr);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_NE(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(Finish(surface).values, Picture(4, 4, [](int, int) { return 0x00FF00u; }));
}

TEST_F(GdiTest, TextSettingsAnswerWithTheirPreviousValues) {
  IDirectDrawSurface7* surface = Canvas(2, 2);
  EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_NOUPDATECP));
  EXPECT_EQ(SetTextAlign(dc, TA_UPDATECP), static_cast<UINT>(TA_NOUPDATECP));
  EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_UPDATECP));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
  Finish(surface);
}

TEST_F(GdiTest, InvalidHandlesFailAsOnWindows) {
  HDC bogus = reinterpret_cast<HDC>(0x4242);
  HGDIOBJ brush = CreateSolidBrush(0);
  EXPECT_EQ(SelectObject(bogus, brush), nullptr);
  EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
  EXPECT_EQ(GetTextColor(bogus), CLR_INVALID);
  EXPECT_EQ(SetTextAlign(bogus, 0), static_cast<UINT>(GDI_ERROR));
  EXPECT_EQ(GetTextAlign(bogus), static_cast<UINT>(GDI_ERROR));
  EXPECT_EQ(GetCurrentObject(bogus, OBJ_PEN), nullptr);
  EXPECT_FALSE(Rectangle(bogus, 0, 0, 1, 1));
  EXPECT_FALSE(DeleteDC(bogus));
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x4242)));
  EXPECT_EQ(GetStockObject(42), nullptr);
  EXPECT_EQ(CreatePen(1, 1, 0), nullptr);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush));

  IDirectDrawSurface7* surface = Canvas(2, 2);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(dc)), nullptr);
  EXPECT_EQ(GetCurrentObject(dc, 99), nullptr);
  // A surface's device context goes back through the surface only, and is gone then.
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_TRUE(Rectangle(dc, 0, 0, 1, 1));
  ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
  EXPECT_FALSE(Rectangle(dc, 0, 0, 1, 1));
  surface->Release();

  HDC windowDC = GetDC(window);
  EXPECT_TRUE(DeleteDC(windowDC));
  EXPECT_EQ(ReleaseDC(window, windowDC), 0);
}

}  // namespace
