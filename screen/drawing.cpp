#include "screen/drawing.h"

#include "screen/screen.h"
#include "screen/screen_state.h"

namespace {

// The open session: the target it was opened on, the device context it holds (none when
// no session is open) and what that context had selected before.
struct DrawingSession {
  DrawingTarget target;
  HDC deviceContext;
  HGDIOBJ previousBrush;
  HGDIOBJ previousPen;
};

DrawingSession session;
DrawingTarget screenTarget;
HBRUSH defaultBrush;
HPEN defaultPen;

}  // namespace

// The default objects are kept for the life of the process: a later start-up of the
// runtime in the same process uses them again.
void InitDrawing() {
  if (!defaultBrush) defaultBrush = CreateSolidBrush(0);
  if (!defaultPen) defaultPen = CreatePen(PS_SOLID, 0, 0);
}

// The lock only serves to learn where the pixels lie; the device context then holds the
// surface in place until the session gives it back.
DrawingTarget* ScreenTarget() {
  if (ScreenState.backBufferDC || !ScreenState.backBuffer) return nullptr;
  DDSURFACEDESC2& description = ScreenState.screenDescription;
  if (ScreenState.backBuffer->Lock(nullptr, &description, DDLOCK_WAIT, nullptr) != DD_OK) {
    return nullptr;
  }
  ScreenState.backBuffer->Unlock(nullptr);
  if (ScreenState.backBuffer->GetDC(&ScreenState.backBufferDC) != DD_OK) {
    ScreenState.backBufferDC = nullptr;
    return nullptr;
  }
  screenTarget.kind = kSurfaceTarget;
  screenTarget.bufferAddress = AddressOf(description.lpSurface);
  screenTarget.pitch = description.lPitch;
  screenTarget.width = static_cast<std::int32_t>(description.dwWidth);
  screenTarget.height = static_cast<std::int32_t>(description.dwHeight);
  screenTarget.depth = ScreenState.depth;
  screenTarget.pixelFormat = ScreenState.pixelFormatCode;
  screenTarget.deviceContext = ScreenState.backBufferDC;
  screenTarget.release = ReleaseBackBufferDC;
  return &screenTarget;
}

void ReleaseBackBufferDC() {
  if (!ScreenState.backBufferDC) return;
  ScreenState.backBuffer->ReleaseDC(ScreenState.backBufferDC);
  ScreenState.backBufferDC = nullptr;
}

// A session still open on the back buffer is closed with its context: its buffer is no
// longer held, and the next session must not give back a context that is not its own.
void ReleaseScreenDrawing() {
  if (session.deviceContext && session.deviceContext == ScreenState.backBufferDC) EndDrawing();
  ReleaseBackBufferDC();
}

HDC BeginDrawing(const DrawingTarget* target) {
  EndDrawing();
  if (!target) return session.deviceContext;
  session.target = *target;
  session.deviceContext =
      target->kind == kWindowTarget ? GetDC(target->window) : target->deviceContext;
  if (session.deviceContext) {
    SetTextAlign(session.deviceContext, TA_UPDATECP);
    session.previousBrush = SelectObject(session.deviceContext, defaultBrush);
    session.previousPen = SelectObject(session.deviceContext, defaultPen);
    SetTextColor(session.deviceContext, 0);
  }
  return session.deviceContext;
}

void EndDrawing() {
  if (!session.deviceContext) return;
  SelectObject(session.deviceContext, session.previousBrush);
  SelectObject(session.deviceContext, session.previousPen);
  switch (session.target.kind) {
    case kWindowTarget:
      ReleaseDC(session.target.window, session.deviceContext);
      break;
    case kReleasedTarget:
    case kReleasedTargetAlso:
    case kSurfaceTarget:
      if (session.target.release) session.target.release();
      break;
    default:
      DeleteDC(session.deviceContext);
  }
  session.deviceContext = nullptr;
}

// A closed session's buffer is no longer held by anyone: nothing may be written through
// it, so the queries answer 0 until the next surface session opens.
Address DrawingBufferAddress() {
  return session.target.kind == kSurfaceTarget && session.deviceContext
             ? session.target.bufferAddress
             : 0;
}

std::int32_t DrawingBufferPitch() {
  return session.target.kind == kSurfaceTarget && session.deviceContext ? session.target.pitch : 0;
}
