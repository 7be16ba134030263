// The stand-in's windows and messages on the headless display: activation, painting,
// the queue, the cursor and the desktop's keyboard.
#include "platform/posix/user32/desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "tests/support/headless_desktop.h"

namespace {

constexpr UINT WM_USER_TEST = 0x0401;

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Received&) const = default;
};

std::vector<Received> received;
// What the procedure answers instead of DefWindowProcA, per message.
UINT swallowed = WM_NULL;
LRESULT swallowedResult = 0;

LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({window, message, wParam, lParam});
  if (message == swallowed) return swallowedResult;
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> MessagesOf(HWND window) {
  std::vector<UINT> messages;
  for (const Received& r : received) {
    if (r.window == window) messages.push_back(r.message);
  }
  return messages;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    received.clear();
    swallowed = WM_NULL;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Recorder;
    windowClass.lpszClassName = "Recorder";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
  }

  HWND MakeWindow(const char* text = "window", DWORD style = WS_POPUP) {
    return CreateWindowExA(0, "Recorder", text, style, 10, 20, 300, 200, nullptr, nullptr, nullptr,
                           nullptr);
  }

  // Delivers the queue as a program's message loop does.
  std::vector<MSG> Drain() {
    std::vector<MSG> taken;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(message.hwnd, &paint);
        EndPaint(message.hwnd, &paint);
      }
      taken.push_back(message);
      DispatchMessageA(&message);
    }
    return taken;
  }

  HeadlessDesktop desktop;
  standin::HeadlessDisplay* display = &desktop.Display();
};

TEST_F(DesktopTest, ClassesAreRegisteredOnceUnderANameOfAnyCase) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Recorder;
  windowClass.lpszClassName = "RECORDER";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  windowClass.lpszClassName = "Other";
  ATOM other = RegisterClassExA(&windowClass);
  EXPECT_NE(other, 0);
  windowClass.lpszClassName = "Third";
  ATOM third = RegisterClassExA(&windowClass);
  EXPECT_NE(third, 0);
  EXPECT_NE(third, other);

  windowClass.cbSize = sizeof windowClass - 1;
  windowClass.lpszClassName = "Fourth";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  EXPECT_EQ(
      CreateWindowExA(0, "Missing", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_NE(MakeWindow(), nullptr);
  EXPECT_NE(
      CreateWindowExA(0, "recorder", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
}

TEST_F(DesktopTest, WindowsAreCreatedHiddenWithTheirClassTextAndPlace) {
  HWND window = MakeWindow("Title");
  ASSERT_NE(window, nullptr);
  auto state = standin::DescribeWindow(window);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->className, "Recorder");
  EXPECT_EQ(state->text, "Title");
  EXPECT_FALSE(state->visible);
  EXPECT_TRUE(state->enabled);
  EXPECT_EQ(state->rect.left, 10);
  EXPECT_EQ(state->rect.top, 20);
  EXPECT_EQ(state->rect.right, 310);
  EXPECT_EQ(state->rect.bottom, 220);
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_FALSE(standin::DescribeWindow(reinterpret_cast<HWND>(0x1234)));
}

TEST_F(DesktopTest, ShowingAWindowActivatesItAtOnceAndHidingDeactivatesIt) {
  HWND window = MakeWindow();
  EXPECT_FALSE(ShowWindow(window, SW_SHOWMAXIMIZED));
  // Sent, not posted: the procedure has them before ShowWindow returns.
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], (Received{window, WM_SHOWWINDOW, TRUE, 0}));
  EXPECT_EQ(received[1], (Received{window, WM_ACTIVATE, WA_ACTIVE, 0}));
  EXPECT_EQ(standin::ForegroundWindow(), window);
  EXPECT_TRUE(standin::DescribeWindow(window)->visible);
  EXPECT_TRUE(standin::DescribeWindow(window)->style & WS_MAXIMIZE);

  received.clear();
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(received.empty());

  EXPECT_TRUE(ShowWindow(window, SW_HIDE));
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], (Received{window, WM_SHOWWINDOW, FALSE, 0}));
  EXPECT_EQ(received[1], (Received{window, WM_ACTIVATE, WA_INACTIVE, 0}));
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_FALSE(ShowWindow(window, SW_HIDE));
  EXPECT_EQ(received.size(), 2u);

  EXPECT_FALSE(ShowWindow(reinterpret_cast<HWND>(0x1234), SW_SHOW));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(DesktopTest, ActivatingAnotherWindowDeactivatesTheFirstAndNamesEachOther) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ShowWindow(first, SW_SHOW);
  received.clear();
  ShowWindow(second, SW_SHOWNORMAL);
  EXPECT_EQ(received, (std::vector<Received>{
                          {second, WM_SHOWWINDOW, TRUE, 0},
                          {first, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(second)},
                          {second, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(first)},
                      }));
  EXPECT_EQ(standin::ForegroundWindow(), second);
}

