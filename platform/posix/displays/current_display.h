// The display that the stand-in's modules use now: the SDL display unless a test put
// another in place (standin::UseHeadlessDisplay, standin::UseSdlDisplay).
#pragma once

#include "platform/posix/displays/display.h"

namespace standin {

Display& CurrentDisplay();

}  // namespace standin
