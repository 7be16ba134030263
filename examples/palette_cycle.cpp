// palette-cycle: a picture drawn once and set in motion by its palette alone.
//
// An 800 x 600 screen of 8 bits, its palette the colour table of cycle.bmp beside the
// program (a grey ramp when that file is missing). A spiral is drawn once into each of the
// screen's two buffers through drawing sessions; from then on every frame only shows the
// palette with entries 1 to 254 rotated by one place more, so the colours run along the
// spiral while no pixel changes. Entry 0, black, stays: the spiral's centre. Any key ends the
// program.
#include <cmath>
#include <cstdint>

#include "file/file.h"
#include "input/keyboard.h"
#include "palette/palette.h"
#include "runtime/memory.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "startup/startup.h"

namespace {

constexpr std::int32_t kWidth = 800;
constexpr std::int32_t kHeight = 600;
constexpr std::int32_t kFirstCycled = 1;
constexpr std::int32_t kLastCycled = 254;
constexpr std::int32_t kCycled = kLastCycled - kFirstCycled + 1;

// Each pixel's palette entry: the distance from the centre and the angle around it
// together, so that equal entries lie on a spiral of three arms.
void DrawSpiral() {
  BeginDrawing(ScreenTarget());
  Address buffer = DrawingBufferAddress();
  std::int32_t pitch = DrawingBufferPitch();
  if (buffer) {
    for (std::int32_t y = 0; y < kHeight; ++y) {
      for (std::int32_t x = 0; x < kWidth; ++x) {
        double dx = x - kWidth / 2 + 0.5;
        double dy = y - kHeight / 2 + 0.5;
        double radius = std::sqrt(dx * dx + dy * dy);
        double turn = std::atan2(dy, dx) / (2 * 3.14159265358979);
        std::int32_t entry = 0;
        if (radius >= 24) {
          auto step = static_cast<std::int32_t>(std::floor(radius * 2 + turn * 3 * kCycled));
          entry = kFirstCycled + (step % kCycled + kCycled) % kCycled;
        }
        PokeByte(buffer + static_cast<Address>(y * pitch + x), entry);
      }
    }
  }
  EndDrawing();
}

// The colours as loaded, which every frame's palette is rotated from.
std::uint32_t Colors[256];

// Each cycled entry shows the colour `offset` places further on, round from the last to
// the first. The colours are set in a palette that is not shown and then shown whole: a
// shown palette changed entry by entry would show every step, and some systems draw the
// whole screen again for each.
void ShowRotated(std::int32_t palette, std::int32_t offset) {
  UsePalette(palette);
  for (std::int32_t entry = 0; entry < 256; ++entry) {
    std::int32_t from = entry;
    if (entry >= kFirstCycled && entry <= kLastCycled) {
      from = kFirstCycled + (entry - kFirstCycled + offset) % kCycled;
    }
    SetPaletteColor(entry, Colors[from]);
  }
  ShowPalette(palette);
}

}  // namespace

int ProgramBody(HINSTANCE instance, HINSTANCE, char*, int) {
  StartRuntime(instance);
  WorkBesideProgram();
  if (!OpenScreen(kWidth, kHeight, 8, "Palette cycle")) EndProgram();
  InitPalettes(2);
  if (LoadPalette(0, "cycle.bmp")) {
    UsePalette(0);
    for (std::int32_t i = 0; i < 256; ++i) Colors[i] = GetPaletteColor(i) & 0xFFFFFF;
  } else {
    for (std::int32_t i = 0; i < 256; ++i) Colors[i] = MakeRGB(i, i, i);
  }
  // Palettes 1 and 2 take turns: one is shown while the next frame's is made.
  NewPalette(1);
  NewPalette(2);
  ShowRotated(1, 0);

  // A flip hands the drawn buffer to the display and gives back the other one.
  for (std::int32_t buffer = 0; buffer < 2; ++buffer) {
    DrawSpiral();
    FlipBuffers();
  }
  for (std::int32_t frame = 1;; ++frame) {
    ShowRotated(1 + frame % 2, frame % kCycled);
    FlipBuffers();
    PollKeyboard();
    if (KeyDown(kAnyKey)) break;
  }
  EndProgram();
}

int main() { ProcessEntry(); }
