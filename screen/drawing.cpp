// Drawing sessions: a device context, and for surfaces the address and pitch of their
// pixels, held from BeginDrawing to EndDrawing.
#include "screen/drawing.h"

#include "screen/screen.h"
#include "screen/screen_state.h"

DrawingLibraryState DrawingState = {};

// The default objects are kept for the life of the process: a later start-up of the
// runtime in the same process uses them again.
void InitDrawing() {
  if (!DrawingState.defaultBrush) DrawingState.defaultBrush = CreateSolidBrush(0);
  if (!DrawingState.defaultPen) DrawingState.defaultPen = CreatePen(PS_SOLID, 0, 0);
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
  DrawingState.screenTarget.kind = kSurfaceTarget;
  DrawingState.screenTarget.bufferAddress = AddressOf(description.lpSurface);
  DrawingState.screenTarget.pitch = description.lPitch;
  DrawingState.screenTarget.width = static_cast<std::int32_t>(description.dwWidth);
  DrawingState.screenTarget.height = static_cast<std::int32_t>(description.dwHeight);
  DrawingState.screenTarget.depth = ScreenState.depth;
  DrawingState.screenTarget.pixelFormat = ScreenState.pixelFormatCode;
  DrawingState.screenTarget.deviceContext = ScreenState.backBufferDC;
  DrawingState.screenTarget.release = ReleaseBackBufferDC;
  return &DrawingState.screenTarget;
}

void ReleaseBackBufferDC() {
  if (!ScreenState.backBufferDC) return;
  ScreenState.backBuffer->ReleaseDC(ScreenState.backBufferDC);
  ScreenState.backBufferDC = nullptr;
}

// A session still open on the back buffer is closed with its context: its buffer is no
// longer held, and the next session must not give back a context that is not its own.
void ReleaseScreenDrawing() {
  HDC held = DrawingState.session.deviceContext;
  if (held && held == ScreenState.backBufferDC) EndDrawing();
  ReleaseBackBufferDC();
}

HDC BeginDrawing(const DrawingTarget* target) {
  EndDrawing();
  auto& session = DrawingState.session;
  if (!target) return session.deviceContext;
  session.target = *target;
  session.deviceContext =
      target->kind == kWindowTarget ? GetDC(target->window) : target->deviceContext;
  if (session.deviceContext) {
    SetTextAlign(session.deviceContext, TA_UPDATECP);
    session.previousBrush = SelectObject(session.deviceContext, DrawingState.defaultBrush);
    session.previousPen = SelectObject(session.deviceContext, DrawingState.defaultPen);
    SetTextColor(session.deviceContext, 0);
  }
  return session.deviceContext;
}

void EndDrawing() {
  auto& session = DrawingState.session;
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

namespace {

// A closed session's buffer is no longer held by anyone: nothing may be written through
// it, so the queries answer 0 until the next surface session opens.
bool SurfaceSessionOpen() {
  return DrawingState.session.target.kind == kSurfaceTarget && DrawingState.session.deviceContext;
}

}  // namespace

Address DrawingBufferAddress() {
  return SurfaceSessionOpen() ? DrawingState.session.target.bufferAddress : 0;
}

std::int32_t DrawingBufferPitch() {
  return SurfaceSessionOpen() ? DrawingState.session.target.pitch : 0;
}
