// The SDL2 display: a window over the whole desktop (SDL_WINDOW_FULLSCREEN_DESKTOP) that
// shows each presented picture scaled to the desktop in its own proportions (the logical
// size is the mode's size), an 8-bit picture expanded through its palette.
//
// Two ways to show a picture. Where the machine has a GPU (a DRM render node), through
// SDL's accelerated renderer, whose presents wait for the vertical blank. Elsewhere the
// renderer would be OpenGL on a software rasteriser, costlier than the picture itself, so
// the picture goes straight into the window's own surface (SDL_GetWindowSurface, shared
// memory on X11). Video drivers without a framebuffer of their own (Wayland, KMS/DRM) make
// the window's surface through a renderer of SDL's. Where the window has no surface all
// the same, a renderer shows the picture after all, SDL's software one if no other starts;
// where none does, the full screen cannot be shown and Enter fails.
// Either way only the rows that changed since the last present are converted and sent,
// and only their changed columns; a new palette, pixel format or size, or an exposure,
// sends the whole picture.
//
// The full screen's modes run at 60 Hz (or at the monitor's rate where that is slower),
// whatever the monitor, and at 60 Hz where the desktop's rate tells nothing (0, 1, or no
// monitor's): a program whose motion advances by the frame moves alike on every
// monitor. The display waits for the next of those refresh periods itself, unless the
// renderer's presents already wait for a monitor no faster than that.
//
// SDL's video starts on first need (a mode being set or the desktop asked for), not at
// program start, on the X or Wayland desktop that the environment names (or with the
// driver that SDL_VIDEODRIVER names), and stops with the display. The window exists only
// while the full screen is shown, and the system cursor is hidden for that time; while
// the program is away the window is minimised (where a window manager can restore it)
// and the mouse and the cursor are the desktop's. The
// display takes every SDL event from the queue; the keyboard is read from SDL's keyboard
// state through the key table of sdl_keys.h. While the full screen is shown the mouse is in SDL's
// relative mode, made by warping: the cursor is hidden and brought back to the window's centre
// after each move, and each move is the motion from there. So every pointing device moves
// the mouse, those that place the pointer (tablets, touch screens, remote desktops, a
// virtual machine's pointer) as well as those that move it, as a full-screen program's
// mouse moves on Windows; SDL's other way, the devices' raw motion, has none from the
// former on X. The motions, buttons and wheel are kept for the mouse device, the latest
// kMouseEventsKept of them.
//
// The window carries the title of the program's window that the desktop shows (from
// USER32), or the program's name where that title is empty, so that the desktop names it.
//
// A lost display ends the process at once with exit code 1, as the system ends a program
// whose session has ended, and as an X program ends when its display goes: the broken
// connection to the X server, or SDL's quit event, which on these desktops (its signal
// handlers off, and the last window's close not taken for one) comes only when the
// connection to the display is lost (a Wayland compositor gone). Nothing that would talk
// to the lost display runs on the way out.
//
// Where SDL's video cannot start, or the full screen cannot be shown, the display says why
// on standard error, once, as a system's display layer would; the program goes on
// without a screen.
//
// Limits: one desktop display (the first); the modes offered are the usual sizes up to
// the desktop's size, whatever the depth, since every depth is converted to 32-bit
// colour. Without a GPU, a desktop larger than the mode is filled by scaling the whole
// picture again on each change (nearest pixel, as the renderer does).
#include "platform/posix/displays/sdl/sdl_display.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "platform/posix/displays/sdl/sdl_keys.h"
#include "platform/posix/displays/sdl/window_manager.h"
#include "platform/posix/displays/sdl/x11_connection.h"