TEST_F(DesktopTest, ShowingWithoutActivationLeavesTheForegroundAlone) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ShowWindow(first, SW_SHOW);
  ShowWindow(second, SW_SHOWNA);
  EXPECT_EQ(standin::ForegroundWindow(), first);
  EXPECT_TRUE(standin::DescribeWindow(second)->visible);
  EXPECT_EQ(MessagesOf(second), (std::vector<UINT>{WM_SHOWWINDOW}));
}

TEST_F(DesktopTest, AWindowCreatedVisibleIsShownAndActivated) {
  HWND window = MakeWindow("", WS_POPUP | WS_VISIBLE);
  EXPECT_TRUE(standin::DescribeWindow(window)->visible);
  EXPECT_EQ(standin::ForegroundWindow(), window);
  EXPECT_EQ(MessagesOf(window), (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE}));
}

TEST_F(DesktopTest, TheDesktopsFocusPostsActivationMessages) {
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOW);
  Drain();
  received.clear();

  display->LoseFocus();
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_TRUE(received.empty());
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, window);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_ACTIVATE));
  EXPECT_EQ(LOWORD(message.wParam), WA_INACTIVE);
  DispatchMessageA(&message);
  EXPECT_EQ(received, (std::vector<Received>{{window, WM_ACTIVATE, WA_INACTIVE, 0}}));
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  display->GainFocus();
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_ACTIVATE));
  EXPECT_EQ(LOWORD(message.wParam), WA_ACTIVE);
  EXPECT_EQ(standin::ForegroundWindow(), window);
}

TEST_F(DesktopTest, AWindowShownWithoutTheFocusIsActivatedWhenTheFocusReturns) {
  display->LoseFocus();
  Drain();
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOWMAXIMIZED);
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_EQ(MessagesOf(window), (std::vector<UINT>{WM_SHOWWINDOW}));
  display->GainFocus();
  Drain();
  EXPECT_EQ(standin::ForegroundWindow(), window);
  Received activation{window, WM_ACTIVATE, WA_ACTIVE, 0};
  EXPECT_NE(std::find(received.begin(), received.end(), activation), received.end());
}

TEST_F(DesktopTest, AWindowNeedsPaintingWhenShownOrExposedUntilBeginPaint) {
  HWND window = MakeWindow();
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  ShowWindow(window, SW_SHOW);
  // Taking WM_PAINT from the queue does not validate the window.
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  EXPECT_NE(dc, nullptr);
  EXPECT_EQ(paint.hdc, dc);
  EXPECT_EQ(paint.rcPaint.right, 300);
  EXPECT_EQ(paint.rcPaint.bottom, 200);
  // The procedure passes WM_ERASEBKGND on, and the class has no brush to erase with.
  EXPECT_TRUE(paint.fErase);
  EXPECT_EQ(MessagesOf(window).back(), static_cast<UINT>(WM_ERASEBKGND));
  EXPECT_TRUE(EndPaint(window, &paint));
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  display->Expose();
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  // DefWindowProcA's painting validates too.
  DispatchMessageA(&message);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  ShowWindow(window, SW_HIDE);
  display->Expose();
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(DesktopTest, AProcedureThatErasesClearsTheEraseFlag) {
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOW);
  swallowed = WM_ERASEBKGND;
  swallowedResult = 1;
  PAINTSTRUCT paint;
  ASSERT_NE(BeginPaint(window, &paint), nullptr);
  EXPECT_FALSE(paint.fErase);
  EndPaint(window, &paint);
}

