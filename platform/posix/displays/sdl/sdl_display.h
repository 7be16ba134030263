// The SDL2 display driver (sdl_display.cpp), made by the choice of the display in use.
#pragma once

#include <memory>

#include "platform/posix/displays/display.h"

namespace standin {

// How the SDL display shows pictures: chosen by the machine (the renderer where there is
// a GPU, the window's surface elsewhere), or either of them for the tests.
enum class SdlPresentation { kChosen, kRenderer, kWindowSurface };
std::unique_ptr<Display> MakeSdlDisplay(SdlPresentation presentation);

}  // namespace standin
