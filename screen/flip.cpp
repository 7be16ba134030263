// Flipping: every frame ends here. Window messages are delivered, the back buffer is
// presented, a lost display is restored, and with a frame rate set the frame's time is
// waited out on the performance counter.
#include "screen/drawing.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite_table.h"

namespace {

void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// The display mode, the surfaces and the window come back; the contents of video
// memory do not, so the screen's buffers are made black again, as opening the screen
// made them, and the sprites that came from files are loaded again.
void RestoreScreen() {
  ScreenState.directDraw->SetDisplayMode(ScreenState.drawingWidth, ScreenState.drawingHeight,
                                         ScreenState.depth, ScreenState.requestedRefreshRate, 0);
  ScreenState.directDraw->RestoreAllSurfaces();
  ClearScreenBuffers();
  ShowWindow(ScreenState.window, SW_SHOWMAXIMIZED);
  if (ScreenState.notifications.surfacesRestored) ScreenState.notifications.surfacesRestored();
}

// Spins until more than a frame's ticks have passed since the last wait ended. A change
// of sign of the counter's low 32 bits starts the wait anew from that read. A counter
// that stops answering ends the wait: the frame goes unpaced rather than never.
void WaitForFrameTime() {
  for (;;) {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) return;
    auto now = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter.QuadPart));
    if ((now < 0 && ScreenState.lastCounter >= 0) || (now > 0 && ScreenState.lastCounter <= 0)) {
      ScreenState.lastCounter = now;
    }
    auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                             static_cast<std::uint32_t>(ScreenState.lastCounter));
    if (elapsed > ScreenState.ticksPerFrame) {
      ScreenState.lastCounter = now;
      return;
    }
  }
}

}  // namespace

IDirectDrawSurface7* FlipBuffers() {
  // Without an open screen there is nothing to present.
  if (!ScreenState.primary) {
    DrainMessages();
    return ScreenState.drawingBuffer;
  }
  ReleaseScreenDrawing();
  UseBuffer(kBackBuffer);
  DrainMessages();
  if (ScreenState.active) {
    if (ScreenState.primary->Flip(nullptr, DDFLIP_WAIT) == DDERR_SURFACELOST) RestoreScreen();
  }
  ScreenState.drawingBuffer = ScreenState.backBuffer;
  if (ScreenState.frameRate != 0 &&
      ScreenState.monitorFrequency != static_cast<DWORD>(ScreenState.requestedRefreshRate)) {
    WaitForFrameTime();
  }
  return ScreenState.drawingBuffer;
}

std::int32_t SetFrameRate(std::int32_t framesPerSecond) {
  // A rate of -1 would divide by zero.
  if (framesPerSecond == -1) return 0;
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  ScreenState.frameRate = framesPerSecond;
  ScreenState.ticksPerFrame = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(frequency.QuadPart / (std::int64_t{framesPerSecond} + 1)));
  ScreenState.lastCounter = 0;
  return 1;
}

IDirectDrawSurface7* UseBuffer(std::int32_t buffer) {
  if (buffer == kBackBuffer) {
    ScreenState.drawingBuffer = ScreenState.backBuffer;
    ScreenState.drawingWidth = ScreenState.width;
    ScreenState.drawingHeight = ScreenState.height;
  } else if (buffer >= 0 && buffer < SpriteTableCapacity && HoldsSurface(SpriteTable[buffer])) {
    const SpriteSlot& slot = SpriteTable[buffer];
    ScreenState.drawingBuffer = static_cast<IDirectDrawSurface7*>(slot.storage);
    ScreenState.drawingWidth = slot.drawingWidth;
    ScreenState.drawingHeight = slot.drawingHeight;
  }
  return ScreenState.drawingBuffer;
}
