// Opening and closing screens: the exclusive full-screen display mode with a primary
// surface and one back buffer, both cleared to black.
#include "screen/screen.h"

#include "screen/drawing.h"
#include "screen/screen_state.h"
#include "sprite_table/sprite_table.h"

namespace {

// Only the low 16 bits of each size count, taken as a signed number.
std::int32_t Low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

HWND PlaceScreenWindow(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                       const char* title) {
  if (!ScreenState.window) return nullptr;
  SetWindowTextA(ScreenState.window, title);
  MoveWindow(ScreenState.window, x, y, width, height, TRUE);
  return ScreenState.window;
}

std::int32_t CreateScreenSurfaces() {
  DDSURFACEDESC2 description{};
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.dwBackBufferCount = 1;
  description.ddsCaps.dwCaps =
      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  if (ScreenState.directDraw->CreateSurface(&description, &ScreenState.primary, nullptr) != DD_OK) {
    return 0;
  }
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE;
  return ScreenState.primary->GetAttachedSurface(&caps, &ScreenState.backBuffer) == DD_OK;
}

void ClearSurface(IDirectDrawSurface7* surface) {
  HDC dc;
  if (surface->GetDC(&dc) != DD_OK) return;
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Rectangle(dc, 0, 0, ScreenState.drawingWidth, ScreenState.drawingHeight);
  surface->ReleaseDC(dc);
}

// Classifies the layout from the depth asked for and the primary surface's masks; a
// surface that cannot be locked leaves the code as it was.
void DetectPixelFormat() {
  if (!ScreenState.primary) return;
  if (ScreenState.primary->Lock(nullptr, &ScreenState.screenDescription, DDLOCK_WAIT, nullptr) !=
      DD_OK) {
    return;
  }
  ScreenState.primary->Unlock(nullptr);
  const DDPIXELFORMAT& format = ScreenState.screenDescription.ddpfPixelFormat;
  switch (ScreenState.depth) {
    case 16:
      ScreenState.pixelFormatCode = format.dwGBitMask == 0x7E0 ? kPixel565 : kPixel555;
      break;
    case 24:
      ScreenState.pixelFormatCode = format.dwRBitMask == 0xFF ? kPixel24RedLow : kPixel24RedHigh;
      break;
    case 32:
      ScreenState.pixelFormatCode = format.dwRBitMask == 0xFF ? kPixel32RedLow : kPixel32RedHigh;
      break;
    default:
      ScreenState.pixelFormatCode = kPixelPaletteIndex;
  }
}

// The cursor is shown again only if this screen hid it, so that the display counter
// stays balanced however often opening fails or the screen is released.
bool cursorHidden = false;

}  // namespace

void ClearScreenBuffers() {
  ClearSurface(ScreenState.backBuffer);
  ClearSurface(ScreenState.primary);
  ScreenState.drawingBuffer = ScreenState.backBuffer;
}

std::int32_t OpenScreen(std::int32_t width, std::int32_t height, std::int32_t depth,
                        const char* title) {
  width = Low16(width);
  height = Low16(height);
  depth = Low16(depth);
  HWND window = PlaceScreenWindow(0, 0, width, height, title);
  // Without a window or a DirectDraw object there is nothing to open the screen with.
  if (!window || !ScreenState.directDraw) {
    ReleaseScreen();
    return 0;
  }
  // A screen already open is given up first rather than leaked.
  if (ScreenState.primary) ReleaseScreen();
  ScreenState.drawingWidth = ScreenState.width = width;
  ScreenState.drawingHeight = ScreenState.height = height;
  ScreenState.depth = depth;
  ShowCursor(FALSE);
  cursorHidden = true;
  if (ScreenState.directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) !=
          DD_OK ||
      ScreenState.directDraw->SetDisplayMode(width, height, depth, ScreenState.requestedRefreshRate,
                                             0) != DD_OK ||
      !CreateScreenSurfaces()) {
    ReleaseScreen();
    return 0;
  }
  ShowWindow(window, SW_SHOWMAXIMIZED);
  EnableWindow(window, FALSE);
  ClearScreenBuffers();
  if (ScreenState.directDraw->GetMonitorFrequency(&ScreenState.monitorFrequency) != DD_OK) {
    ScreenState.monitorFrequency = 0;
  }
  ScreenState.lastFlipCounter = 0;
  DetectPixelFormat();
  ScreenState.active = 1;
  return 1;
}

void ReleaseScreen() {
  for (std::int32_t sprite = 0; sprite < SpriteTableCapacity; ++sprite) FreeSprite(sprite);
  if (ScreenState.directDraw) ScreenState.directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  // A drawing session still open holds the back buffer's device context.
  ReleaseScreenDrawing();
  if (ScreenState.backBuffer) {
    ScreenState.backBuffer->Release();
    ScreenState.backBuffer = nullptr;
  }
  if (ScreenState.primary) {
    ScreenState.primary->Release();
    ScreenState.primary = nullptr;
  }
  if (ScreenState.window && cursorHidden) {
    ShowCursor(TRUE);
    cursorHidden = false;
  }
  ScreenState.window = ScreenState.savedWindow;
  ShowWindow(ScreenState.window, SW_HIDE);
}

void CloseScreen() {
  ReleaseScreen();
  ScreenState.width = 0;
  ScreenState.height = 0;
}

std::int32_t PixelFormatCode() { return ScreenState.pixelFormatCode; }

std::uint32_t ScreenPixel(std::uint32_t color) {
  std::uint32_t red = color & 0xFF;
  std::uint32_t green = color >> 8 & 0xFF;
  std::uint32_t blue = color >> 16 & 0xFF;
  switch (ScreenState.pixelFormatCode) {
    case kPixel555:
      return (red >> 3) << 10 | (green >> 3) << 5 | blue >> 3;
    case kPixel565:
      return (red >> 3) << 11 | (green >> 2) << 5 | blue >> 3;
    case kPixel24RedLow:
    case kPixel32RedLow:
      return red | green << 8 | blue << 16;
    case kPixel24RedHigh:
    case kPixel32RedHigh:
      return blue | green << 8 | red << 16;
    default:
      return 0;
  }
}
