// The screen library's state, for the libraries that share its DirectDraw object and
// window (palette, sprite, input) and for tests; callers of the screen's operations need
// only screen/screen.h.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "screen/drawing.h"

struct ScreenLibraryState {
  // The one window, created hidden at start-up and never destroyed.
  HWND window;
  std::int32_t windowCreated;
  HWND savedWindow;
  std::int32_t started;

  // DirectDraw, shared by the screen, palette and sprite libraries.
  IDirectDraw7* directDraw;
  HMODULE directDrawModule;
  std::int32_t directDrawUsers;

  DDSURFACEDESC2 screenDescription;
  DDSURFACEDESC2 spriteDescription;
  DDCOLORKEY transparentColor;
  std::int32_t requestedRefreshRate;

  // The open screen.
  IDirectDrawSurface7* primary;
  IDirectDrawSurface7* backBuffer;
  std::int32_t width;
  std::int32_t height;
  std::int32_t depth;
  IDirectDrawSurface7* drawingBuffer;
  std::int32_t drawingWidth;
  std::int32_t drawingHeight;
  DWORD monitorFrequency;
  std::int32_t pixelFormatCode;
  // Cleared while the window is inactive: nothing is presented then.
  std::int32_t active;

  HDC backBufferDC;

  // Frame pacing on the performance counter.
  std::int32_t frameRate;
  std::int32_t ticksPerFrame;
  std::int32_t lastCounter;
  // The counter when the last flip's presentation ended, for flips that do not wait for
  // the display; 0 before the first flip of a screen.
  std::int64_t lastFlipCounter;
  // How many flips in a row came back early.
  std::int32_t earlyFlips;
  // Handlers registered by the libraries above (screen/screen.h).
  struct {
    void (*surfacesRestored)();
    void (*windowDeactivated)();
    void (*closeRequested)();
  } notifications;
};
extern ScreenLibraryState ScreenState;

// Drawing sessions (screen/drawing.h): the open session, the target on the back buffer
// that ScreenTarget hands out, and the default brush and pen, kept for the life of the
// process.
struct DrawingLibraryState {
  // The target the session was opened on, the device context it holds (none when no
  // session is open) and what that context had selected before.
  struct {
    DrawingTarget target;
    HDC deviceContext;
    HGDIOBJ previousBrush;
    HGDIOBJ previousPen;
  } session;
  DrawingTarget screenTarget;
  HBRUSH defaultBrush;
  HPEN defaultPen;
};
extern DrawingLibraryState DrawingState;
