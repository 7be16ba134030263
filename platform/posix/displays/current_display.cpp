// The choice of the display in use, with the test controls that change it and its
// layout. A program has its build's own driver (default_sdl.cpp, default_browser.cpp);
// when the environment's STANDIN_PRESENT_COUNT_FILE names a file, that driver's presents
// are counted into it (present_counter.h), for runs of a delivered executable that a test
// watches from outside.
#include "platform/posix/displays/current_display.h"

#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/displays/present_counter.h"
#include "platform/posix/standin.h"

namespace standin {
namespace {

std::unique_ptr<Display>& Installed() {
  static std::unique_ptr<Display> display;
  return display;
}

}  // namespace

std::unique_ptr<Display> CountedIfAsked(std::unique_ptr<Display> display) {
  const char* countFile = std::getenv("STANDIN_PRESENT_COUNT_FILE");
  if (countFile && *countFile) return CountPresents(std::move(display), countFile);
  return display;
}

void InstallDisplay(std::unique_ptr<Display> display) {
  Installed().reset();
  Installed() = std::move(display);
}

Display& CurrentDisplay() {
  if (!Installed()) Installed() = CountedIfAsked(MakeDefaultDisplay());
  return *Installed();
}

HeadlessDisplay& UseHeadlessDisplay() {
  auto display = std::make_unique<HeadlessDisplay>();
  HeadlessDisplay& headless = *display;
  InstallDisplay(std::move(display));
  return headless;
}

void SetDisplayPixelLayout16(bool fiveSixFive) { CurrentDisplay().SetPixelLayout16(fiveSixFive); }

void SetDisplayRedInLowByte(bool redLow) { CurrentDisplay().SetRedInLowByte(redLow); }

void SetDisplayModeFilter(std::function<bool(DWORD, DWORD, DWORD)> accept) {
  CurrentDisplay().SetModeFilter(std::move(accept));
}

}  // namespace standin