namespace standin {
namespace {

// Mouse changes not yet collected are dropped beyond this many, oldest first, so that a
// program that never reads the mouse does not grow without end.
constexpr std::size_t kMouseEventsKept = 1024;

// Whether the machine has a GPU that a process may render with.
bool HasRenderNode() {
  DIR* directory = opendir("/dev/dri");
  if (!directory) return false;
  bool found = false;
  while (dirent* entry = readdir(directory)) {
    if (std::strncmp(entry->d_name, "renderD", 7) != 0) continue;
    std::string path = std::string("/dev/dri/") + entry->d_name;
    int descriptor = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor >= 0) {
      close(descriptor);
      found = true;
      break;
    }
  }
  closedir(directory);
  return found;
}

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

constexpr ChangedPicture::Order kXrgb = ChangedPicture::Order::kXrgb;

// The refresh rate of the full screen's modes, where the monitor is not slower.
constexpr DWORD kModeRefreshRate = 60;

// The video drivers that give a window a framebuffer of their own; others give a window
// surface only through a renderer of SDL's.
constexpr std::array<const char*, 3> kOwnFramebuffer = {"x11", "offscreen", "dummy"};

// Ends the process with the exit code of a lost display, saying why; nothing else runs on
// the way out, since whatever would talk to the display would wait for it for ever.
[[noreturn]] void EndForLostDisplay(const char* why) {
  std::fprintf(stderr, "%s: the display was lost (%s); ending\n", program_invocation_short_name,
               why);
  _exit(1);
}

class SdlDisplay final : public Display {
 public:
  SdlDisplay(SdlPresentation presentation, SdlMachine machine)
      : presentation_(presentation), machine_(std::move(machine)) {
    if (!machine_.windowSurface) machine_.windowSurface = SDL_GetWindowSurface;
    if (!machine_.createRenderer) {
      machine_.createRenderer = [](SDL_Window* window, int index, std::uint32_t flags) {
        return SDL_CreateRenderer(window, index, flags);
      };
    }
    if (!machine_.desktopRefreshRate) {
      machine_.desktopRefreshRate = [] {
        SDL_DisplayMode desktop{};
        return SDL_GetDesktopDisplayMode(0, &desktop) == 0 ? desktop.refresh_rate : 0;
      };
    }
  }

  ~SdlDisplay() override {
    Leave();
    if (started_) SDL_Quit();
  }

  bool Start() override {
    if (!started_) started_ = StartVideo();
    return started_;
  }

  DisplayMode DesktopMode() override {
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return ModeOf(0, 0, 32);
    return ModeOf(static_cast<DWORD>(desktop.w), static_cast<DWORD>(desktop.h), 32);
  }

  DWORD RefreshRate() const override {
    DWORD monitor = started_ ? PlausibleRefreshRate(machine_.desktopRefreshRate()) : 0;
    return monitor > 0 ? std::min(monitor, kModeRefreshRate) : kModeRefreshRate;
  }

  bool Enter(const DisplayMode& mode) override {
    if (!Start()) return false;
    int width = static_cast<int>(mode.width);
    int height = static_cast<int>(mode.height);
    if (away_) {
      away_ = false;
      if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window_);
    }
    if (!window_) {
      // Borderless over the desktop first: on an X desktop without a window manager that
      // is the full screen already, while asking for it would wait in vain for an answer.
      SDL_DisplayMode desktop{};
      if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return false;
      window_ =
          SDL_CreateWindow(ShownTitle().c_str(), 0, 0, desktop.w, desktop.h, SDL_WINDOW_BORDERLESS);
      if (!window_) return false;
      if (WindowManaged(window_)) SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
      if (presentation_ == SdlPresentation::kChosen) {
        presentation_ =
            HasRenderNode() ? SdlPresentation::kRenderer : SdlPresentation::kWindowSurface;
      }
      if (!MakeWayToShow()) {
        SayWhyNoDisplay(std::string("the full screen cannot be shown on ") +
                        SDL_GetCurrentVideoDriver() + ": " + SDL_GetError());
        Leave();
        return false;
      }
    }
    if (!MakeTargets(width, height) ||
        (renderer_ && SDL_RenderSetLogicalSize(renderer_, width, height) != 0)) {
      Leave();
      return false;
    }
    SDL_ShowCursor(SDL_DISABLE);
    if (!SDL_GetRelativeMouseMode()) {
      SDL_SetRelativeMouseMode(SDL_TRUE);
      // SDL forgets where the pointer was when relative mode starts, and takes the first
      // move it then sees as the pointer's place rather than as a motion, unless that move
      // is the one back to the centre. A step beside the centre is that first move.
      int x = 0, y = 0, w = 0, h = 0;
      SDL_GetWindowPosition(window_, &x, &y);
      SDL_GetWindowSize(window_, &w, &h);
      SDL_WarpMouseGlobal(x + w / 2 - 1, y + h / 2);
    }
    if (renderer_) {
      SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
      SDL_RenderClear(renderer_);
      SDL_RenderPresent(renderer_);
    } else if (SDL_Surface* surface = machine_.windowSurface(window_)) {
      SDL_FillRect(surface, nullptr, 0);
      SDL_UpdateWindowSurface(window_);
      shownSurface_ = surface;
    }
    refreshPeriod_ = 1000000000 / static_cast<std::int64_t>(RefreshRate());
    refreshOrigin_ = 0;
    ApplyClip();
    return true;
  }

