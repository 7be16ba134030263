// What the GDI module offers the user and DirectDraw modules: device contexts of windows
// and of pixel buffers, and the palette of a display that nobody set.
#pragma once

#include <optional>

#include "platform/posix/displays/display.h"
#include "platform/posix/include/winapi.h"

namespace standin {

// Pixels that a device context draws into; the memory stays the owner's and must stay in
// place while the device context exists.
struct PixelBuffer {
  BYTE* pixels = nullptr;
  DWORD width = 0;
  DWORD height = 0;
  LONG pitch = 0;
  PixelFormat format;
  // For 8 bits: the palette that colours map to; without one, the default palette.
  std::optional<Palette256> palette;
};

// The palette of an 8-bit display that nobody set: the twenty static colours of
// Windows, black at 0 and white at 255, and black between them.
const Palette256& DefaultSystemPalette();

// A device context drawing into the buffer.
HDC CreateBufferDC(const PixelBuffer& buffer);
// Frees a device context made by CreateBufferDC.
void DestroyBufferDC(HDC dc);
// A device context of a window (or of the screen for null) that draws nowhere.
HDC CreateWindowDC(HWND window);
// Frees a device context that CreateWindowDC made for the window; false if it was none.
bool DestroyWindowDC(HWND window, HDC dc);

}  // namespace standin
