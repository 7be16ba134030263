// The mouse library over the system's own "DINPUT.DLL": the stand-in natively, the real
// one under Windows and Wine, which must take the library's format and answer its set-up
// as the stand-in does.
#include "input/directinput.h"
#include "input/input_state.h"
#include "input/mouse.h"
#include "tests/support/runtime_fixture.h"

namespace {

class MouseOnTheSystemTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // Begin as a process that never opened the mouse, whatever the start-up did.
    EndMouse();
    MouseState = {};
    DirectInputState = {};
  }
  void TearDown() override {
    EndMouse();
    // Nothing a caller sees on the real system tells that the shared object was released.
    EXPECT_EQ(DirectInputState.users, 0);
    EXPECT_EQ(DirectInputState.object, nullptr);
    RuntimeTest::TearDown();
  }
};

TEST_F(MouseOnTheSystemTest, TheSystemMouseTakesTheLibrarysFormat) {
  // 1 only once the system's device accepted the format.
  ASSERT_EQ(InitMouse(), 1);
}

TEST_F(MouseOnTheSystemTest, TheBufferIsSetAgainAsOftenAsAskedAndTheWheelSteps120) {
  ASSERT_EQ(InitMouse(), 1);
  IDirectInputDevice7A* device = MouseState.device;
  // A release and a new set-up ask for the same buffer again: that too must be success.
  for (int time = 0; time < 2; ++time) {
    DIPROPDWORD size = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 24};
    EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK) << time;
  }
  DIPROPDWORD size = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 0};
  EXPECT_EQ(device->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
  EXPECT_EQ(size.dwData, 24u);
  DIPROPDWORD wheel = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIMOFS_Z, DIPH_BYOFFSET}, 0};
  EXPECT_EQ(device->GetProperty(DIPROP_GRANULARITY, &wheel.diph), DI_OK);
  EXPECT_EQ(wheel.dwData, 120u);
}

}  // namespace
