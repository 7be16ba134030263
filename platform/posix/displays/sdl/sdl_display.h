// The SDL2 display driver (sdl_display.cpp), made by the choice of the display in use.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/posix/displays/display.h"

struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Window;

namespace standin {

// How the SDL display shows pictures: chosen by the machine (the renderer where there is
// a GPU, the window's surface elsewhere), or either of them for the tests.
enum class SdlPresentation { kChosen, kRenderer, kWindowSurface };

// What the display asks of SDL about the machine, each SDL's own unless set: the
// window's own surface (SDL_GetWindowSurface), a renderer for the window (SDL_CreateRenderer:
// window, driver index, flags) and the desktop's refresh rate in hertz (0 when unknown).
// Tests set them to see the display on machines they are not: without a window surface,
// without any renderer, or with a faster monitor.
struct SdlMachine {
  std::function<SDL_Surface*(SDL_Window*)> windowSurface;
  std::function<SDL_Renderer*(SDL_Window*, int, std::uint32_t)> createRenderer;
  std::function<int()> desktopRefreshRate;
};

std::unique_ptr<Display> MakeSdlDisplay(SdlPresentation presentation, SdlMachine machine = {});

}  // namespace standin
