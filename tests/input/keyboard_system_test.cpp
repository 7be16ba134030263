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
    // Nothing a caller sees on the real system tells that the shared object was released.
    EXPECT_EQ(DirectInputState.users, 0);
    EXPECT_EQ(DirectInputState.object, nullptr);
    // The runtime's end must not end the keyboard a second time.
    KeyboardState = {};
    RuntimeTest::TearDown();
  }
};

TEST_F(KeyboardOnTheSystemTest, TheSystemKeyboardTakesTheLibrarysFormat) {
  // 1 only once the system's device accepted the format.
  ASSERT_EQ(InitKeyboard(), 1);
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
  IDirectInput7A* shared = OpenDirectInput();
  ASSERT_NE(shared, nullptr);
  // A reference of the test's own tells whether the library still holds one.
  shared->AddRef();
  // The keyboard's end leaves the object to the other user; the fixture sees it released
  // by that user's close.
  EndKeyboard();
  EXPECT_GT(shared->Release(), 0u);
  CloseDirectInput();
  // Ended already: the fixture's EndKeyboard must find nothing more to give back.
  KeyboardState = {};
}

}  // namespace
