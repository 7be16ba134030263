// The mouse library over the stand-in's "DINPUT.DLL" on a headless desktop's scripted
// mouse: the position inside the screen, wheel and buttons, overflow between polls, and
// the mouse released and coming back with the foreground.
#include <gtest/gtest.h>

#include "input/directinput.h"
#include "input/input_state.h"
#include "input/mouse.h"
#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "tests/support/headless_desktop.h"
#include "tests/support/runtime_fixture.h"

namespace {

// The library over the stand-in, on an active 800 x 600 screen of the desktop's window.
class MouseOverStandInTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    MouseState = {};
    DirectInputState = {};
    saved = ScreenState;
    ScreenState.window = window;
    ScreenState.active = 1;
    ScreenState.width = 800;
    ScreenState.height = 600;
    desktop.Foreground(window);
    ASSERT_EQ(InitMouse(), 1);
    ASSERT_EQ(PollMouse(), 1);
  }
  void TearDown() override {
    EndMouse();
    EXPECT_EQ(standin::LiveComObjects(), 0u);
    EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
    ScreenState.window = saved.window;
    ScreenState.active = saved.active;
    ScreenState.width = saved.width;
    ScreenState.height = saved.height;
    RuntimeTest::TearDown();
  }
  HeadlessDesktop desktop;
  // Showing one of them gives it the foreground.
  HWND window = desktop.NewWindow();
  HWND otherWindow = desktop.NewWindow();
  ScreenLibraryState saved{};
};

TEST_F(MouseOverStandInTest, ThePositionFollowsTheMouseInsideTheScreen) {
  SetMousePosition(10, 10);
  desktop.Display().MoveMouse(-30, 25);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), -30);
  EXPECT_EQ(MouseMotionY(), 25);
  EXPECT_EQ(MousePositionX(), 0);
  EXPECT_EQ(MousePositionY(), 35);
  desktop.Display().MoveMouse(500, 0);
  desktop.Display().MoveMouse(500, 600);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), 1000);
  EXPECT_EQ(MousePositionX(), 799);
  EXPECT_EQ(MousePositionY(), 599);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), 0);
}

TEST_F(MouseOverStandInTest, WheelStepsAndButtons) {
  desktop.Display().TurnWheel(2);
  desktop.Display().PressButton(0, true);
  desktop.Display().PressButton(2, true);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseWheelMotion(), 2);
  EXPECT_EQ(MouseButtonDown(1), 1);
  EXPECT_EQ(MouseButtonDown(2), 0);
  EXPECT_EQ(MouseButtonDown(3), 1);
  desktop.Display().TurnWheel(-1);
  desktop.Display().PressButton(0, false);
  desktop.Display().PressButton(1, true);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseWheelMotion(), -1);
  EXPECT_EQ(MouseButtonDown(1), 0);
  EXPECT_EQ(MouseButtonDown(2), 1);
  EXPECT_EQ(MouseButtonDown(3), 1);
}

TEST_F(MouseOverStandInTest, MoreThan24EventsBetweenPollsLoseTheMainButtons) {
  desktop.Display().PressButton(0, true);
  desktop.Display().PressButton(1, true);
  desktop.Display().PressButton(2, true);
  ASSERT_EQ(PollMouse(), 1);
  SetMousePosition(400, 300);
  for (int i = 0; i < 25; ++i) desktop.Display().MoveMouse(1, 0);
  EXPECT_EQ(PollMouse(), 0);
  EXPECT_EQ(MouseButtonDown(1), 0);
  EXPECT_EQ(MouseButtonDown(2), 0);
  EXPECT_EQ(MouseButtonDown(3), 1);
  EXPECT_EQ(MousePositionX(), 400);
  EXPECT_EQ(MouseMotionX(), 0);
  // The overflow was told once; 24 events fit.
  for (int i = 0; i < 24; ++i) desktop.Display().MoveMouse(1, 0);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MousePositionX(), 424);
}

TEST_F(MouseOverStandInTest, ReleasedTheMouseIsNotReadAndComesBackFresh) {
  SetMouseReleased(1);
  desktop.Display().MoveMouse(5, 5);
  EXPECT_EQ(PollMouse(), 0);
  SetMouseReleased(0);
  ASSERT_EQ(PollMouse(), 1);
  // What the mouse did while released is not read.
  EXPECT_EQ(MouseMotionX(), 0);
  desktop.Display().MoveMouse(5, 5);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), 5);
}

TEST_F(MouseOverStandInTest, TheMouseComesBackAPollAfterTheForeground) {
  desktop.Foreground(otherWindow);
  desktop.Display().MoveMouse(5, 0);
  EXPECT_EQ(PollMouse(), 0);
  desktop.Foreground(window);
  // This poll finds the mouse not acquired and takes it back; the next one reads.
  EXPECT_EQ(PollMouse(), 0);
  desktop.Display().MoveMouse(7, 0);
  ASSERT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), 7);
}

}  // namespace
