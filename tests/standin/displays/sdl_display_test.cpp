// The SDL display on the X server named by DISPLAY (Xvfb in the checks): a full screen
// that shows the flipped frames' colours, also where only some rows or the palette
// changed, waits for the display, hides the cursor, carries the window's title, and hands
// over the desktop's keys, focus and close request; through SDL's renderer and through the
// window's own surface, in any order in one process. Skipped without DISPLAY.
#include "platform/posix/displays/sdl/sdl_display.h"

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>

#include "platform/posix/displays/current_display.h"
#include "platform/posix/standin.h"
#include "platform/posix/user32/desktop.h"
#include "platform/win32.h"
#include "tests/standin/displays/x11_screen.h"

// SDL's session bus connection keeps a block to the end of the process; everything else,
// SDL's and the GL driver's included, is still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus\n"; }

namespace {

// The X server stays up between the tests, whatever their order.
[[maybe_unused]] const bool xConnectionHeld = (HoldXConnection(), true);

// SDL unloads the GL driver when its video ends, and what the driver held then would be
// reported as lost with no library to name it by. Keeping every library loaded keeps
// their memory reachable, and their own leaks attributed to them.
void PinLoadedLibraries() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        if (info->dlpi_name && *info->dlpi_name) {
          dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
        return 0;
      },
      nullptr);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Whether the condition comes true within two seconds, the queue kept moving meanwhile.
template <class Condition>
bool Eventually(Condition condition) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end) {
    DrainMessages();
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool KeyDown(BYTE scanCode) {
  BYTE keys[256];
  standin::ReadKeyboard(keys);
  return keys[scanCode] & 0x80;
}

// The X windows whose WM_NAME and _NET_WM_NAME are both exactly the title.
int WindowsTitled(const std::string& title) {
  std::string command = "for id in $(xdotool search --name '^" + title +
                        "$'); do xprop -id $id WM_NAME _NET_WM_NAME; done";
  FILE* output = popen(command.c_str(), "r");
  if (!output) return -1;
  std::string names;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, output)) names += buffer;
  pclose(output);
  std::string wmName = "WM_NAME(STRING) = \"" + title + "\"\n";
  std::string netName = "_NET_WM_NAME(UTF8_STRING) = \"" + title + "\"\n";
  int both = 0;
  for (std::size_t at = 0; (at = names.find(wmName, at)) != std::string::npos;
       at += wmName.size()) {
    if (names.compare(at + wmName.size(), netName.size(), netName) == 0) ++both;
  }
  return both;
}

void PushWindowEvent(Uint8 event) {
  SDL_Event pushed{};
  pushed.type = SDL_WINDOWEVENT;
  pushed.window.event = event;
  SDL_PushEvent(&pushed);
}

// Without a desktop in the environment, SDL's own fallbacks (which show nothing) are not
// taken: no mode can be set, and standard error says why, once.
TEST(SdlDisplayWithoutDesktopTest, NoModeIsSetAndStandardErrorSaysWhy) {
  std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  // An empty name is no name.
  setenv("DISPLAY", "", 1);
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  standin::UseSdlDisplay();
  standin::ResetDesktop();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.lpszClassName = "SdlDisplayTest";
  ASSERT_NE(RegisterClassExA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "SdlDisplayTest", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
  HMODULE module = LoadLibraryA("DDRAW.DLL");
  auto create =
      ProcedureAs<DirectDrawCreateExFunction>(GetProcAddress(module, "DirectDrawCreateEx"));
  IDirectDraw7* directDraw = nullptr;
  ASSERT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr),
            DD_OK);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DDERR_GENERIC);
  EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 8, 0, 0), DDERR_GENERIC);
  DrainMessages();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string(program_invocation_short_name) + ": no display: DISPLAY is not set\n");
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  directDraw->Release();
  FreeLibrary(module);
  standin::ResetDesktop();
  standin::UseHeadlessDisplay();
  if (display.empty()) {
    unsetenv("DISPLAY");
  } else {
    setenv("DISPLAY", display.c_str(), 1);
  }
}

