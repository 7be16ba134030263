// bring-to-front: what a click on a program's task bar button does, for the tests of a
// Windows program under Wine, where no task bar runs. Restores the screen library's window
// (it is minimised while another window is active) and makes it the foreground window.
//   bring-to-front.exe
#include <windows.h>

#include <cstdio>

int main() {
  // The class of the screen library's one window (screen/window.cpp).
  HWND window = FindWindowA("MultimediaBase Class", nullptr);
  if (!window) {
    std::fprintf(stderr, "bring-to-front: no window of the screen library\n");
    return 1;
  }
  ShowWindow(window, SW_RESTORE);
  // The foreground may take a moment to arrive, as the system hands it over.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (GetForegroundWindow() == window) return 0;
    SetForegroundWindow(window);
    Sleep(100);
  }
  std::fprintf(stderr, "bring-to-front: the window does not get the foreground\n");
  return 1;
}
