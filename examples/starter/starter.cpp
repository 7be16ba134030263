// A program of your own: an 800 x 600 screen of 32 bits, a picture drawn afresh into
// the back buffer every frame and shown by the flip, until any key is pressed.
#include <cstdint>

#include "input/keyboard.h"
#include "runtime/memory.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "startup/startup.h"

int ProgramBody(HINSTANCE instance, HINSTANCE, char*, int) {
  StartRuntime(instance);
  if (!OpenScreen(800, 600, 32, "Starter")) EndProgram();

  for (std::int32_t frame = 0;; ++frame) {
    BeginDrawing(ScreenTarget());
    Address pixels = DrawingBufferAddress();
    std::int32_t pitch = DrawingBufferPitch();
    // Red grows from left to right; green runs down the screen, one step further each frame.
    for (std::int32_t y = 0; pixels && y < 600; ++y) {
      for (std::int32_t x = 0; x < 800; ++x) {
        std::uint32_t color = MakeRGB(x * 255 / 799, (y + frame) & 255, 128);
        PokeLong(pixels + static_cast<Address>(y * pitch + x * 4),
                 static_cast<std::int32_t>(ScreenPixel(color)));
      }
    }
    EndDrawing();
    FlipBuffers();
    PollKeyboard();
    if (KeyDown(kAnyKey)) break;
  }
  EndProgram();
}

int main() { ProcessEntry(); }
