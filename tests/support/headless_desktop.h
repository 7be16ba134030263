// The environment of the tests that script the stand-in's desktop: a fresh headless
// display in place of the SDL display, a desktop without windows, and windows of a
// class whose procedure is DefWindowProcA. Nothing waits there: as the display's presents
// do not, Sleep returns at once (the screen library would otherwise sleep out each flip's
// refresh period). When the fixture goes, the desktop is emptied
// and an SDL display is in place again, as a program finds them. Native builds only;
// without a test framework of its own, so that fuzz targets may use it too.
#pragma once

#include <initializer_list>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"

class HeadlessDesktop {
 public:
  HeadlessDesktop() : display_(standin::UseHeadlessDisplay()) {
    standin::ResetDesktop();
    standin::SetSleepHook([](DWORD) {});
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassExA(&windowClass);
  }
  ~HeadlessDesktop() {
    standin::SetSleepHook({});
    standin::ResetDesktop();
    standin::UseSdlDisplay();
  }
  HeadlessDesktop(const HeadlessDesktop&) = delete;
  HeadlessDesktop& operator=(const HeadlessDesktop&) = delete;

  standin::HeadlessDisplay& Display() { return display_; }

  // A hidden pop-up window of 640 x 480 at the desktop's corner; null if none is made.
  HWND NewWindow() {
    return CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  }
  // Shows the window, which activates it: it has the foreground while the program has
  // the desktop's focus.
  void Foreground(HWND window) { ShowWindow(window, SW_SHOW); }
  // Only these keys are down, by DirectInput scan code.
  void Hold(std::initializer_list<BYTE> codes) {
    for (int code = 0; code < 256; ++code) display_.SetKey(static_cast<BYTE>(code), false);
    for (BYTE code : codes) display_.SetKey(code, true);
  }

 private:
  static constexpr char kClass[] = "Headless Desktop";
  standin::HeadlessDisplay& display_;
};