// Fills rows first to last of the back buffer: the left half with one index, the right
// half with another.
void FillRows(IDirectDrawSurface7* back, DWORD first, DWORD last, BYTE left, BYTE right) {
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof locked;
  ASSERT_EQ(back->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  for (DWORD y = first; y <= last && y < locked.dwHeight; ++y) {
    BYTE* row = static_cast<BYTE*>(locked.lpSurface) + y * locked.lPitch;
    for (DWORD x = 0; x < locked.dwWidth; ++x) row[x] = x < locked.dwWidth / 2 ? left : right;
  }
  back->Unlock(nullptr);
}

// A full screen of 800 x 600 at 8 bits through DirectDraw on the display in place, with
// palette index 1 red and 2 blue; Open tells how the mode was set.
class FullScreen {
 public:
  HRESULT Open() {
    standin::ResetDesktop();
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = "SdlFullScreen";
    if (!RegisterClassExA(&windowClass)) return E_FAIL;
    window = CreateWindowExA(0, "SdlFullScreen", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             nullptr, nullptr);
    module = LoadLibraryA("DDRAW.DLL");
    auto create =
        ProcedureAs<DirectDrawCreateExFunction>(GetProcAddress(module, "DirectDrawCreateEx"));
    if (create(nullptr, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr) !=
            DD_OK ||
        directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) {
      return E_FAIL;
    }
    if (HRESULT mode = directDraw->SetDisplayMode(800, 600, 8, 0, 0); mode != DD_OK) return mode;
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.dwBackBufferCount = 1;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    PALETTEENTRY entries[256] = {};
    entries[1] = {255, 0, 0, 0};
    entries[2] = {0, 0, 255, 0};
    if (directDraw->CreateSurface(&description, &primary, nullptr) != DD_OK ||
        primary->GetAttachedSurface(&caps, &back) != DD_OK ||
        directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr) !=
            DD_OK ||
        primary->SetPalette(palette) != DD_OK) {
      return E_FAIL;
    }
    ShowWindow(window, SW_SHOWMAXIMIZED);
    DrainMessages();
    return DD_OK;
  }
  ~FullScreen() {
    if (palette) palette->Release();
    if (back) back->Release();
    if (primary) primary->Release();
    if (directDraw) {
      directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
      directDraw->Release();
    }
    if (module) FreeLibrary(module);
    standin::ResetDesktop();
    standin::UseHeadlessDisplay();
  }
  // The time that `frames` flips take.
  std::chrono::steady_clock::duration Flips(int frames) {
    auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) primary->Flip(nullptr, DDFLIP_WAIT);
    return std::chrono::steady_clock::now() - start;
  }
  HWND window = nullptr;
  HMODULE module = nullptr;
  IDirectDraw7* directDraw = nullptr;
  IDirectDrawSurface7* primary = nullptr;
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawPalette* palette = nullptr;
};

// Video drivers without a framebuffer of their own (Wayland, KMS/DRM) give no window
// surface: a renderer shows the frames instead, at the screen's rate.
TEST(SdlDisplayMachineTest, WithoutAWindowSurfaceARendererShowsTheFrames) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
  int asked = 0;
  standin::SdlMachine machine;
  machine.windowSurface = [&](SDL_Window*) -> SDL_Surface* {
    ++asked;
    return nullptr;
  };
  standin::InstallDisplay(
      standin::MakeSdlDisplay(standin::SdlPresentation::kWindowSurface, machine));
  FullScreen screen;
  ASSERT_EQ(screen.Open(), DD_OK);
  EXPECT_GT(asked, 0);
  EXPECT_TRUE(Eventually([&] {
    FillRows(screen.back, 0, 599, 1, 2);
    screen.primary->Flip(nullptr, DDFLIP_WAIT);
    return ScreenColourAt(0.25, 0.5) == 0xFF0000u && ScreenColourAt(0.75, 0.5) == 0x0000FFu;
  }));
  PinLoadedLibraries();
  // Far fewer presents than the hundreds a second that an unpaced loop makes.
  EXPECT_GT(screen.Flips(30), std::chrono::milliseconds(250));
}

