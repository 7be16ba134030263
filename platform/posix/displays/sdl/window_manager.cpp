// Asks the X server whether a window manager runs (_NET_SUPPORTING_WM_CHECK on the root
// window). Limits: a window manager that does not announce itself counts as none.
#include "platform/posix/displays/sdl/window_manager.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace standin {

bool WindowManaged(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* display = info.info.x11.display;
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* value = nullptr;
  int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                  XA_WINDOW, &type, &format, &count, &left, &value);
  if (value) XFree(value);
  return status == Success && type == XA_WINDOW && count == 1;
}

}  // namespace standin
