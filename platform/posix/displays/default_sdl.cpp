// A native program's display: the SDL2 window, shown as the machine suits; tests may ask
// for either way of showing it.
#include "platform/posix/displays/current_display.h"
#include "platform/posix/displays/sdl/sdl_display.h"
#include "platform/posix/standin.h"

namespace standin {

std::unique_ptr<Display> MakeDefaultDisplay() { return MakeSdlDisplay(SdlPresentation::kChosen); }

void UseSdlDisplay(SdlPresentation presentation) {
  InstallDisplay(CountedIfAsked(MakeSdlDisplay(presentation)));
}

void UseSdlDisplay() { UseSdlDisplay(SdlPresentation::kChosen); }

}  // namespace standin
