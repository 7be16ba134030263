// The screen library: the application window and its procedure, the shared DirectDraw
// object, the exclusive full screen with one back buffer, drawing sessions, flipping,
// frame pacing and recovery from lost surfaces.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

// Pixel layouts of the open screen (PixelFormatCode).
enum ScreenPixelFormat : std::int32_t {
  kPixelPaletteIndex = 1,  // 8 bits, palette indices
  kPixel555 = 2,           // 16 bits, 5-5-5
  kPixel565 = 3,           // 16 bits, 5-6-5
  kPixel24RedLow = 4,      // 24 bits, red in the lowest byte
  kPixel24RedHigh = 5,     // 24 bits, blue in the lowest byte
  kPixel32RedLow = 6,      // 32 bits, red in the lowest byte
  kPixel32RedHigh = 7,     // 32 bits, blue in the lowest byte
};
// The open screen's layout, or 0 before a screen was opened.
std::int32_t PixelFormatCode();
// A colour value (runtime/memory.h: red in the lowest byte) as a pixel of the open screen
// of 16, 24 or 32 bits, its bits where the screen's layout has them (the 16-bit layouts
// keep each component's highest bits). 0 on an 8-bit screen, whose pixels are palette
// entries, and without an open screen.
std::uint32_t ScreenPixel(std::uint32_t color);

// UseBuffer's number for the screen's back buffer; 0 and up name sprites.
constexpr std::int32_t kBackBuffer = -1;

// What the screen library tells the libraries above it: it cannot call them, since they
// stand on it, so each registers its handler at start-up. Null: nobody is told.
// After a lost display was restored, as the restore's last step (the sprites reload).
void OnSurfacesRestored(void (*handler)());
// When the window stops being the active one (the mouse lets the cursor go).
void OnWindowDeactivated(void (*handler)());
// When the desktop asks to close the window (the program ends).
void OnWindowCloseRequested(void (*handler)());

Address InitScreenLibrary();
void EndScreenLibrary();
std::int32_t CreateScreenWindow();
IDirectDraw7* OpenDirectDraw();
void CloseDirectDraw();
LRESULT CALLBACK ScreenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::int32_t OpenScreen(std::int32_t width, std::int32_t height, std::int32_t depth,
                        const char* title);
void CloseScreen();
void ReleaseScreen();
// Paints the back buffer and the primary surface of the open screen black.
void ClearScreenBuffers();

IDirectDrawSurface7* FlipBuffers();
std::int32_t SetFrameRate(std::int32_t framesPerSecond);
IDirectDrawSurface7* UseBuffer(std::int32_t buffer);
