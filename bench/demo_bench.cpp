// Benchmarks of the demonstration: building the light map, loading a picture into the
// height map, shading one frame by each path this machine has, and whole frames (timeline,
// shading, copy, flip) on the stand-in's headless display, which keeps only the last.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "demo/demo.h"
#include "demo/shading.h"
#include "palette/palette.h"
#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "startup/startup.h"
#include "tools/pcx.h"

extern const char PictureName[] = "Paris.pcx";

namespace {

namespace fs = std::filesystem;

// A started runtime with the demonstration's arrays, and the picture in a directory of
// its own, removed when the process ends: the loader opens it for writing too.
class Setup {
 public:
  Setup() : directory_(fs::temp_directory_path() / ("bump-bench-" + std::to_string(getpid()))) {
    StartRuntime(GetModuleHandleA(nullptr), &Demo, sizeof Demo);
    DimensionDemoArrays();
    MemoryAllocate(0, kFrameBytes);
    Demo.FrameBuffer = MemoryAddress();

    fs::create_directories(directory_);
    fs::path source = fs::path(BUMP_DEMO_DIR) / PictureName;
    if (fs::exists(source)) {
      fs::copy_file(source, directory_ / PictureName);
      picture_ = "demo/" + std::string(PictureName);
    } else {
      pcx::Image image = pcx::Grayscale(320, 200);
      for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
          image.pixels[y * 320 + x] =
              static_cast<std::uint8_t>(128 + 100 * std::sin(x / 17.0) * std::cos(y / 13.0));
        }
      }
      pcx::Write((directory_ / PictureName).string(), image);
      picture_ = "generated";
    }
    pictureBytes_ = static_cast<std::int64_t>(fs::file_size(directory_ / PictureName));

    std::string windowsPath = directory_.string() + "/";
    for (char& c : windowsPath) {
      if (c == '/') c = '\\';
    }
    std::strncpy(ProgramDirectory, windowsPath.c_str(), kProgramDirectorySize - 1);
  }
  ~Setup() {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }
  bool Ready() const { return Demo.LightMap && Demo.HeightMap && Demo.FrameBuffer; }
  const std::string& Picture() const { return picture_; }
  std::int64_t PictureBytes() const { return pictureBytes_; }

 private:
  fs::path directory_;
  std::string picture_;
  std::int64_t pictureBytes_ = 0;
};

Setup& Prepared() {
  static Setup setup;
  return setup;
}

void BM_BuildLightMap(benchmark::State& state) {
  if (!Prepared().Ready()) return state.SkipWithError("no arrays");
  for (auto _ : state) {
    BuildLightMap();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_BuildLightMap);

void BM_LoadHeightMap(benchmark::State& state) {
  Setup& setup = Prepared();
  if (!setup.Ready()) return state.SkipWithError("no arrays");
  for (auto _ : state) {
    LoadHeightMap(PictureName);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * setup.PictureBytes());
  state.SetLabel(setup.Picture());
}
BENCHMARK(BM_LoadHeightMap);

const char* PathName(ShadingPath path) {
  switch (path) {
    case ShadingPath::kPlain:
      return "plain";
    case ShadingPath::kSse2:
      return "sse2";
  }
  return "";
}

// One typical frame, shaded again and again: items are shaded pixels.
void BM_ShadeFrame(benchmark::State& state) {
  Setup& setup = Prepared();
  auto path = static_cast<ShadingPath>(state.range(0));
  if (!setup.Ready()) return state.SkipWithError("no arrays");
  if (!ShadingPathAvailable(path)) return state.SkipWithError("path not available here");
  LoadHeightMap(PictureName);
  BuildLightMap();
  Demo.ReliefFactor = 1.0f;
  Demo.LightX = 160;
  Demo.LightY = 100;
  for (auto _ : state) {
    ShadeFrameWith(path);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 318 * 198);
  state.SetLabel(std::string(PathName(path)) + " " + setup.Picture());
}
BENCHMARK(BM_ShadeFrame)
    ->Arg(static_cast<int>(ShadingPath::kPlain))
    ->Arg(static_cast<int>(ShadingPath::kSse2));

// The frame loop of the program without its keyboard, on an 800 x 600 x 8 headless
// screen, shading by the path given: frames per second is items per second.
void BM_WholeFrame(benchmark::State& state) {
  Setup& setup = Prepared();
  auto path = static_cast<ShadingPath>(state.range(0));
  if (!setup.Ready()) return state.SkipWithError("no arrays");
  if (!ShadingPathAvailable(path)) return state.SkipWithError("path not available here");
  standin::HeadlessDisplay& display = standin::UseHeadlessDisplay();
  display.KeepLastFrames(1);
  LoadHeightMap(PictureName);
  BuildLightMap();
  if (!OpenScreen(800, 600, 8, "")) return state.SkipWithError("no screen");
  InitPalettes(256);
  NewPalette(0);
  for (std::int32_t i = 0; i < 256; ++i) SetPaletteColor(i, MakeRGB(i, i / 2, i / 4));
  ShowPalette(0);
  // The headless display does not wait, so the screen library holds each flip for the rest
  // of a refresh period; that sleep takes no time here, and the frame's own cost is measured.
  standin::SetSleepHook([](DWORD) {});
  DWORD now = 0;
  for (auto _ : state) {
    UpdateTimeline(now += 16);
    ShadeFrameWith(path);
    BeginDrawing(ScreenTarget());
    CopyFrameToScreen();
    EndDrawing();
    FlipBuffers();
    Demo.LightAngle += 5;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(std::string(PathName(path)) + ", " + std::to_string(display.PresentCount()) +
                 " presents");
  standin::SetSleepHook({});
  CloseScreen();
}
BENCHMARK(BM_WholeFrame)
    ->Arg(static_cast<int>(ShadingPath::kPlain))
    ->Arg(static_cast<int>(ShadingPath::kSse2));

}  // namespace
