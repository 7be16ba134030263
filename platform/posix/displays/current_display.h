// The display that the stand-in's modules use now: the build's driver for programs unless
// a test put another in place (standin::UseHeadlessDisplay, standin::UseSdlDisplay).
#pragma once

#include <memory>

#include "platform/posix/displays/display.h"

namespace standin {

Display& CurrentDisplay();

// Puts the display in place of the current one, which ends.
void InstallDisplay(std::unique_ptr<Display> display);
// The display as a program has it: counting its presents when the environment asks.
std::unique_ptr<Display> CountedIfAsked(std::unique_ptr<Display> display);
// The driver of this build for programs (default_sdl.cpp or default_browser.cpp).
std::unique_ptr<Display> MakeDefaultDisplay();

}  // namespace standin
