// The program body: start-up of the demonstration, its frame loop and its way out.
#include "demo/demo.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/startup.h"

int ProgramBody(HINSTANCE instance, HINSTANCE, char*, int) {
  StartRuntime(instance, &Demo, sizeof Demo);

  Demo.LightMapDimensions[0] = 257;
  Demo.LightMapDimensions[1] = 257;
  DimensionArray(&Demo.LightMap, 4, kLongElements, 2, Demo.LightMapDimensions);
  Demo.HeightMapDimensions[0] = 321;
  Demo.HeightMapDimensions[1] = 201;
  DimensionArray(&Demo.HeightMap, 2, kWordElements, 2, Demo.HeightMapDimensions);
  // Without its arrays the demonstration has nothing to shade.
  if (Demo.LightMap == 0 || Demo.HeightMap == 0) EndProgram();

  LoadHeightMap(PictureName);

  if (MemoryAllocate(0, kFrameBytes) == 0) EndProgram();
  Demo.FrameBuffer = MemoryAddress();
  for (Address byte = Demo.FrameBuffer; byte < Demo.FrameBuffer + kFrameBytes; ++byte) {
    PokeByte(byte, 0);
  }
  BuildLightMap();
  Demo.StartTick = GetTickCount();

  EndProgram();
}
