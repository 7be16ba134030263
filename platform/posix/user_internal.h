// What the user module offers the DirectDraw module.
#pragma once

#include "platform/posix/winapi.h"

namespace standin {

// Whether the handle names a window that exists.
bool IsWindowHandle(HWND window);

}  // namespace standin
