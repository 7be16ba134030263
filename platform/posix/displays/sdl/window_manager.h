// Whether a window manager looks after an SDL window. Apart from the display so that the X
// headers' names stay out of it.
#pragma once

#include <SDL.h>

namespace standin {

// On X, a window manager announces itself on the root window; other desktops always
// have one.
bool WindowManaged(SDL_Window* window);

}  // namespace standin