// Where the window has no surface and no accelerated renderer starts, SDL's software
// renderer shows the frames.
TEST(SdlDisplayMachineTest, WithoutASurfaceOrAcceleratedRendererTheSoftwareOneShowsTheFrames) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
  std::uint32_t made = 0;
  standin::SdlMachine machine;
  machine.windowSurface = [](SDL_Window*) -> SDL_Surface* { return nullptr; };
  machine.createRenderer = [&](SDL_Window* window, int index,
                               std::uint32_t flags) -> SDL_Renderer* {
    if (!(flags & SDL_RENDERER_SOFTWARE)) {
      SDL_SetError("no accelerated renderer here");
      return nullptr;
    }
    made = flags;
    return SDL_CreateRenderer(window, index, flags);
  };
  standin::InstallDisplay(
      standin::MakeSdlDisplay(standin::SdlPresentation::kWindowSurface, machine));
  FullScreen screen;
  ASSERT_EQ(screen.Open(), DD_OK);
  EXPECT_EQ(made, static_cast<std::uint32_t>(SDL_RENDERER_SOFTWARE));
  EXPECT_TRUE(Eventually([&] {
    FillRows(screen.back, 0, 599, 1, 2);
    screen.primary->Flip(nullptr, DDFLIP_WAIT);
    return ScreenColourAt(0.25, 0.5) == 0xFF0000u && ScreenColourAt(0.75, 0.5) == 0x0000FFu;
  }));
  PinLoadedLibraries();
}

// Where neither the window's surface nor any renderer can show the screen, the mode
// cannot be set, and standard error says why.
TEST(SdlDisplayMachineTest, WhereNothingCanShowTheScreenTheModeFails) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
  standin::SdlMachine machine;
  machine.windowSurface = [](SDL_Window*) -> SDL_Surface* { return nullptr; };
  machine.createRenderer = [](SDL_Window*, int, std::uint32_t) -> SDL_Renderer* {
    SDL_SetError("refused by the test");
    return nullptr;
  };
  standin::InstallDisplay(
      standin::MakeSdlDisplay(standin::SdlPresentation::kWindowSurface, machine));
  FullScreen screen;
  testing::internal::CaptureStderr();
  EXPECT_EQ(screen.Open(), DDERR_GENERIC);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string(program_invocation_short_name) +
                ": no display: the full screen cannot be shown on x11: refused by the test\n");
  EXPECT_EQ(SDL_GetKeyboardFocus(), nullptr);
}

class SdlDisplayTest : public testing::TestWithParam<standin::SdlPresentation> {};

// The presentation's name in a test's name.
std::string PresentationName(standin::SdlPresentation presentation) {
  return presentation == standin::SdlPresentation::kRenderer ? "Renderer" : "WindowSurface";
}

// On a monitor faster than 60 Hz, whose presents wait for its own faster refresh, the
// screen still shows 60 frames a second at most, and reports 60 Hz. A desktop rate that
// tells nothing (0 or 1, "the hardware's default", or no monitor's) is taken as 60 Hz too,
// not as a period of a second.
class SdlMonitorTest : public testing::TestWithParam<std::tuple<standin::SdlPresentation, int>> {};

