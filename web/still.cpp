// Shades one frame of a picture, as the program shows it, into a file of 320 x 200
// palette indices, row after row: the still that the index page shows of each program.
// Built by the web build for Node.js, which runs it at build time with the host's files.
//   still PICTURE.pcx RELIEF LIGHT-ANGLE OUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/demo.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "startup/startup.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: still PICTURE.pcx RELIEF LIGHT-ANGLE OUT\n");
    return 2;
  }
  // The file library takes Windows paths: the picture's folder becomes the program's.
  std::string picture = argv[1];
  for (char& c : picture) {
    if (c == '/') c = '\\';
  }
  std::size_t slash = picture.find_last_of('\\');
  StartRuntimeCore(GetModuleHandleA(nullptr), &Demo, sizeof Demo);
  if (slash != std::string::npos) {
    std::strncpy(ProgramDirectory, picture.substr(0, slash + 1).c_str(), kProgramDirectorySize - 1);
  }
  if (!DimensionDemoArrays()) return 1;
  LoadHeightMap(picture.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
  Demo.FrameBuffer = MemoryAllocate(0, kFrameBytes);
  BuildLightMap();
  Demo.ReliefFactor = static_cast<float>(std::atof(argv[2]));
  Demo.LightX = LightXAt(std::atoi(argv[3]));
  Demo.LightY = LightYAt(std::atoi(argv[3]));
  ShadeFrame();

  std::FILE* out = std::fopen(argv[4], "wb");
  if (!out) return 1;
  bool written = std::fwrite(AtAddress<std::uint8_t>(Demo.FrameBuffer), 1, kFrameBytes, out) ==
                 static_cast<std::size_t>(kFrameBytes);
  return std::fclose(out) == 0 && written ? 0 : 1;
}
