// Times ShadeFrame by each path this build and processor have, and BuildLightMap, with
// the standard clock alone, so that it also runs where no benchmark library does (the
// Windows build under Wine). Each figure is the fastest of several batches, which keeps
// other programs' use of the processor out of it as far as that can be done.
//   shade_timing [BATCHES] [PICTURE]
// PICTURE is Paris.pcx beside the executable unless given (a flat map without it); a
// build run by another program (Node.js for the web build) must be given it, since it
// would look beside that program.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/demo.h"
#include "demo/shading.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "startup/startup.h"

namespace {

using Clock = std::chrono::steady_clock;

// Nanoseconds per call of the fastest batch.
template <class F>
double Fastest(int batches, int callsPerBatch, F call) {
  double best = 1e30;
  for (int batch = 0; batch < batches; ++batch) {
    Clock::time_point start = Clock::now();
    for (int k = 0; k < callsPerBatch; ++k) call(k);
    double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    if (ns / callsPerBatch < best) best = ns / callsPerBatch;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  int batches = argc > 1 ? std::atoi(argv[1]) : 30;
  if (batches < 1) batches = 1;
  StartRuntime(GetModuleHandleA(nullptr), &Demo, sizeof Demo);
  if (!DimensionDemoArrays() || MemoryAllocate(0, kFrameBytes) == 0) {
    std::printf("no memory for the arrays\n");
    return 1;
  }
  Demo.FrameBuffer = MemoryAddress();
  // The file library takes Windows paths: a picture given becomes the program's folder
  // and name.
  std::string picture = argc > 2 ? argv[2] : "Paris.pcx";
  for (char& c : picture) {
    if (c == '/') c = '\\';
  }
  std::size_t slash = picture.find_last_of('\\');
  if (slash != std::string::npos) {
    std::strncpy(ProgramDirectory, picture.substr(0, slash + 1).c_str(), kProgramDirectorySize - 1);
    picture.erase(0, slash + 1);
  }
  LoadHeightMap(picture.c_str());

  double lightMap = Fastest(batches, 2, [](int) { BuildLightMap(); });
  std::printf("BuildLightMap: %.0f us\n", lightMap / 1000);

  const struct {
    ShadingPath path;
    const char* name;
  } paths[] = {{ShadingPath::kPlain, "plain"}, {ShadingPath::kSse2, "sse2"}};
  constexpr double kPixels = 318.0 * 198.0;
  Demo.ReliefFactor = 1.0f;
  for (const auto& p : paths) {
    if (!ShadingPathAvailable(p.path)) {
      std::printf("ShadeFrame %-5s: not available here\n", p.name);
      continue;
    }
    // The light moves from frame to frame as in the program.
    double frame = Fastest(batches, 20, [&](int k) {
      Demo.LightX = LightXAt(5 * k);
      Demo.LightY = LightYAt(5 * k);
      ShadeFrameWith(p.path);
    });
    std::printf("ShadeFrame %-5s: %.2f ns per pixel (%.0f us a frame)%s\n", p.name, frame / kPixels,
                frame / 1000, p.path == BestShadingPath() ? ", chosen" : "");
  }
  return 0;
}