TEST_P(SdlMonitorTest, ShowsSixtyFramesASecondWhateverTheMonitorSays) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
  auto [presentation, monitor] = GetParam();
  standin::SdlMachine machine;
  machine.desktopRefreshRate = [monitor = monitor] { return monitor; };
  // Presents wait for nothing: faster than any monitor.
  machine.createRenderer = [](SDL_Window* window, int index, std::uint32_t flags) {
    return SDL_CreateRenderer(window, index, flags & ~SDL_RENDERER_PRESENTVSYNC);
  };
  standin::InstallDisplay(standin::MakeSdlDisplay(presentation, machine));
  FullScreen screen;
  ASSERT_EQ(screen.Open(), DD_OK);
  DWORD hertz = 0;
  ASSERT_EQ(screen.directDraw->GetMonitorFrequency(&hertz), DD_OK);
  EXPECT_EQ(hertz, 60u);
  screen.Flips(2);
  PinLoadedLibraries();
  auto took = screen.Flips(40);
  EXPECT_GE(took, std::chrono::microseconds(39 * 1000000 / 60 - 1000));
  EXPECT_LT(took, std::chrono::seconds(3));
}

INSTANTIATE_TEST_SUITE_P(Monitors, SdlMonitorTest,
                         testing::Combine(testing::Values(standin::SdlPresentation::kRenderer,
                                                          standin::SdlPresentation::kWindowSurface),
                                          testing::Values(144, 1, 0, 1000)),
                         [](const testing::TestParamInfo<SdlMonitorTest::ParamType>& info) {
                           return PresentationName(std::get<0>(info.param)) + "At" +
                                  std::to_string(std::get<1>(info.param)) + "Hz";
                         });

