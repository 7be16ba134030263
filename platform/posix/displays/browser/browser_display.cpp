// The browser display, for a program built with Emscripten into a web page: the page's
// canvas (Module.canvas) is the full screen, the page's keyboard, pointer, touch screen,
// focus and visibility are the desktop's.
//
// Each present converts the rows of the picture that changed since the last one (an 8-bit
// picture through its palette) into the canvas's RGBA pixels and puts them there; the
// canvas keeps the mode's size, and the page scales it to its window. When the browser
// gives the canvas back after losing it (contextrestored), it is blank: the next present
// sends the whole picture. The program's frame loop blocks, so a present then yields to
// the browser (Asyncify) until the screen's next refresh: 60 a second, whatever the
// monitor's rate, counted on the browser's animation frames, so that the picture moves
// as fast on a 144 Hz monitor as on a 60 Hz one. A hidden page holds the program where
// it is until it shows again (a worker's animation frames go on then, so the page says
// when it is hidden). While the page is in the background the program presents nothing;
// there its polls for events yield to the next animation frame instead, or to the page's
// return, whichever comes first.
//
// The program may run in a worker while the page listens (browser_page.js): the page
// sends what its keyboard, pointer, touch screen, focus and visibility do, and gets back
// the count of presents and when each came. Keys come from the page's key events by
// physical key (browser_keys.cpp); a key pressed and released between two reads shows
// down in the next read, so that a short tap is not lost between frames. Keys that the
// browser or the system take for themselves (full screen, new tab, switching windows,
// ...) stay theirs and reach the program not at all; browser_page.js says which. A touch
// on the canvas (a finger's or a pen's) is the space bar, as a touch screen has no keys.
// The mouse: movements over the canvas or, once a click has locked the pointer to it,
// anywhere; buttons and wheel steps over the canvas. When the program ends, the page is
// the page's again: no listener of the display stays.
//
// Limits: one canvas, 2D context; the desktop is taken to be 1920 x 1200, since any mode
// is scaled to the page; the cursor clip is kept but confines nothing, as a locked
// pointer has no cursor and an unlocked one belongs to the page.
#include "platform/posix/displays/browser/browser_display.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/displays/browser/browser_keys.h"

// The program's side in JavaScript, browser_display.js: what the page tells reaches the
// exported functions at the end of this file; what the driver keeps there is
// Module.browserDisplay.
extern "C" {
// Names the keys of the page's key codes, before the start: "code=scanCode" pairs, each
// ended by a space. One call, as the calls are slow while the program is new to the browser.
void browser_name_keys(const char* names);
// Listens to the page; whether it has the focus and shows.
int browser_start();
// Gives the canvas the mode's size, black; 0 when it has no 2D context.
int browser_enter(int width, int height);
void browser_leave();
// Puts the RGBA picture's rows top to bottom - 1, columns left to right - 1 on the canvas.
void browser_show(const void* pixels, int width, int height, int left, int top, int right,
                  int bottom);
// Waits for the browser's next animation frame; with `wakeOnActivation`, a change of the
// page's focus or visibility ends the wait sooner.
void browser_next_frame(int wakeOnActivation);
}

namespace standin {
namespace {

// Mouse changes not yet collected are dropped beyond this many, oldest first.
constexpr std::size_t kMouseEventsKept = 1024;
// The bytes 0, 0, 0, 255 that the canvas takes for black.
constexpr std::uint32_t kOpaqueBlack = 0xFF000000;

class BrowserDisplay;
// The display that the page's events reach.
BrowserDisplay* live = nullptr;

class BrowserDisplay final : public Display {
 public:
  BrowserDisplay() { live = this; }
  ~BrowserDisplay() override {
    Leave();
    if (live == this) live = nullptr;
  }

  bool Start() override {
    if (started_) return true;
    started_ = true;
    std::string names;
    for (const KeyName& key : KeyNames()) {
      names.append(key.code).append("=").append(std::to_string(key.scanCode)).append(" ");
    }
    browser_name_keys(names.c_str());
    Activation(browser_start() != 0);
    return true;
  }

  DisplayMode DesktopMode() override { return ModeOf(1920, 1200, 32); }
  DWORD RefreshRate() const override { return 60; }

  bool Enter(const DisplayMode& mode) override {
    if (!Start()) return false;
    if (browser_enter(static_cast<int>(mode.width), static_cast<int>(mode.height)) == 0) {
      return false;
    }
    // Black, as the canvas now is: the next present sends only what is not black, which
    // on a new screen is mostly its picture alone.
    std::size_t pixels = std::size_t{mode.width} * mode.height;
    rgba_.reset(new std::uint32_t[pixels]);
    std::fill_n(rgba_.get(), pixels, kOpaqueBlack);
    picture_.ShowsBlack();
    width_ = mode.width;
    height_ = mode.height;
    shown_ = true;
    return true;
  }

  void Leave() override {
    if (!shown_) return;
    shown_ = false;
    browser_leave();
  }

  // The page keeps the last picture and gets its pointer back; Enter shows the mode again.
  void ShowDesktop() override { Leave(); }

