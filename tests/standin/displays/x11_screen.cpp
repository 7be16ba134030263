// Reads the X server's root window into 0xRRGGBB colours (x11_screen.h).
#include "tests/standin/displays/x11_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>

namespace {

Display* held = nullptr;

}  // namespace

void HoldXConnection() {
  if (!held) held = XOpenDisplay(nullptr);
}

std::optional<std::uint32_t> ScreenColourAt(double fx, double fy) {
  HoldXConnection();
  Display* x = held;
  if (!x) return std::nullopt;
  int screen = DefaultScreen(x);
  int px = static_cast<int>(DisplayWidth(x, screen) * fx);
  int py = static_cast<int>(DisplayHeight(x, screen) * fy);
  XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
  std::optional<std::uint32_t> rgb;
  if (image) {
    unsigned long pixel = XGetPixel(image, 0, 0);
    auto channel = [&](unsigned long mask) -> std::uint32_t {
      if (mask == 0) return 0;
      int shift = std::countr_zero(mask);
      return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    rgb = channel(image->red_mask) << 16 | channel(image->green_mask) << 8 |
          channel(image->blue_mask);
    XDestroyImage(image);
  }
  return rgb;
}
