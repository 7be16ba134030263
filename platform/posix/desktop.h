// The desktop that the stand-in's windows live on, as the display and input modules see
// it: which window has the foreground and what the keyboard holds. The user module keeps
// this state from the display's events.
#pragma once

#include "platform/posix/winapi.h"

namespace standin {

// The window that is active in the foreground, or null.
HWND ForegroundWindow();

// The keys held down now, indexed by DirectInput scan code (bit 7 set for a key that is
// down).
void ReadKeyboard(BYTE keys[256]);

}  // namespace standin