TEST_F(DesktopTest, PeekMessageTakesMatchingMessagesInOrder) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  EXPECT_TRUE(PostMessageA(first, WM_USER_TEST, 1, 10));
  EXPECT_TRUE(PostMessageA(second, WM_USER_TEST, 2, 20));
  EXPECT_TRUE(PostMessageA(first, WM_USER_TEST + 1, 3, 30));
  EXPECT_TRUE(PostMessageA(nullptr, WM_USER_TEST, 4, 40));

  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.wParam, 1u);
  ASSERT_TRUE(PeekMessageA(&message, second, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.wParam, 2u);
  EXPECT_EQ(message.lParam, 20);
  ASSERT_TRUE(PeekMessageA(&message, first, WM_USER_TEST + 1, WM_USER_TEST + 1, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
  ASSERT_TRUE(PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, nullptr);
  EXPECT_EQ(message.wParam, 4u);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, first);
  EXPECT_EQ(message.wParam, 1u);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER_TEST, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PeekMessageA(&message, reinterpret_cast<HWND>(0x1234), 0, 0, PM_REMOVE));
}

TEST_F(DesktopTest, DispatchAndSendCallTheProcedureWithItsAnswer) {
  HWND window = MakeWindow();
  swallowed = WM_USER_TEST;
  swallowedResult = 42;
  EXPECT_EQ(SendMessageA(window, WM_USER_TEST, 5, 6), 42);
  EXPECT_EQ(received.back(), (Received{window, WM_USER_TEST, 5, 6}));
  PostMessageA(window, WM_USER_TEST, 7, 8);
  EXPECT_EQ(received.size(), 1u);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessageA(&message), 42);
  EXPECT_EQ(received.back(), (Received{window, WM_USER_TEST, 7, 8}));
  EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x1234), WM_USER_TEST, 0, 0), 0);
  EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(standin::DescribeWindow(window));
}

TEST_F(DesktopTest, TranslateMessagePostsTheCharacterOfAKey) {
  HWND window = MakeWindow();
  MSG key{window, WM_KEYDOWN, 'A', 1, 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&key));
  display->SetKey(DIK_LSHIFT, true);
  EXPECT_TRUE(TranslateMessage(&key));
  key.wParam = VK_RETURN;
  EXPECT_TRUE(TranslateMessage(&key));
  MSG other{window, WM_USER_TEST, 'A', 0, 0, {0, 0}};
  EXPECT_FALSE(TranslateMessage(&other));
  MSG message;
  std::vector<WPARAM> characters;
  while (PeekMessageA(&message, window, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    characters.push_back(message.wParam);
  }
  EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 'A', '\r'}));
}

TEST_F(DesktopTest, WindowTextGoesThroughTheProcedure) {
  HWND window = MakeWindow("old");
  EXPECT_TRUE(SetWindowTextA(window, "new"));
  EXPECT_EQ(standin::DescribeWindow(window)->text, "new");
  EXPECT_EQ(MessagesOf(window), (std::vector<UINT>{WM_SETTEXT}));
  swallowed = WM_SETTEXT;
  swallowedResult = FALSE;
  EXPECT_FALSE(SetWindowTextA(window, "ignored"));
  EXPECT_EQ(standin::DescribeWindow(window)->text, "new");
}

// The display names the full screen after the window the user sees: its text when it is
// shown and whenever it changes; a hidden window's text is not shown.
TEST_F(DesktopTest, TheDisplayShowsTheTitleOfTheWindowTheUserSees) {
  HWND first = MakeWindow("first");
  HWND second = MakeWindow("second");
  SetWindowTextA(first, "renamed while hidden");
  EXPECT_EQ(display->Title(), "");
  ShowWindow(first, SW_SHOW);
  EXPECT_EQ(display->Title(), "renamed while hidden");
  SetWindowTextA(first, "Starfield");
  EXPECT_EQ(display->Title(), "Starfield");
  SetWindowTextA(second, "not shown");
  EXPECT_EQ(display->Title(), "Starfield");
  ShowWindow(second, SW_SHOW);
  EXPECT_EQ(display->Title(), "not shown");
  SetWindowTextA(second, "");
  EXPECT_EQ(display->Title(), "");
}