  // The window steps aside, minimised where a window manager can give it back, and the
  // mouse and the cursor are the desktop's again until Enter.
  void ShowDesktop() override {
    if (!window_ || away_) return;
    away_ = true;
    SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_SetWindowMouseRect(window_, nullptr);
    SDL_ShowCursor(SDL_ENABLE);
    if (WindowManaged(window_)) SDL_MinimizeWindow(window_);
  }

  void Leave() override {
    away_ = false;
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) {
      SDL_SetRelativeMouseMode(SDL_FALSE);
      SDL_DestroyWindow(window_);
      SDL_ShowCursor(SDL_ENABLE);
    }
    if (canvas_) SDL_FreeSurface(canvas_);
    texture_ = nullptr;
    renderer_ = nullptr;
    presentsWait_ = false;
    window_ = nullptr;
    canvas_ = nullptr;
    shownSurface_ = nullptr;
    targetWidth_ = targetHeight_ = 0;
  }

  void Present(const FrameView& frame) override {
    if (!window_ || away_) return;
    int width = static_cast<int>(frame.width);
    int height = static_cast<int>(frame.height);
    if ((width != targetWidth_ || height != targetHeight_) && !MakeTargets(width, height)) {
      return;
    }
    picture_.Prepare(frame);
    if (renderer_) {
      ChangedArea area =
          picture_.Convert(frame, static_cast<BYTE*>(canvas_->pixels), canvas_->pitch, kXrgb);
      if (!area.Empty()) {
        SDL_Rect rect{area.left, area.first, area.right - area.left, area.last - area.first + 1};
        const BYTE* pixels = static_cast<const BYTE*>(canvas_->pixels) +
                             std::ptrdiff_t{canvas_->pitch} * area.first + 4 * area.left;
        SDL_UpdateTexture(texture_, &rect, pixels, canvas_->pitch);
      }
      SDL_RenderClear(renderer_);
      SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
      if (!presentsWait_) WaitForRefresh();
      SDL_RenderPresent(renderer_);
    } else {
      PresentToSurface(frame);
    }
  }

  void WaitForVerticalBlank() override {
    if (window_) WaitForRefresh();
  }

  void CollectEvents(std::vector<DisplayEvent>& events) override {
    Pump();
    events.insert(events.end(), desktopEvents_.begin(), desktopEvents_.end());
    desktopEvents_.clear();
  }

  // SDL's wait blocks on the desktop's connection; it leaves the event in SDL's queue for
  // the next collection.
  bool WaitForEvents(DWORD milliseconds) override {
    if (!desktopEvents_.empty()) return true;
    if (!started_) {
      Sleep(milliseconds);
      return false;
    }
    return SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds)) == 1;
  }

  void CollectMouseEvents(std::vector<MouseEvent>& events) override {
    Pump();
    events.insert(events.end(), mouseEvents_.begin(), mouseEvents_.end());
    mouseEvents_.clear();
  }

  void ReadKeys(BYTE keys[256]) override {
    std::memset(keys, 0, 256);
    if (!started_) return;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (const KeyMapping& key : kSdlKeys) {
      if (key.scancode < count && state[key.scancode]) keys[key.scanCode] = 0x80;
    }
  }

  void ClipCursor(const RECT* clip) override {
    clip_ = clip ? std::optional<RECT>(*clip) : std::nullopt;
    ApplyClip();
  }

  void SetTitle(const std::string& title) override {
    title_ = title;
    if (window_) SDL_SetWindowTitle(window_, ShownTitle().c_str());
  }

 private:
  std::string ShownTitle() const {
    return title_.empty() ? std::string(program_invocation_short_name) : title_;
  }

  // SDL would fall back to drivers that show nothing (offscreen, dummy) when no desktop
  // answers, and probing Wayland without its session prints to stderr; so only the
  // desktops that the environment names are tried, unless SDL_VIDEODRIVER chooses.
  static bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
  }

  // Says on standard error why nothing can be shown, the first time only.
  void SayWhyNoDisplay(const std::string& why) {
    if (saidWhy_) return;
    saidWhy_ = true;
    std::fprintf(stderr, "%s: no display: %s\n", program_invocation_short_name, why.c_str());
  }

  bool StartVideo() {
    // The program installs no signal handlers, so neither does SDL on its behalf: an
    // interrupt or termination ends the process as usual.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window's close reaches the program as a request (WM_CLOSE); a quit event is then
    // the display's going alone.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "1");
    if (Named("SDL_VIDEODRIVER")) {
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return Started();
      SayWhyNoDisplay(std::string("SDL_VIDEODRIVER=") + std::getenv("SDL_VIDEODRIVER") + ": " +
                      SDL_GetError());
      return false;
    }
    const std::pair<const char*, const char*> desktops[] = {{"x11", "DISPLAY"},
                                                            {"wayland", "WAYLAND_DISPLAY"}};
    std::string why;
    for (auto [driver, variable] : desktops) {
      if (!Named(variable)) continue;
      SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return Started();
      why += std::string(why.empty() ? "" : "; ") + variable + "=" + std::getenv(variable) + ": " +
             SDL_GetError();
    }
    SayWhyNoDisplay(why.empty() ? "DISPLAY is not set" : why);
    return false;
  }

  // What a started video driver needs. The window's surface is to be the driver's own
  // memory, not a texture of a renderer, where the driver has such a framebuffer; the
  // others make the surface through a renderer of SDL's, which the hint would forbid (and
  // SDL's software renderer draws into the window's surface too). A broken connection to
  // the X server ends the process.
  static bool Started() {
    const char* driver = SDL_GetCurrentVideoDriver();
    bool own = std::any_of(kOwnFramebuffer.begin(), kOwnFramebuffer.end(),
                           [&](const char* name) { return std::strcmp(driver, name) == 0; });
    if (own) {
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    } else {
      SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    }
    if (std::strcmp(driver, "x11") == 0) {
      EndWhenXConnectionBreaks([] { EndForLostDisplay("the connection to the X server broke"); });
    }
    return true;
  }

  // The window's own surface where it is asked for and SDL has one; a renderer otherwise,
  // or where the surface is missing: the machine's first that starts, else SDL's software
  // one. False when nothing can show the window.
  bool MakeWayToShow() {
    if (presentation_ == SdlPresentation::kWindowSurface && machine_.windowSurface(window_)) {
      return true;
    }
    renderer_ = machine_.createRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = machine_.createRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
    // Presents that wait for a monitor no faster than the mode need no wait of ours; on a
    // faster monitor, or where they do not wait, the display waits for its own periods.
    SDL_RendererInfo info{};
    DWORD monitor = PlausibleRefreshRate(machine_.desktopRefreshRate());
    presentsWait_ = SDL_GetRendererInfo(renderer_, &info) == 0 &&
                    (info.flags & SDL_RENDERER_PRESENTVSYNC) &&
                    !(info.flags & SDL_RENDERER_SOFTWARE) && monitor <= kModeRefreshRate;
    return true;
  }

  // Takes every event from SDL's queue, keeping the desktop's and the mouse's for their
  // collectors.
  void Pump() {
    if (!started_) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) {
        EndForLostDisplay("the desktop's connection ended");
      } else if (event.type == SDL_WINDOWEVENT) {
        switch (event.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            desktopEvents_.push_back(DisplayEvent::kFocusGained);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            desktopEvents_.push_back(DisplayEvent::kFocusLost);
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            desktopEvents_.push_back(DisplayEvent::kExposed);
            picture_.SendWhole();
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            picture_.SendWhole();
            break;
          case SDL_WINDOWEVENT_CLOSE:
            desktopEvents_.push_back(DisplayEvent::kCloseRequested);
            break;
          default:
            break;
        }
      } else if (window_ && !away_) {
        KeepMouse(event);
      }
    }
  }

  // SDL's left, middle, right, first and second extra buttons, as DirectInput numbers
  // them; the second extra button has no place.
  static std::optional<DWORD> ButtonOf(Uint8 button) {
    switch (button) {
      case SDL_BUTTON_LEFT:
        return 0;
      case SDL_BUTTON_RIGHT:
        return 1;
      case SDL_BUTTON_MIDDLE:
        return 2;
      case SDL_BUTTON_X1:
        return 3;
      default:
        return std::nullopt;
    }
  }

  void KeepMouse(const SDL_Event& event) {
    MouseEvent kept;
    switch (event.type) {
      case SDL_MOUSEMOTION:
        kept.kind = MouseEvent::Kind::kMotion;
        kept.dx = event.motion.xrel;
        kept.dy = event.motion.yrel;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        std::optional<DWORD> button = ButtonOf(event.button.button);
        if (!button) return;
        kept.kind = MouseEvent::Kind::kButton;
        kept.button = *button;
        kept.down = event.type == SDL_MOUSEBUTTONDOWN;
        break;
      }
      case SDL_MOUSEWHEEL:
        if (event.wheel.y == 0) return;
        kept.kind = MouseEvent::Kind::kWheel;
        kept.steps =
            event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        break;
      default:
        return;
    }
    kept.time = GetTickCount();
    mouseEvents_.push_back(kept);
    if (mouseEvents_.size() > kMouseEventsKept) mouseEvents_.pop_front();
  }

  // The picture's copy as last presented, the canvas of its colours and, for the
  // renderer, the texture they go to: all of the mode's size.
  bool MakeTargets(int width, int height) {
    if (texture_) SDL_DestroyTexture(texture_);
    if (canvas_) SDL_FreeSurface(canvas_);
    texture_ = nullptr;
    canvas_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    if (canvas_ && renderer_) {
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                   width, height);
    }
    bool made = canvas_ && (texture_ || !renderer_);
    targetWidth_ = made ? width : 0;
    targetHeight_ = made ? height : 0;
    picture_.SendWhole();
    return made;
  }

  // The window's surface takes the colours itself when it has the picture's size and
  // 32-bit 0xRRGGBB pixels; otherwise they go through the canvas and are blitted, scaled
  // to the logical size's place.
  void PresentToSurface(const FrameView& frame) {
    SDL_Surface* surface = machine_.windowSurface(window_);
    if (!surface) return;
    if (surface != shownSurface_ || surface->w != shownWidth_ || surface->h != shownHeight_) {
      shownSurface_ = surface;
      shownWidth_ = surface->w;
      shownHeight_ = surface->h;
      picture_.SendWhole();
    }
    bool wholeWindow = picture_.Prepare(frame);
    bool direct = surface->w == targetWidth_ && surface->h == targetHeight_ &&
                  (surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                   surface->format->format == SDL_PIXELFORMAT_ARGB8888);
    // Bars beside a scaled picture are black.
    if (wholeWindow && !direct) SDL_FillRect(surface, nullptr, 0);
    ChangedArea area =
        direct
            ? picture_.Convert(frame, static_cast<BYTE*>(surface->pixels), surface->pitch, kXrgb)
            : picture_.Convert(frame, static_cast<BYTE*>(canvas_->pixels), canvas_->pitch, kXrgb);
    SDL_Rect rect{area.left, area.first, area.right - area.left, area.last - area.first + 1};
    if (!direct && !area.Empty()) {
      rect = LogicalPlace(surface->w, surface->h);
      SDL_BlitScaled(canvas_, nullptr, surface, &rect);
    }
    WaitForRefresh();
    if (wholeWindow) {
      SDL_UpdateWindowSurface(window_);
    } else if (!area.Empty()) {
      SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
    }
  }

  // Where the renderer's logical size would put the picture: as large as fits, centred.
  SDL_Rect LogicalPlace(int windowWidth, int windowHeight) const {
    double scale = std::min(static_cast<double>(windowWidth) / targetWidth_,
                            static_cast<double>(windowHeight) / targetHeight_);
    int width = static_cast<int>(targetWidth_ * scale);
    int height = static_cast<int>(targetHeight_ * scale);
    return SDL_Rect{(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
  }

  // Sleeps to the next boundary of the refresh periods counted from the first present,
  // as a present that waits for the vertical blank would.
  void WaitForRefresh() {
    std::int64_t now = MonotonicNanoseconds();
    // The first present waits for nothing: its period starts with it.
    if (refreshOrigin_ == 0) {
      refreshOrigin_ = now;
      return;
    }
    std::int64_t next =
        refreshOrigin_ + ((now - refreshOrigin_) / refreshPeriod_ + 1) * refreshPeriod_;
    timespec until{static_cast<time_t>(next / 1000000000), static_cast<long>(next % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
  }

  // The clip is kept in the full screen's coordinates and confines the mouse to the part
  // of the window that shows them.
  void ApplyClip() {
    if (!window_) return;
    if (!clip_) {
      SDL_SetWindowMouseRect(window_, nullptr);
      return;
    }
    int left = 0, top = 0, right = 0, bottom = 0;
    if (renderer_) {
      SDL_RenderLogicalToWindow(renderer_, static_cast<float>(clip_->left),
                                static_cast<float>(clip_->top), &left, &top);
      SDL_RenderLogicalToWindow(renderer_, static_cast<float>(clip_->right),
                                static_cast<float>(clip_->bottom), &right, &bottom);
    } else if (targetWidth_ > 0 && targetHeight_ > 0) {
      int windowWidth = 0, windowHeight = 0;
      SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
      SDL_Rect place = LogicalPlace(windowWidth, windowHeight);
      auto across = [&](LONG x) { return place.x + static_cast<int>(x * place.w / targetWidth_); };
      auto down = [&](LONG y) { return place.y + static_cast<int>(y * place.h / targetHeight_); };
      left = across(clip_->left);
      top = down(clip_->top);
      right = across(clip_->right);
      bottom = down(clip_->bottom);
    }
    SDL_Rect area{left, top, right - left, bottom - top};
    SDL_SetWindowMouseRect(window_, &area);
  }

  SdlPresentation presentation_;
  SdlMachine machine_;
  bool started_ = false;
  bool saidWhy_ = false;
  // The program is away: the window is kept for its return, but not shown.
  bool away_ = false;
  // Whether the renderer's presents wait for the refresh themselves.
  bool presentsWait_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Surface* canvas_ = nullptr;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  // The window surface last drawn on, to tell when SDL made a new one.
  SDL_Surface* shownSurface_ = nullptr;
  int shownWidth_ = 0;
  int shownHeight_ = 0;
  ChangedPicture picture_;
  std::int64_t refreshPeriod_ = 1000000000 / 60;
  std::int64_t refreshOrigin_ = 0;
  std::optional<RECT> clip_;
  std::string title_;
  std::vector<DisplayEvent> desktopEvents_;
  std::deque<MouseEvent> mouseEvents_;
};

}  // namespace

std::unique_ptr<Display> MakeSdlDisplay(SdlPresentation presentation, SdlMachine machine) {
  return std::make_unique<SdlDisplay>(presentation, std::move(machine));
}

}  // namespace standin
