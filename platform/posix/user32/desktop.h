// What USER32 offers the stand-in's other modules: whether a window exists, and the
// desktop that the windows live on: which window has the foreground, what the keyboard
// holds, and the program gaining or losing the desktop's focus. The user module keeps
// this state from the display's events.
#pragma once

#include "platform/posix/include/winapi.h"

namespace standin {

// Whether the handle names a window that exists.
bool IsWindowHandle(HWND window);

// The window that is active in the foreground, or null.
HWND ForegroundWindow();

// Whether the program has the desktop's focus (whatever its windows show).
bool ProgramHasFocus();

// The keys held down now, indexed by DirectInput scan code (bit 7 set for a key that is
// down).
void ReadKeyboard(BYTE keys[256]);

// Called with true when the program gains the desktop's focus and false when it loses
// it, after the window concerned has its WM_ACTIVATE posted.
using FocusListener = void (*)(bool focused);
// Adds a listener, once however often it is given; listeners outlive ResetDesktop.
void ListenToFocus(FocusListener listener);

}  // namespace standin
