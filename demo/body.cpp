// The program body: start-up of the demonstration, its frame loop and its way out.
#include "demo/demo.h"
#include "input/keyboard.h"
#include "palette/palette.h"
#include "runtime/memory.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "startup/startup.h"

int ProgramBody(HINSTANCE instance, HINSTANCE, char*, int) {
  StartRuntime(instance, &Demo, sizeof Demo);

  // Without its arrays the demonstration has nothing to shade.
  if (!DimensionDemoArrays()) EndProgram();

  LoadHeightMap(PictureName);

  if (MemoryAllocate(0, kFrameBytes) == 0) EndProgram();
  Demo.FrameBuffer = MemoryAddress();
  for (Address byte = Demo.FrameBuffer; byte < Demo.FrameBuffer + kFrameBytes; ++byte) {
    PokeByte(byte, 0);
  }
  BuildLightMap();
  Demo.StartTick = GetTickCount();

  if (!OpenScreen(800, 600, 8, "")) EndProgram();
  InitPalettes(256);
  NewPalette(0);
  for (std::int32_t i = 0; i < 256; ++i) SetPaletteColor(i, MakeRGB(i, i / 2, i / 4));
  ShowPalette(0);

  // The key test comes after the frame is shown: at least one frame always is.
  for (;;) {
    UpdateTimeline(GetTickCount());
    ShadeFrame();
    BeginDrawing(ScreenTarget());
    CopyFrameToScreen();
    EndDrawing();
    FlipBuffers();
    PollKeyboard();
    Demo.LightAngle = NextLightAngle(Demo.LightAngle);
    if (KeyDown(kAnyKey)) break;
  }
  EndProgram();
}

// A frame whose drawing session could not be opened (while the back buffer is lost, for
// instance) writes nothing: there is no buffer held to write into.
void CopyFrameToScreen() {
  for (std::int32_t row = 0; row < kFrameHeight; ++row) {
    Address buffer = DrawingBufferAddress();
    std::int32_t pitch = DrawingBufferPitch();
    if (buffer == 0) return;
    MemoryCopy(Demo.FrameBuffer + static_cast<Address>(row * kFrameWidth),
               buffer + static_cast<Address>((row + kFrameTop) * pitch + kFrameLeft), kFrameWidth);
  }
}
