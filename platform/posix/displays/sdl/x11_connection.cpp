// Xlib calls one handler, for every connection of the process, when a connection breaks.
#include "platform/posix/displays/sdl/x11_connection.h"

#include <X11/Xlib.h>

namespace standin {
namespace {

void (*endProcess)() = nullptr;

int ConnectionBroke(Display*) {
  endProcess();
  return 0;
}

}  // namespace

void EndWhenXConnectionBreaks(void (*end)()) {
  endProcess = end;
  XSetIOErrorHandler(ConnectionBroke);
}

}  // namespace standin
