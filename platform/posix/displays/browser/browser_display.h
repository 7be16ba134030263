// The browser display driver (browser_display.cpp with its page side, browser_display.js),
// the display of a program built with Emscripten into a web page.
#pragma once

#include <memory>

#include "platform/posix/displays/display.h"

namespace standin {

// The display of a web page: its canvas, keyboard, pointer, focus and visibility.
std::unique_ptr<Display> MakeBrowserDisplay();

}  // namespace standin
