// Flipping: every frame ends here. Window messages are delivered, the back buffer is
// presented (and held for the rest of the refresh period where the flip did not wait for
// the display), a lost display is restored, and with a frame rate set the frame's time is
// waited out on the performance counter. A frame that shows nothing (the window in the
// background, a display that could not be restored) waits for window messages until its
// time is up, so that the program neither spins nor runs ahead of its display.
#include "screen/drawing.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite_table/sprite_table.h"

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

// The display's refresh rate: the monitor's as DirectDraw reported it, or 60 Hz where
// that tells nothing. GetMonitorFrequency may fail, Windows uses 0 and 1 for "the
// hardware's default rate", and a rate outside 24 to 240 Hz is no monitor's: trusted, a
// reported 1 Hz would hold the program to one frame a second.
std::int64_t RefreshHertz() {
  DWORD hertz = ScreenState.monitorFrequency;
  return hertz >= 24 && hertz <= 240 ? hertz : 60;
}

// Ticks since the last pacing wait ended, on the counter's low 32 bits. A change of sign
// of those bits starts the wait anew from this read.
std::int32_t TicksSinceLastWait(std::int64_t counter) {
  auto now = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter));
  if ((now < 0 && ScreenState.lastCounter >= 0) || (now > 0 && ScreenState.lastCounter <= 0)) {
    ScreenState.lastCounter = now;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                   static_cast<std::uint32_t>(ScreenState.lastCounter));
}

// Spins until more than a frame's ticks have passed since the last wait ended. A counter
// that stops answering ends the wait: the frame goes unpaced rather than never.
void WaitForFrameTime() {
  for (;;) {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) return;
    if (TicksSinceLastWait(counter.QuadPart) > ScreenState.ticksPerFrame) {
      ScreenState.lastCounter =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(counter.QuadPart));
      return;
    }
  }
}

// A flip with DDFLIP_WAIT is held until the display takes it, so frames come no faster
// than the display mode's refresh rate. Where DirectDraw's flip does not wait (Wine
// without 3D, for instance) a flip that comes back well within a refresh period of the
// previous one is held here until the period is over: first by DirectDraw's own wait for
// the vertical blank, then, where that did not wait either, by sleeping on the clock. A
// flip that waits comes back about a period after the previous one and is left alone: the
// slack keeps its jitter from costing it a whole refresh, and only the second early flip
// in a row is held, since one that comes back early after a late one (the program's
// thread was kept waiting) has waited all the same.
void HoldEarlyFlip() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
      !QueryPerformanceCounter(&now)) {
    return;
  }
  std::int64_t period = frequency.QuadPart / RefreshHertz();
  std::int64_t due = ScreenState.lastFlipCounter + period;
  std::int64_t early = due - period / 8;
  if (ScreenState.lastFlipCounter == 0 || now.QuadPart >= early) {
    ScreenState.lastFlipCounter = now.QuadPart;
    ScreenState.earlyFlips = 0;
    return;
  }
  if (++ScreenState.earlyFlips < 2) {
    ScreenState.lastFlipCounter = now.QuadPart;
    return;
  }
  std::int64_t before = now.QuadPart;
  ScreenState.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  if (!QueryPerformanceCounter(&now)) return;
  // A wait that took time was for the blank: the frame is held to the display's own rhythm.
  if (now.QuadPart >= early || now.QuadPart - before >= period / 16) {
    ScreenState.lastFlipCounter = now.QuadPart;
    return;
  }
  // Whole milliseconds, rounded up; the next period counts from the one due, so that
  // sleeping a little long does not slow the frames down.
  std::int64_t milliseconds =
      ((due - now.QuadPart) * 1000 + frequency.QuadPart - 1) / frequency.QuadPart;
  Sleep(static_cast<DWORD>(milliseconds));
  ScreenState.lastFlipCounter = due;
}

// Counter ticks left until the frame is due: the pacing's frame after the last wait where
// a frame rate paces, else a refresh period after the last frame.
std::int64_t TicksUntilDue(std::int64_t now, std::int64_t frequency, bool paced) {
  if (paced) return std::int64_t{ScreenState.ticksPerFrame} - TicksSinceLastWait(now);
  std::int64_t period = frequency / RefreshHertz();
  // A frame more than a period late (the first, or after a long stall) is due at once,
  // and the schedule starts anew from it.
  if (now - ScreenState.lastFlipCounter > 2 * period) ScreenState.lastFlipCounter = now - period;
  return ScreenState.lastFlipCounter + period - now;
}

// For a frame that showed nothing: waits for window messages, delivering them, until the
// frame is due or the window has come back to the front, so that a program in the
// background costs next to nothing and its timeline moves at the display's pace. With a
// frame rate set, the pacing's own wait then spins out what is left of the last
// millisecond.
void WaitWhileNothingShows(bool paced) {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
      !QueryPerformanceCounter(&now)) {
    // Without a clock: one period of 60 Hz.
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 16, QS_ALLINPUT) == WAIT_OBJECT_0) {
      DrainMessages();
    }
    return;
  }
  bool wasActive = ScreenState.active;
  for (;;) {
    std::int64_t left = TicksUntilDue(now.QuadPart, frequency.QuadPart, paced);
    if (left <= 0) break;
    // Whole milliseconds: rounded down where the pacing spins out the rest of its frame,
    // else rounded up, one wake a frame, the next frame due a period after this one's due
    // time however late the wake.
    auto milliseconds = static_cast<DWORD>((left * 1000 + (paced ? 0 : frequency.QuadPart - 1)) /
                                           frequency.QuadPart);
    if (milliseconds == 0) return;
    DWORD woken = MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
    if (woken == WAIT_FAILED) Sleep(milliseconds);
    if (woken == WAIT_OBJECT_0) {
      DrainMessages();
      if ((ScreenState.active && !wasActive) || !ScreenState.primary) return;
    }
    if (!QueryPerformanceCounter(&now)) return;
  }
  if (!paced) {
    ScreenState.lastFlipCounter += frequency.QuadPart / RefreshHertz();
    ScreenState.earlyFlips = 0;
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
  bool shown = false;
  if (ScreenState.active) {
    if (ScreenState.primary->Flip(nullptr, DDFLIP_WAIT) == DDERR_SURFACELOST) {
      RestoreScreen();
    } else {
      shown = true;
    }
  }
  ScreenState.drawingBuffer = ScreenState.backBuffer;
  // A frame rate paces the frames only where the monitor does not run at the rate asked
  // of the display mode; where nothing paces them, early flips are held instead.
  bool paced = ScreenState.frameRate != 0 &&
               ScreenState.monitorFrequency != static_cast<DWORD>(ScreenState.requestedRefreshRate);
  if (!shown) {
    WaitWhileNothingShows(paced);
  } else if (!paced) {
    HoldEarlyFlip();
  }
  if (paced) WaitForFrameTime();
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
