// The whole demonstration inside a test, on the stand-in's headless display with a
// scripted clock and keyboard: the exit hook unwinds ExitProcess, so Run returns the exit
// code, and what the program held of the system can be checked afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "demo/demo.h"
#include "input/keyboard.h"
#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "startup/startup.h"
#include "tests/support/headless_desktop.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/pcx.h"

struct Ended {
  UINT code;
};

class DemonstrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshDesktop();
    standin::SetModuleFileName(dir.WindowsPath("bump-test.exe"));
    standin::SetExitHook([](UINT code) { throw Ended{code}; });
    standin::SetTickSource([] { return DWORD{5000000}; });
    // The global memory's heap comes with its first use and stays for the process: made
    // now, the counts taken here see only what the program makes.
    GlobalFree(GlobalAlloc(GMEM_FIXED, 1));
    heapsBefore = standin::HeapCount();
    handlesBefore = standin::HandleCount();
    objectsBefore = standin::LiveComObjects();
  }
  void TearDown() override {
    standin::SetExitHook({});
    standin::SetTickSource({});
    standin::SetModuleFileName("");
    standin::RefuseHeapAllocations({});
    standin::RestoreBuiltInModules();
  }
  // A new desktop and display, with a screen library that has not yet made its window
  // there; between runs of one test too.
  void FreshDesktop() {
    desktop.reset();
    desktop.emplace();
    ForgetScreenWindow();
    display = &desktop->Display();
  }
  int Run() {
    char tail[] = "";
    try {
      ProgramBody(GetModuleHandleA(nullptr), nullptr, tail, 1);
    } catch (const Ended& ended) {
      return static_cast<int>(ended.code);
    }
    return -1;
  }
  // The program gave back everything it took and left the desktop as it found it.
  void ExpectNothingLeft() {
    EXPECT_EQ(standin::HeapCount(), heapsBefore);
    EXPECT_EQ(standin::HandleCount(), handlesBefore);
    EXPECT_EQ(standin::LiveComObjects(), objectsBefore);
    EXPECT_EQ(standin::ModuleReferences("DDRAW.DLL"), 0);
    EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
    EXPECT_EQ(RuntimeHeap, nullptr);
    EXPECT_FALSE(display->FullScreen());
    EXPECT_FALSE(display->CursorClip().has_value());
    EXPECT_EQ(standin::CursorDisplayCount(), 0);
  }
  // A picture with relief everywhere: rings and a slope.
  void WritePicture() {
    pcx::Image image = pcx::Grayscale(320, 200);
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 320; ++x) {
        int dx = x - 150, dy = y - 90;
        image.pixels[y * 320 + x] =
            static_cast<std::uint8_t>((dx * dx + dy * dy) / 40 % 200 + x / 8);
      }
    }
    ASSERT_TRUE(pcx::Write((dir.path() / PictureName).string(), image));
  }
  // The frame our own shading gives for the picture, a relief factor and a light angle.
  std::vector<int> ExpectedFrame(float relief, std::int32_t angle) {
    StartRuntimeCore(GetModuleHandleA(nullptr), &Demo, sizeof Demo);
    UseAsProgramDirectory(dir);
    DimensionDemoArrays();
    LoadHeightMap(PictureName);
    Demo.FrameBuffer = MemoryAllocate(0, kFrameBytes);
    BuildLightMap();
    Demo.ReliefFactor = relief;
    Demo.LightX = LightXAt(angle);
    Demo.LightY = LightYAt(angle);
    ShadeFrame();
    std::vector<int> frame(AtAddress<std::uint8_t>(Demo.FrameBuffer),
                           AtAddress<std::uint8_t>(Demo.FrameBuffer) + kFrameBytes);
    StopRuntime();
    return frame;
  }
  TempDir dir;
  std::optional<HeadlessDesktop> desktop;
  standin::HeadlessDisplay* display = nullptr;
  std::size_t heapsBefore = 0;
  std::size_t handlesBefore = 0;
  std::size_t objectsBefore = 0;
};
