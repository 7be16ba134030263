// USER32: window classes and windows, the message queue fed by the display, activation,
// painting and the cursor; and the desktop of platform/posix/user32/desktop.h.
//
// Windows are created hidden unless WS_VISIBLE. Showing a window (other than with
// SW_SHOWNA or SW_SHOWNOACTIVATE) activates it while the program has the desktop's focus:
// WM_ACTIVATE is sent to the window losing the activation (WA_INACTIVE) and then to the
// window gaining it (WA_ACTIVE). Hiding the active window sends it WA_INACTIVE. Without
// the focus, the window shown is the one that the focus will activate when it returns.
//
// The display's events are collected by PeekMessageA, standin::ReadKeyboard,
// standin::ForegroundWindow and standin::ProgramHasFocus: a focus change posts WM_ACTIVATE
// to the window concerned and tells the focus listeners (DirectDraw's, which loses the
// surfaces of its exclusive mode and gives the desktop its mode back when the focus
// goes), an exposure makes every visible window need painting, and a request to close
// posts WM_CLOSE to the window the user sees (the foreground window, else the one the
// focus will activate). The display is told that window's text as the title to show.
//
// MsgWaitForMultipleObjects waits on the display's events (no objects), for a program with
// nothing to show.
//
// WM_PAINT is not queued: PeekMessageA makes one for a window that needs painting when
// no other message matches, until BeginPaint (or DefWindowProcA's WM_PAINT) validates it.
//
// TranslateMessage posts WM_CHAR (WM_SYSCHAR) for a key down of a letter (upper case
// while Shift is down on the display's keyboard), a digit, Space, Enter, Backspace, Tab
// or Escape.
//
// Limits: no window hierarchy, no destruction of windows (ResetDesktop forgets them all),
// no keyboard or mouse messages from the display; DefWindowProcA handles WM_PAINT,
// WM_SETTEXT and WM_ERASEBKGND and returns 0 for everything else, WM_CLOSE included.
#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <string>

#include "platform/posix/displays/current_display.h"
#include "platform/posix/gdi32/gdi_internal.h"
#include "platform/posix/standin.h"
#include "platform/posix/user32/desktop.h"
#include "platform/win32.h"

