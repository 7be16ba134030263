// The choice of the display in use, with the test controls that change it and its
// layout. A program has the SDL display; when the environment's
// STANDIN_PRESENT_COUNT_FILE names a file, the SDL display's presents are counted into
// it (present_counter.h), for runs of a delivered executable that a test watches from
// outside.
#include "platform/posix/displays/current_display.h"

#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/displays/present_counter.h"
#include "platform/posix/displays/sdl/sdl_display.h"
#include "platform/posix/standin.h"

namespace standin {
namespace {

std::unique_ptr<Display>& Installed() {
  static std::unique_ptr<Display> display;
  return display;
}

std::unique_ptr<Display> NewSdlDisplay(SdlPresentation presentation) {
  const char* countFile = std::getenv("STANDIN_PRESENT_COUNT_FILE");
  if (countFile && *countFile) return CountPresents(MakeSdlDisplay(presentation), countFile);
  return MakeSdlDisplay(presentation);
}

}  // namespace

Display& CurrentDisplay() {
  if (!Installed()) Installed() = NewSdlDisplay(SdlPresentation::kChosen);
  return *Installed();
}

HeadlessDisplay& UseHeadlessDisplay() {
  auto display = std::make_unique<HeadlessDisplay>();
  HeadlessDisplay& headless = *display;
  Installed().reset();
  Installed() = std::move(display);
  return headless;
}

void UseSdlDisplay(SdlPresentation presentation) {
  Installed().reset();
  Installed() = NewSdlDisplay(presentation);
}

void UseSdlDisplay() { UseSdlDisplay(SdlPresentation::kChosen); }

void SetDisplayPixelLayout16(bool fiveSixFive) { CurrentDisplay().SetPixelLayout16(fiveSixFive); }

void SetDisplayRedInLowByte(bool redLow) { CurrentDisplay().SetRedInLowByte(redLow); }

void SetDisplayModeFilter(std::function<bool(DWORD, DWORD, DWORD)> accept) {
  CurrentDisplay().SetModeFilter(std::move(accept));
}

}  // namespace standin