TEST_P(SdlDisplayTest, ShowsFlippedFramesAndHandsOverTheDesktop) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
  standin::UseSdlDisplay(GetParam());
  standin::ResetDesktop();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.lpszClassName = "SdlDisplayTest";
  ASSERT_NE(RegisterClassExA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "SdlDisplayTest", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
  HMODULE module = LoadLibraryA("DDRAW.DLL");
  ASSERT_NE(module, nullptr);
  auto create =
      ProcedureAs<DirectDrawCreateExFunction>(GetProcAddress(module, "DirectDrawCreateEx"));
  IDirectDraw7* directDraw = nullptr;
  ASSERT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr),
            DD_OK);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DD_OK);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

  DDSURFACEDESC2 description{};
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.dwBackBufferCount = 1;
  description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  IDirectDrawSurface7* back = nullptr;
  ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  PALETTEENTRY entries[256] = {};
  entries[1] = {255, 0, 0, 0};
  entries[2] = {0, 0, 255, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  ShowWindow(window, SW_SHOWMAXIMIZED);
  DrainMessages();
  EXPECT_EQ(standin::ForegroundWindow(), window);

  // The desktop names the full screen by the window's title, or by the program's name
  // while the title is empty.
  EXPECT_EQ(WindowsTitled(program_invocation_short_name), 1);
  ASSERT_TRUE(SetWindowTextA(window, "Starfield"));
  EXPECT_EQ(WindowsTitled("Starfield"), 1);
  EXPECT_EQ(WindowsTitled(program_invocation_short_name), 0);

  // The cursor's clip, in the full screen's coordinates, confines the mouse in the window
  // (which covers the 800 x 600 screen exactly).
  SDL_Window* shown = SDL_GetKeyboardFocus();
  ASSERT_NE(shown, nullptr);
  RECT clip{100, 50, 500, 350};
  ASSERT_TRUE(ClipCursor(&clip));
  const SDL_Rect* area = SDL_GetWindowMouseRect(shown);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->x, 100);
  EXPECT_EQ(area->y, 50);
  EXPECT_EQ(area->w, 400);
  EXPECT_EQ(area->h, 300);
  ASSERT_TRUE(ClipCursor(nullptr));
  EXPECT_EQ(SDL_GetWindowMouseRect(shown), nullptr);

  // The left half red, the right half blue, on both buffers.
  for (int buffer = 0; buffer < 2; ++buffer) {
    FillRows(back, 0, 599, 1, 2);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  }
  EXPECT_TRUE(Eventually([&] {
    primary->Flip(nullptr, DDFLIP_WAIT);
    return ScreenColourAt(0.25, 0.5) == 0xFF0000u && ScreenColourAt(0.75, 0.5) == 0x0000FFu;
  })) << std::hex
      << ScreenColourAt(0.25, 0.5).value_or(0) << " " << ScreenColourAt(0.75, 0.5).value_or(0);

  // A band of rows turned blue on one buffer shows, and goes again with the other buffer;
  // the rows around it stay as they were.
  FillRows(back, 280, 319, 2, 2);
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(ScreenColourAt(0.25, 0.5), 0x0000FFu);
  EXPECT_EQ(ScreenColourAt(0.25, 0.25), 0xFF0000u);
  EXPECT_EQ(ScreenColourAt(0.25, 0.75), 0xFF0000u);
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(ScreenColourAt(0.25, 0.5), 0xFF0000u);
  EXPECT_EQ(ScreenColourAt(0.75, 0.5), 0x0000FFu);

  // A new palette changes every pixel of its colour, though no pixel changed.
  PALETTEENTRY green{0, 255, 0, 0};
  ASSERT_EQ(palette->SetEntries(0, 1, 1, &green), DD_OK);
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(ScreenColourAt(0.25, 0.25), 0x00FF00u);
  EXPECT_EQ(ScreenColourAt(0.75, 0.75), 0x0000FFu);

  PinLoadedLibraries();

  // Presents wait for the display: far fewer than the hundreds a second it could take.
  auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < 30; ++frame) ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));

  ASSERT_EQ(std::system("xdotool keydown space"), 0);
  EXPECT_TRUE(Eventually([] { return KeyDown(DIK_SPACE); }));
  ASSERT_EQ(std::system("xdotool keyup space"), 0);
  EXPECT_TRUE(Eventually([] { return !KeyDown(DIK_SPACE); }));

  // Away, the desktop has its mouse and cursor back, and a surface in system memory its
  // pixels; back, the full screen takes the mouse again.
  EXPECT_TRUE(SDL_GetRelativeMouseMode());
  DDSURFACEDESC2 kept{};
  kept.dwSize = sizeof kept;
  kept.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  kept.dwWidth = 4;
  kept.dwHeight = 4;
  kept.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  IDirectDrawSurface7* system = nullptr;
  ASSERT_EQ(directDraw->CreateSurface(&kept, &system, nullptr), DD_OK);
  FillRows(system, 0, 3, 7, 8);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  DrainMessages();
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
  EXPECT_FALSE(SDL_GetRelativeMouseMode());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  EXPECT_EQ(system->IsLost(), DD_OK);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  DrainMessages();
  EXPECT_EQ(standin::ForegroundWindow(), window);
  EXPECT_TRUE(SDL_GetRelativeMouseMode());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_EQ(directDraw->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof locked;
  ASSERT_EQ(system->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  const BYTE* row = static_cast<const BYTE*>(locked.lpSurface) + 3 * locked.lPitch;
  EXPECT_EQ(row[0], 7);
  EXPECT_EQ(row[3], 8);
  system->Unlock(nullptr);
  system->Release();

  // The desktop's request to close reaches the window shown as WM_CLOSE, not as a key.
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_FALSE(KeyDown(DIK_ESCAPE));

  // SDL's quit event comes when the connection to the display is lost: the process ends
  // at once, saying so, with exit code 1.
  EXPECT_EXIT(
      {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        DrainMessages();
      },
      testing::ExitedWithCode(1),
      std::string(program_invocation_short_name) +
          ": the display was lost \\(the desktop's connection ended\\); ending");

  palette->Release();
  back->Release();
  primary->Release();
  ASSERT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  directDraw->Release();
  FreeLibrary(module);
  standin::ResetDesktop();
  // The SDL display ends SDL's video when it goes.
  standin::UseHeadlessDisplay();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

INSTANTIATE_TEST_SUITE_P(Presentations, SdlDisplayTest,
                         testing::Values(standin::SdlPresentation::kRenderer,
                                         standin::SdlPresentation::kWindowSurface),
                         [](const testing::TestParamInfo<standin::SdlPresentation>& info) {
                           return PresentationName(info.param);
                         });

}  // namespace