namespace standin {
namespace {

struct WindowClass {
  std::string name;
  WNDPROC procedure = nullptr;
  HBRUSH background = nullptr;
};

struct Window {
  std::string className;
  WNDPROC procedure = nullptr;
  HBRUSH background = nullptr;
  std::string text;
  DWORD style = 0;
  RECT rect{};
  bool needsPaint = false;
  bool needsErase = false;
};

struct Desktop {
  std::map<std::string, WindowClass> classes;  // by the name in upper case
  std::map<std::uintptr_t, Window> windows;
  std::deque<MSG> queue;
  HWND foreground = nullptr;
  HWND lastActive = nullptr;  // the window that the desktop's focus activates
  bool hasFocus = true;
  int cursorCount = 0;
};

Desktop& State() {
  static Desktop desktop;
  return desktop;
}

std::vector<FocusListener>& FocusListeners() {
  static std::vector<FocusListener> listeners;
  return listeners;
}

void TellFocus(bool focused) {
  for (FocusListener listener : FocusListeners()) listener(focused);
}

// Atoms and handles are never reused, so a stale one finds nothing.
ATOM nextAtom = 0xC000;
std::uintptr_t nextWindow = 0x00010010;

std::string Key(const char* name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return key;
}

Window* Find(HWND window) {
  auto found = State().windows.find(reinterpret_cast<std::uintptr_t>(window));
  return found == State().windows.end() ? nullptr : &found->second;
}

Window* FindOrFail(HWND window) {
  Window* found = Find(window);
  if (!found) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return found;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* target = FindOrFail(window);
  if (!target) return 0;
  return target->procedure(window, message, wParam, lParam);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State().queue.push_back(MSG{window, message, wParam, lParam, GetTickCount(), POINT{0, 0}});
}

bool Visible(HWND window) {
  Window* found = Find(window);
  return found && (found->style & WS_VISIBLE);
}

// The display names the full screen after the window the user sees: the foreground
// window, else the one the focus will activate.
void TellTitle() {
  Desktop& desktop = State();
  HWND shown = desktop.foreground ? desktop.foreground : desktop.lastActive;
  if (Visible(shown)) CurrentDisplay().SetTitle(Find(shown)->text);
}

void Activate(HWND window) {
  Desktop& desktop = State();
  desktop.lastActive = window;
  if (!desktop.hasFocus || desktop.foreground == window) {
    TellTitle();
    return;
  }
  HWND previous = desktop.foreground;
  desktop.foreground = window;
  TellTitle();
  if (previous && Find(previous)) {
    Send(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(window));
  }
  Send(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
}

void CollectDisplayEvents() {
  std::vector<DisplayEvent> events;
  CurrentDisplay().CollectEvents(events);
  Desktop& desktop = State();
  for (DisplayEvent event : events) {
    switch (event) {
      case DisplayEvent::kFocusGained:
        desktop.hasFocus = true;
        if (!desktop.foreground && Visible(desktop.lastActive)) {
          desktop.foreground = desktop.lastActive;
          Post(desktop.foreground, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
        }
        TellFocus(true);
        break;
      case DisplayEvent::kFocusLost:
        desktop.hasFocus = false;
        if (desktop.foreground) {
          Post(desktop.foreground, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
          desktop.lastActive = desktop.foreground;
          desktop.foreground = nullptr;
        }
        TellFocus(false);
        break;
      case DisplayEvent::kExposed:
        for (auto& [handle, window] : desktop.windows) {
          if (window.style & WS_VISIBLE) window.needsPaint = window.needsErase = true;
        }
        break;
      case DisplayEvent::kCloseRequested: {
        HWND shown = desktop.foreground ? desktop.foreground : desktop.lastActive;
        if (Visible(shown)) Post(shown, WM_CLOSE, 0, 0);
        break;
      }
    }
  }
}

// A null filter window takes every message; (HWND)-1 takes only those of no window.
bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window == reinterpret_cast<HWND>(-1)) {
    if (message.hwnd) return false;
  } else if (window && message.hwnd != window) {
    return false;
  }
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

bool ShiftDown() {
  BYTE keys[256];
  CurrentDisplay().ReadKeys(keys);
  return (keys[DIK_LSHIFT] | keys[DIK_RSHIFT]) & 0x80;
}

// The character that a key makes, or 0 for a key that makes none.
char CharacterOf(WPARAM key) {
  if (key >= 'A' && key <= 'Z') {
    return static_cast<char>(ShiftDown() ? key : key - 'A' + 'a');
  }
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  switch (key) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return '\x1B';
    default:
      return 0;
  }
}

}  // namespace

bool IsWindowHandle(HWND window) { return Find(window) != nullptr; }

HWND ForegroundWindow() {
  CollectDisplayEvents();
  return State().foreground;
}

bool ProgramHasFocus() {
  CollectDisplayEvents();
  return State().hasFocus;
}

void ReadKeyboard(BYTE keys[256]) {
  CollectDisplayEvents();
  CurrentDisplay().ReadKeys(keys);
}

void ListenToFocus(FocusListener listener) {
  if (std::find(FocusListeners().begin(), FocusListeners().end(), listener) ==
      FocusListeners().end()) {
    FocusListeners().push_back(listener);
  }
}

void ResetDesktop() { State() = Desktop{}; }

int CursorDisplayCount() { return State().cursorCount; }

std::optional<WindowState> DescribeWindow(HWND window) {
  Window* found = Find(window);
  if (!found) return std::nullopt;
  return WindowState{found->className,
                     found->text,
                     found->style,
                     found->rect,
                     (found->style & WS_VISIBLE) != 0,
                     (found->style & WS_DISABLED) == 0};
}

}  // namespace standin

using namespace standin;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName ||
      !windowClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string key = Key(windowClass->lpszClassName);
  if (State().classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  if (nextAtom == 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  State().classes[key] =
      WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->hbrBackground};
  return nextAtom++;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
  auto found = className ? State().classes.find(Key(className)) : State().classes.end();
  if (found == State().classes.end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window window;
  window.className = found->second.name;
  window.procedure = found->second.procedure;
  window.background = found->second.background;
  window.text = windowName ? windowName : "";
  window.style = style & ~static_cast<DWORD>(WS_VISIBLE);
  window.rect = RECT{x, y, x + width, y + height};
  auto handle = reinterpret_cast<HWND>(nextWindow);
  nextWindow += 4;
  State().windows[reinterpret_cast<std::uintptr_t>(handle)] = std::move(window);
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL ShowWindow(HWND window, int command) {
  Window* target = FindOrFail(window);
  if (!target) return FALSE;
  bool wasVisible = target->style & WS_VISIBLE;
  switch (command) {
    case SW_HIDE:
      if (!wasVisible) break;
      target->style &= ~static_cast<DWORD>(WS_VISIBLE);
      Send(window, WM_SHOWWINDOW, FALSE, 0);
      if (State().foreground == window) {
        State().foreground = nullptr;
        Send(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
      }
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWMAXIMIZED:
    case SW_SHOWNOACTIVATE:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_RESTORE:
      if (command == SW_SHOWMAXIMIZED) {
        target->style |= WS_MAXIMIZE;
      } else if (command == SW_SHOWNORMAL || command == SW_RESTORE) {
        target->style &= ~static_cast<DWORD>(WS_MAXIMIZE);
      }
      if (!wasVisible) {
        target->style |= WS_VISIBLE;
        target->needsPaint = target->needsErase = true;
        Send(window, WM_SHOWWINDOW, TRUE, 0);
      }
      if (command != SW_SHOWNA && command != SW_SHOWNOACTIVATE) Activate(window);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Window* target = FindOrFail(window);
  if (!target) return FALSE;
  bool wasDisabled = target->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    target->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    target->style |= WS_DISABLED;
  }
  Send(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  Window* target = FindOrFail(window);
  if (!target) return FALSE;
  target->rect = RECT{x, y, x + width, y + height};
  if (repaint && (target->style & WS_VISIBLE)) target->needsPaint = target->needsErase = true;
  Send(window, WM_MOVE, 0, MAKELPARAM(x, y));
  Send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!FindOrFail(window)) return FALSE;
  return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int ShowCursor(BOOL show) {
  State().cursorCount += show ? 1 : -1;
  return State().cursorCount;
}

BOOL ClipCursor(const RECT* rectangle) {
  CurrentDisplay().ClipCursor(rectangle);
  return TRUE;
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  if (!message) return FALSE;
  CollectDisplayEvents();
  if (window && window != reinterpret_cast<HWND>(-1) && !FindOrFail(window)) return FALSE;
  std::deque<MSG>& queue = State().queue;
  auto found = std::find_if(queue.begin(), queue.end(), [&](const MSG& queued) {
    return Matches(queued, window, filterMin, filterMax);
  });
  if (found != queue.end()) {
    *message = *found;
    if (remove & PM_REMOVE) queue.erase(found);
    return TRUE;
  }
  for (auto& [handle, candidate] : State().windows) {
    if (!candidate.needsPaint) continue;
    MSG paint{reinterpret_cast<HWND>(handle), WM_PAINT, 0, 0, GetTickCount(), POINT{0, 0}};
    if (!Matches(paint, window, filterMin, filterMax)) continue;
    *message = paint;
    return TRUE;
  }
  return FALSE;
}

// Waits for the queue and the display's events alone: the stand-in has no objects to
// wait on, and every kind of input wakes the wait.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  CollectDisplayEvents();
  if (!State().queue.empty()) return WAIT_OBJECT_0;
  // A message may also be posted while the display waits (by a test's clock).
  bool event = CurrentDisplay().WaitForEvents(milliseconds);
  return event || !State().queue.empty() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL TranslateMessage(const MSG* message) {
  if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN)) {
    return FALSE;
  }
  char character = CharacterOf(message->wParam);
  if (!character) return FALSE;
  Post(message->hwnd, message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
       static_cast<WPARAM>(static_cast<unsigned char>(character)), message->lParam);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
  if (!message || !message->hwnd) return 0;
  return Send(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (BeginPaint(window, &paint)) EndPaint(window, &paint);
      return 0;
    }
    case WM_SETTEXT: {
      Window* target = FindOrFail(window);
      if (!target) return FALSE;
      target->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      TellTitle();
      return TRUE;
    }
    case WM_ERASEBKGND: {
      // The background brush would paint pixels that a window here does not have.
      Window* target = Find(window);
      return target && target->background ? 1 : 0;
    }
    default:
      return 0;
  }
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Send(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !FindOrFail(window)) return FALSE;
  Post(window, message, wParam, lParam);
  return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  Window* target = FindOrFail(window);
  if (!target || !paint) return nullptr;
  std::memset(paint, 0, sizeof *paint);
  HDC dc = CreateWindowDC(window);
  bool erase = target->needsErase;
  paint->hdc = dc;
  if (target->needsPaint) {
    paint->rcPaint =
        RECT{0, 0, target->rect.right - target->rect.left, target->rect.bottom - target->rect.top};
  }
  target->needsPaint = target->needsErase = false;
  if (erase) paint->fErase = Send(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (paint) DestroyWindowDC(window, paint->hdc);
  return TRUE;
}

HDC GetDC(HWND window) {
  if (window && !FindOrFail(window)) return nullptr;
  return CreateWindowDC(window);
}

int ReleaseDC(HWND window, HDC dc) { return DestroyWindowDC(window, dc) ? 1 : 0; }
