// Checks that this Windows system can switch the display to the demonstration's mode,
// 800 x 600 at 8 bits per pixel, and switches it back. Exit code 0 when it can, 1 when
// it cannot. Built for Windows only; the test script runs it under Wine before the tests
// that need full screens, so that a missing system library is reported as such.
#include <windows.h>

int main() {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = 800;
  mode.dmPelsHeight = 600;
  mode.dmBitsPerPel = 8;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  LONG result = ChangeDisplaySettingsExA(nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr);
  ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}
