// The screen library's start-up: the one window with its procedure, the shared
// DirectDraw object and the sprite table.
#include <cstring>

#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite_table/sprite_table.h"

ScreenLibraryState ScreenState;

namespace {

constexpr char kWindowClass[] = "MultimediaBase Class";

void ResetDescription(DDSURFACEDESC2* description) {
  std::memset(description, 0, sizeof *description);
  description->dwSize = sizeof *description;
}

}  // namespace

void OnSurfacesRestored(void (*handler)()) { ScreenState.notifications.surfacesRestored = handler; }
void OnWindowDeactivated(void (*handler)()) {
  ScreenState.notifications.windowDeactivated = handler;
}
void OnWindowCloseRequested(void (*handler)()) {
  ScreenState.notifications.closeRequested = handler;
}

Address InitScreenLibrary() {
  ScreenState.transparentColor = {0, 0};
  ResetDescription(&ScreenState.screenDescription);
  ResetDescription(&ScreenState.spriteDescription);
  ScreenState.requestedRefreshRate = 0;
  ScreenState.frameRate = 0;
  ScreenState.backBufferDC = nullptr;
  SpriteTableCapacity = kInitialSpriteCapacity;
  SpriteTable = static_cast<SpriteSlot*>(
      HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, kInitialSpriteCapacity * sizeof(SpriteSlot)));
  if (!SpriteTable) SpriteTableCapacity = 0;
  if (!CreateScreenWindow()) return 0;
  ScreenState.started = 1;
  if (!OpenDirectDraw()) return 0;
  ScreenState.savedWindow = ScreenState.window;
  return AddressOf(SpriteTable);
}

// Ending twice ends nothing more: the library is left as before its start, but for the
// window, which lives as long as the process. The sprite table goes with the runtime
// heap right after this, so it is forgotten here.
void EndScreenLibrary() {
  if (!ScreenState.started) return;
  ReleaseScreen();
  CloseDirectDraw();
  ScreenState.started = 0;
  SpriteTable = nullptr;
  SpriteTableCapacity = 0;
}

std::int32_t CreateScreenWindow() {
  if (ScreenState.windowCreated || ScreenState.window) return ScreenState.windowCreated;
  WNDCLASSEXA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = ScreenWindowProc;
  windowClass.hInstance = ProgramInstance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExA(&windowClass)) return ScreenState.windowCreated;
  ScreenState.window = CreateWindowExA(0, kWindowClass, "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
                                       0, 1, 1, nullptr, nullptr, ProgramInstance, nullptr);
  if (ScreenState.window) ScreenState.windowCreated = 1;
  return ScreenState.windowCreated;
}

// The object is created on first use and shared; every call counts one more user,
// whether or not it got an object.
IDirectDraw7* OpenDirectDraw() {
  if (!ScreenState.directDraw) {
    ScreenState.directDrawModule = LoadLibraryA("DDRAW.DLL");
    if (ScreenState.directDrawModule) {
      auto create = ProcedureAs<DirectDrawCreateExFunction>(
          GetProcAddress(ScreenState.directDrawModule, "DirectDrawCreateEx"));
      if (create) {
        create(nullptr, reinterpret_cast<LPVOID*>(&ScreenState.directDraw), IID_IDirectDraw7,
               nullptr);
      }
      if (!ScreenState.directDraw) {
        FreeLibrary(ScreenState.directDrawModule);
        ScreenState.directDrawModule = nullptr;
      }
    }
  }
  ++ScreenState.directDrawUsers;
  return ScreenState.directDraw;
}

void CloseDirectDraw() {
  --ScreenState.directDrawUsers;
  if (ScreenState.directDraw && ScreenState.directDrawUsers == 0) {
    ScreenState.directDraw->Release();
    FreeLibrary(ScreenState.directDrawModule);
    ScreenState.directDraw = nullptr;
    ScreenState.directDrawModule = nullptr;
  }
}

LRESULT CALLBACK ScreenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Only the activation state counts; the minimised state in the high word does not.
      ScreenState.active = LOWORD(wParam) != WA_INACTIVE;
      // The cursor is the system's again while another window is active.
      if (!ScreenState.active && ScreenState.notifications.windowDeactivated) {
        ScreenState.notifications.windowDeactivated();
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 1;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      // The window lives as long as the process, so closing it (the desktop's close,
      // Alt+F4) ends the program as a key does. The default would destroy the window and
      // leave a program without a keyboard nothing to end it with.
      if (ScreenState.notifications.closeRequested) ScreenState.notifications.closeRequested();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
