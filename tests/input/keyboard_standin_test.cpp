// The keyboard library over the stand-in's "DINPUT.DLL" on a headless desktop, as the
// demonstration uses it: keys held on the desktop, and the keyboard coming back with the
// foreground.
#include <gtest/gtest.h>

#include "input/directinput.h"
#include "input/input_state.h"
#include "input/keyboard.h"
#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "tests/support/headless_desktop.h"
#include "tests/support/runtime_fixture.h"

namespace {

// The library over the stand-in, as the demonstration uses it.
class KeyboardOverStandInTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // Whatever the start-up opened goes back; the test opens the keyboard itself.
    EndKeyboard();
    KeyboardState = {};
    DirectInputState = {};
    savedWindow = ScreenState.window;
    ScreenState.window = window;
  }
  void TearDown() override {
    EndKeyboard();
    EXPECT_EQ(standin::LiveComObjects(), 0u);
    EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
    // The runtime's end must not end the keyboard a second time.
    KeyboardState = {};
    ScreenState.window = savedWindow;
    RuntimeTest::TearDown();
  }
  HeadlessDesktop desktop;
  // Showing one of them gives it the foreground.
  HWND window = desktop.NewWindow();
  HWND otherWindow = desktop.NewWindow();
  HWND savedWindow = nullptr;
};

TEST_F(KeyboardOverStandInTest, KeysHeldOnTheDesktopAreDown) {
  desktop.Foreground(window);
  ASSERT_EQ(InitKeyboard(), 1);
  desktop.Hold({DIK_SPACE});
  ASSERT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(DIK_SPACE), 128);
  EXPECT_EQ(KeyDown(DIK_ESCAPE), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  desktop.Hold({});
  ASSERT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(kAnyKey), 0);
}

TEST_F(KeyboardOverStandInTest, TheKeyboardComesBackAPollAfterTheForeground) {
  desktop.Foreground(otherWindow);
  ASSERT_EQ(InitKeyboard(), 1);
  desktop.Hold({DIK_RETURN});
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 0);
  desktop.Foreground(window);
  // This poll finds the keyboard not acquired and takes it back; the next one reads.
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(DIK_RETURN), 128);
  desktop.Foreground(otherWindow);
  desktop.Hold({});
  EXPECT_EQ(PollKeyboard(), 0);
  // The last snapshot stays.
  EXPECT_EQ(KeyDown(DIK_RETURN), 128);
}

}  // namespace