  // A present waits for the next frame even when it shows nothing, so that no frame loop
  // keeps the browser from its work.
  void Present(const FrameView& frame) override {
    if (shown_ && frame.width == width_ && frame.height == height_) {
      ChangedArea area =
          picture_.Convert(frame, reinterpret_cast<BYTE*>(rgba_.get()),
                           static_cast<int>(width_ * 4), ChangedPicture::Order::kRgbaBytes);
      if (area.Empty()) area = ChangedArea{0, -1, 0, 0};
      browser_show(rgba_.get(), static_cast<int>(width_), static_cast<int>(height_), area.left,
                   area.first, area.right, area.last + 1);
    }
    browser_next_frame(0);
  }

  // The next refresh is the next of the 60 a second that presents wait for; waiting for
  // it keeps a program that holds its frames (screen/flip.cpp) in step with them.
  void WaitForVerticalBlank() override {
    if (shown_) browser_next_frame(0);
  }

  void CollectEvents(std::vector<DisplayEvent>& events) override {
    if (started_ && !active_) browser_next_frame(1);
    events.insert(events.end(), desktopEvents_.begin(), desktopEvents_.end());
    desktopEvents_.clear();
  }

  // The page's messages arrive while the thread is given back to the browser.
  bool WaitForEvents(DWORD milliseconds) override {
    if (desktopEvents_.empty()) Sleep(milliseconds);
    return !desktopEvents_.empty();
  }

  void ReadKeys(BYTE keys[256]) override {
    for (int i = 0; i < 256; ++i) keys[i] = keys_[i] | tapped_[i];
    tapped_.fill(0);
  }

  void ClipCursor(const RECT* clip) override {
    clip_ = clip ? std::optional<RECT>(*clip) : std::nullopt;
  }

  void CollectMouseEvents(std::vector<MouseEvent>& events) override {
    events.insert(events.end(), mouseEvents_.begin(), mouseEvents_.end());
    mouseEvents_.clear();
  }

  // From the page.
  void Activation(bool active) {
    if (active == active_) return;
    active_ = active;
    desktopEvents_.push_back(active ? DisplayEvent::kFocusGained : DisplayEvent::kFocusLost);
    // Keys released while the page was in the background send no event to it.
    if (!active) keys_.fill(0);
  }

  void Key(BYTE scanCode, bool down) {
    keys_[scanCode] = down ? 0x80 : 0;
    if (down) tapped_[scanCode] = 0x80;
  }

  // The canvas is blank again after the browser restored it.
  void Restored() { picture_.SendWhole(); }

  void Mouse(const MouseEvent& event) {
    mouseEvents_.push_back(event);
    mouseEvents_.back().time = GetTickCount();
    if (mouseEvents_.size() > kMouseEventsKept) mouseEvents_.pop_front();
  }

 private:
  bool started_ = false;
  bool shown_ = false;
  bool active_ = true;
  DWORD width_ = 0;
  DWORD height_ = 0;
  std::unique_ptr<std::uint32_t[]> rgba_;
  ChangedPicture picture_;
  std::array<BYTE, 256> keys_{};
  std::array<BYTE, 256> tapped_{};
  std::optional<RECT> clip_;
  std::vector<DisplayEvent> desktopEvents_;
  std::deque<MouseEvent> mouseEvents_;
};

}  // namespace

std::unique_ptr<Display> MakeBrowserDisplay() { return std::make_unique<BrowserDisplay>(); }

}  // namespace standin

// What the page's listeners call.
extern "C" {

EMSCRIPTEN_KEEPALIVE void standin_browser_activation(int active) {
  if (standin::live) standin::live->Activation(active != 0);
}

EMSCRIPTEN_KEEPALIVE void standin_browser_key(int scanCode, int down) {
  if (standin::live && scanCode > 0 && scanCode < 256) {
    standin::live->Key(static_cast<BYTE>(scanCode), down != 0);
  }
}

EMSCRIPTEN_KEEPALIVE void standin_browser_touch(int down) {
  if (standin::live) standin::live->Key(DIK_SPACE, down != 0);
}

EMSCRIPTEN_KEEPALIVE void standin_browser_restored() {
  if (standin::live) standin::live->Restored();
}

EMSCRIPTEN_KEEPALIVE void standin_browser_button(int button, int down) {
  standin::MouseEvent event;
  event.kind = standin::MouseEvent::Kind::kButton;
  event.button = static_cast<DWORD>(button);
  event.down = down != 0;
  if (standin::live) standin::live->Mouse(event);
}

EMSCRIPTEN_KEEPALIVE void standin_browser_motion(int dx, int dy) {
  standin::MouseEvent event;
  event.kind = standin::MouseEvent::Kind::kMotion;
  event.dx = dx;
  event.dy = dy;
  if (standin::live) standin::live->Mouse(event);
}

EMSCRIPTEN_KEEPALIVE void standin_browser_wheel(int steps) {
  standin::MouseEvent event;
  event.kind = standin::MouseEvent::Kind::kWheel;
  event.steps = steps;
  if (standin::live) standin::live->Mouse(event);
}
}
