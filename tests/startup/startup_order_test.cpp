// The libraries start and end in their one order. What the order decides is what each
// library finds when it runs: the screen's DirectDraw when the input devices start, the
// blocks' heap gone only after the keyboard, DirectDraw alive while the palettes are
// released. The test watches the heap's supply, the clock and doubles of
// both run-time modules, and notes at each step what the process holds.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "palette/palette.h"
#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "runtime/heap.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "startup/startup.h"
#include "tests/support/directdraw_doubles.h"
#include "tests/support/directinput_doubles.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgPointee;

std::vector<std::string>* trace = nullptr;
IDirectInput7A* directInputHandedOut = nullptr;

HRESULT CreateDirectInput(HINSTANCE, DWORD, REFIID, LPVOID* object, LPUNKNOWN) {
  trace->push_back("DirectInputCreateEx");
  *object = directInputHandedOut;
  return DI_OK;
}

class StartUpOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trace = &steps;
    standin::ResetDesktop();
    ForgetScreenWindow();
    standin::UseHeadlessDisplay();
    standin::SetModuleFileName(dir.WindowsPath("order.exe"));
    standin::SetExitHook([](UINT) { throw 0; });
    InstallDirectDrawDouble(&directDraw);
    directInputHandedOut = &directInput;
    standin::InstallModule(
        "DINPUT.DLL",
        {{"DirectInputCreateEx",
          reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CreateDirectInput))}});
    ON_CALL(directInput, CreateDeviceEx(_, _, _, _))
        .WillByDefault(Invoke([this](REFGUID device, REFIID, LPVOID* object, LPUNKNOWN) {
          bool keyboard = device == GUID_SysKeyboard;
          Note(keyboard ? "keyboard created" : "mouse created");
          *object = keyboard ? static_cast<IDirectInputDevice7A*>(&keyboardDevice) : &mouseDevice;
          return DI_OK;
        }));
    ON_CALL(keyboardDevice, Release()).WillByDefault(Invoke([this] {
      return Note("keyboard released");
    }));
    ON_CALL(mouseDevice, Release()).WillByDefault(Invoke([this] {
      return Note("mouse released");
    }));
    ON_CALL(directInput, Release()).WillByDefault(Invoke([this] {
      return Note("DirectInput released");
    }));
    ON_CALL(directDraw, CreatePalette(_, _, _, _))
        .WillByDefault(DoAll(SetArgPointee<2>(&palette), Return(DD_OK)));
    ON_CALL(palette, Release()).WillByDefault(Invoke([this] { return Note("palette released"); }));
    ON_CALL(directDraw, Release()).WillByDefault(Invoke([this] {
      return Note("DirectDraw released");
    }));
    standin::SetTickSource([this] {
      Note("tick");
      return DWORD{1000};
    });
    standin::RefuseHeapAllocations([this](HANDLE heap, SIZE_T bytes) {
      if (heap == nullptr && bytes == 0) {
        Note("heap made");
      } else if (heap == RuntimeHeap && bytes == kStringWorkAreaSize) {
        Note("work area");
      }
      return false;
    });
  }
  void TearDown() override {
    standin::RefuseHeapAllocations({});
    standin::SetTickSource({});
    standin::SetExitHook({});
    standin::SetModuleFileName("");
    standin::RestoreBuiltInModules();
    standin::UseSdlDisplay();
    trace = nullptr;
  }
  // A step, with what the process holds then: the DirectDraw module, heaps and handles.
  ULONG Note(const std::string& step) {
    steps.push_back(step + " (ddraw " + std::to_string(standin::ModuleReferences("DDRAW.DLL")) +
                    ", heaps " + std::to_string(standin::HeapCount() - heapsBefore) + ", handles " +
                    std::to_string(standin::HandleCount() - handlesBefore) + ")");
    return 0;
  }

  TempDir dir;
  std::vector<std::string> steps;
  std::size_t heapsBefore = standin::HeapCount();
  std::size_t handlesBefore = standin::HandleCount();
  NiceMock<DirectDrawDouble> directDraw;
  NiceMock<PaletteDouble> palette;
  NiceMock<DirectInputDouble> directInput;
  NiceMock<DeviceDouble> keyboardDevice;
  NiceMock<DeviceDouble> mouseDevice;
};

TEST_F(StartUpOrderTest, LibrariesStartAndEndInTheirOrder) {
  StartRuntime(GetModuleHandleA(nullptr), nullptr, 0);
  EXPECT_THAT(
      steps,
      ::testing::ElementsAre(
          // the runtime heap, then the memory blocks' heap
          "heap made (ddraw 0, heaps 0, handles 0)", "heap made (ddraw 0, heaps 1, handles 1)",
          // the random numbers' seed, then the string work area
          "tick (ddraw 0, heaps 2, handles 2)", "work area (ddraw 0, heaps 2, handles 2)",
          // the screen's DirectDraw, then the mouse, then the keyboard
          "DirectInputCreateEx", "mouse created (ddraw 1, heaps 2, handles 2)",
          "keyboard created (ddraw 1, heaps 2, handles 2)"));
  steps.clear();
  ASSERT_NE(InitPalettes(1), 0u);
  ASSERT_NE(NewPalette(0), nullptr);
  EXPECT_THROW(EndProgram(), int);
  EXPECT_THAT(steps, ::testing::ElementsAre(
                         // the blocks' heap goes between the keyboard and the mouse
                         "keyboard released (ddraw 1, heaps 2, handles 2)",
                         "mouse released (ddraw 1, heaps 1, handles 1)",
                         "DirectInput released (ddraw 1, heaps 1, handles 1)",
                         "palette released (ddraw 1, heaps 1, handles 1)",
                         "DirectDraw released (ddraw 1, heaps 1, handles 1)"));
  EXPECT_EQ(standin::HeapCount(), heapsBefore);
  EXPECT_EQ(standin::ModuleReferences("DDRAW.DLL"), 0);
}

}  // namespace
