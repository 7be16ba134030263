// The screen library: the application window and its procedure, the shared DirectDraw
// object, the exclusive full screen with one back buffer, drawing sessions, flipping,
// frame pacing and recovery from lost surfaces.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

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
};
extern ScreenLibraryState ScreenState;

// The open screen's pixel layout: 1 palette indices; 2 and 3 16-bit 5-5-5 and 5-6-5;
// 4 and 5 24-bit, 6 and 7 32-bit, red in the lowest byte or not.
inline std::int32_t PixelFormatCode() { return ScreenState.pixelFormatCode; }

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
