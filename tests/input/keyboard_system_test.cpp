// The keyboard library over the system's own "DINPUT.DLL": the stand-in natively, the
// real one under Windows and Wine, which must take the library's data format as it is.
#include "input/directinput.h"
#include "input/input_state.h"
#include "input/keyboard.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "tests/support/runtime_fixture.h"

namespace {

class KeyboardOnTheSystemTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // Begin as a process that never opened the keyboard, whatever the start-up did.
    EndKeyboard();
    KeyboardState = {};
    DirectInputState = {};
  }
  void TearDown() override {
    EndKeyboard();
    EXPECT_EQ(DirectInputState.users, 0);
    EXPECT_EQ(DirectInputState.object, nullptr);
    // The runtime's end must not end the keyboard a second time.
    KeyboardState = {};
    RuntimeTest::TearDown();
  }
};

TEST_F(KeyboardOnTheSystemTest, TheSystemKeyboardTakesTheLibrarysFormat) {
  ASSERT_EQ(InitKeyboard(), 1);
  EXPECT_NE(DirectInputState.object, nullptr);
  EXPECT_NE(DirectInputState.module, nullptr);
  EXPECT_NE(KeyboardState.device, nullptr);
  EXPECT_EQ(KeyboardState.acquisition, kKeyboardOpened);
  EXPECT_EQ(KeyboardState.format.dwSize, sizeof(DIDATAFORMAT));
  EXPECT_EQ(KeyboardState.format.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
}

TEST_F(KeyboardOnTheSystemTest, AHiddenWindowGetsNoKeys) {
  // The screen's window as the start-up makes it: hidden. Wine without an X display
  // makes no windows.
  if (!CreateScreenWindow()) GTEST_SKIP() << "this desktop makes no windows";
  ASSERT_EQ(InitKeyboard(), 1);
  // The screen's window, never shown, cannot have the foreground: the keyboard is not
  // acquired and nothing is read, poll after poll.
  for (int poll = 0; poll < 3; ++poll) {
    EXPECT_EQ(PollKeyboard(), 0) << poll;
    EXPECT_EQ(KeyDown(kAnyKey), 0) << poll;
  }
  EXPECT_EQ(KeyboardState.acquisition, kKeyboardAcquired);
}

TEST_F(KeyboardOnTheSystemTest, WithoutAWindowTheKeyboardIsReadInTheBackground) {
  HWND window = ScreenState.window;
  ScreenState.window = nullptr;
  ASSERT_EQ(InitKeyboard(), 1);
  // No exclusive, foreground level without a window: the device keeps its first level,
  // shared and in the background, and is acquired and read with it.
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(PollKeyboard(), 1);
  ScreenState.window = window;
}

TEST_F(KeyboardOnTheSystemTest, TwoUsersShareTheSystemsObject) {
  ASSERT_EQ(InitKeyboard(), 1);
  IDirectInput7A* shared = DirectInputState.object;
  EXPECT_EQ(OpenDirectInput(), shared);
  EXPECT_EQ(DirectInputState.users, 2);
  EndKeyboard();
  EXPECT_EQ(DirectInputState.object, shared);
  EXPECT_EQ(KeyboardState.device, nullptr);
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.object, nullptr);
  EXPECT_EQ(DirectInputState.users, 0);
  // Ended already: the fixture's EndKeyboard must find nothing more to give back.
  KeyboardState = {};
}

}  // namespace
