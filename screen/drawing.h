// Drawing sessions. A session is opened on a drawing target, which names a device
// context and, for a surface with direct pixel access, the address and row pitch of its
// pixels; closing it gives the device context back as the target's kind requires.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

// How a target's device context is obtained and given back.
enum DrawingTargetKind : std::int32_t {
  kWindowTarget = 1,        // GetDC of the window; ReleaseDC
  kReleasedTarget = 2,      // the target's context; its release routine
  kReleasedTargetAlso = 5,  // the same
  kSurfaceTarget = 7,       // as 2, with the surface's pixel buffer
};

struct DrawingTarget {
  std::int32_t kind;
  HWND window;
  HDC deviceContext;
  void (*release)();
  Address bufferAddress;
  std::int32_t pitch;
  std::int32_t width;
  std::int32_t height;
  std::int32_t depth;
  std::int32_t pixelFormat;
};

void InitDrawing();
// The target of the open screen's back buffer, or null while it cannot be had.
DrawingTarget* ScreenTarget();
HDC BeginDrawing(const DrawingTarget* target);
void EndDrawing();
// The last session's pixel buffer and pitch (0 unless it was a surface session).
Address DrawingBufferAddress();
std::int32_t DrawingBufferPitch();
// Gives back the back buffer's device context if a session still holds it.
void ReleaseBackBufferDC();
// Before the back buffer is flipped or released: closes a session still open on it and
// gives its device context back.
void ReleaseScreenDrawing();