TEST_F(DesktopTest, EnablingAndMovingTellTheWindow) {
  HWND window = MakeWindow();
  EXPECT_FALSE(EnableWindow(window, FALSE));
  EXPECT_FALSE(standin::DescribeWindow(window)->enabled);
  EXPECT_TRUE(EnableWindow(window, FALSE));
  EXPECT_TRUE(EnableWindow(window, TRUE));
  EXPECT_EQ(received,
            (std::vector<Received>{{window, WM_ENABLE, FALSE, 0}, {window, WM_ENABLE, TRUE, 0}}));
  received.clear();
  EXPECT_TRUE(MoveWindow(window, 0, 0, 800, 600, TRUE));
  EXPECT_EQ(received,
            (std::vector<Received>{{window, WM_MOVE, 0, MAKELPARAM(0, 0)},
                                   {window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600)}}));
  RECT rect = standin::DescribeWindow(window)->rect;
  EXPECT_EQ(rect.right, 800);
  EXPECT_EQ(rect.bottom, 600);
  EXPECT_FALSE(MoveWindow(reinterpret_cast<HWND>(0x1234), 0, 0, 1, 1, FALSE));
}

TEST_F(DesktopTest, TheCursorIsShownWhileItsCounterIsNotNegative) {
  EXPECT_EQ(standin::CursorDisplayCount(), 0);
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_EQ(standin::CursorDisplayCount(), -1);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_EQ(ShowCursor(TRUE), 1);

  RECT clip{0, 0, 640, 480};
  EXPECT_TRUE(ClipCursor(&clip));
  ASSERT_TRUE(display->CursorClip());
  EXPECT_EQ(display->CursorClip()->right, 640);
  EXPECT_EQ(display->CursorClip()->bottom, 480);
  EXPECT_TRUE(ClipCursor(nullptr));
  EXPECT_FALSE(display->CursorClip());

  standin::ResetDesktop();
  EXPECT_EQ(standin::CursorDisplayCount(), 0);
}

TEST_F(DesktopTest, TheKeyboardHoldsTheDisplaysKeys) {
  BYTE keys[256];
  standin::ReadKeyboard(keys);
  EXPECT_EQ(std::count(keys, keys + 256, 0), 256);
  display->SetKey(DIK_SPACE, true);
  display->SetKey(DIK_LEFT, true);
  standin::ReadKeyboard(keys);
  EXPECT_EQ(keys[DIK_SPACE], 0x80);
  EXPECT_EQ(keys[DIK_LEFT], 0x80);
  display->SetKey(DIK_LEFT, false);
  standin::ReadKeyboard(keys);
  EXPECT_EQ(keys[DIK_SPACE], 0x80);
  EXPECT_EQ(keys[DIK_LEFT], 0);
  EXPECT_EQ(std::count(keys, keys + 256, 0), 255);
}

TEST_F(DesktopTest, ARequestToCloseIsPostedToTheWindowTheUserSees) {
  HWND hidden = MakeWindow("hidden");
  HWND window = MakeWindow();
  display->RequestClose();  // nothing shown: nothing to close
  EXPECT_TRUE(Drain().empty());

  ShowWindow(window, SW_SHOW);
  Drain();
  received.clear();
  display->RequestClose();
  std::vector<MSG> taken = Drain();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].hwnd, window);
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(MessagesOf(hidden), std::vector<UINT>{});
  BYTE keys[256];
  standin::ReadKeyboard(keys);
  EXPECT_EQ(std::count(keys, keys + 256, 0), 256);  // not a key

  // Without the focus the window shown is still the one closed.
  display->LoseFocus();
  Drain();
  display->RequestClose();
  taken = Drain();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].hwnd, window);
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(DesktopTest, AWindowsDeviceContextKeepsObjectsAndDrawsNowhere) {
  HWND window = MakeWindow();
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(Rectangle(dc, 0, 0, 10, 10));
  EXPECT_EQ(ReleaseDC(MakeWindow(), dc), 0);
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc), 0);
  EXPECT_FALSE(Rectangle(dc, 0, 0, 10, 10));
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1234)), nullptr);
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

}  // namespace
