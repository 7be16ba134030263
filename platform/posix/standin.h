// Controls of the native stand-in that tests use to script what the real system would
// do on its own: the clock, the process exit, the modules that LoadLibraryA finds and
// the heap's supply of memory. Only builds that are not Windows have these.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/include/winapi.h"

namespace standin {

// ExitProcess calls the hook, which may throw to unwind a program run inside a test;
// without a hook (or when it returns) the process exits for real.
void SetExitHook(std::function<void(UINT exitCode)> hook);

// A scripted millisecond tick for GetTickCount; an empty function restores the clock.
void SetTickSource(std::function<DWORD()> source);

// A scripted performance counter and its frequency; empty functions restore the clock.
void SetPerformanceCounter(std::function<BOOL(LARGE_INTEGER*)> counter,
                           std::function<BOOL(LARGE_INTEGER*)> frequency);

// Sleep calls the hook instead of suspending the thread; empty restores real sleeping.
void SetSleepHook(std::function<void(DWORD milliseconds)> hook);

// What GetCommandLineA and GetModuleFileNameA report; empty texts restore the real
// process's values.
void SetCommandLine(const std::string& commandLine);
void SetModuleFileName(const std::string& windowsPath);

// Heap allocations fail from the n-th request on (counted from this call, first is 1);
// 0 switches failures off.
void FailHeapAllocationsFrom(unsigned request);
// Heap requests for which refuse(heap, bytes) is true fail; an empty function refuses
// none. HeapCreate asks with no heap and 0 bytes.
void RefuseHeapAllocations(std::function<bool(HANDLE heap, SIZE_T bytes)> refuse);
// Number of blocks a heap holds now; 0 for a handle that is no heap.
std::size_t HeapBlockCount(HANDLE heap);
// Number of heaps that exist now.
std::size_t HeapCount();
// Number of kernel objects that have a handle now: heaps, files and the rest.
std::size_t HandleCount();

// Run-time modules. A module is found by LoadLibraryA under its name, compared without
// regard to case and with ".DLL" added when the name has no extension.
struct Export {
  std::string name;
  FARPROC procedure;
};
// Puts a module under the name, replacing any module of that name for later loads.
void InstallModule(const std::string& name, std::vector<Export> exports);
// Takes the module away: later loads of the name fail.
void RemoveModule(const std::string& name);
// Brings back the system's own modules as they are at process start.
void RestoreBuiltInModules();
// LoadLibraryA references not yet given back by FreeLibrary for the name.
int ModuleReferences(const std::string& name);

// Maps a Windows path (backslashes) to the host's form.
std::string HostPath(const char* windowsPath);

// The desktop: windows, their messages and the cursor (USER32).
// Forgets every window and class, empties the message queue, gives the program the
// desktop's focus, resets the cursor's display counter to 0 and forgets a request to
// close.
void ResetDesktop();
// The cursor's display counter (shown while >= 0).
int CursorDisplayCount();
struct WindowState {
  std::string className;
  std::string text;
  DWORD style = 0;
  RECT rect{};
  bool visible = false;
  bool enabled = true;
};
// What a window is now; empty for a handle that is no window.
std::optional<WindowState> DescribeWindow(HWND window);

// The display behind DirectDraw (platform/posix/displays/display.h).
class HeadlessDisplay;
// Puts a fresh headless display in the place of the current display and returns it; it
// lives until the next display is put in place.
HeadlessDisplay& UseHeadlessDisplay();
// Puts a fresh SDL display in place, the display a program has unless a test changes it;
// a test may choose how it shows pictures.
enum class SdlPresentation;
void UseSdlDisplay(SdlPresentation presentation);
void UseSdlDisplay();
// The pixel layouts that the current display offers for modes set from now on; a fresh
// display starts with the defaults. 16 bits: 5-6-5 (red 0xF800, green 0x7E0, blue 0x1F;
// the default) or 5-5-5 (red 0x7C00, green 0x3E0, blue 0x1F). 24 and 32 bits: red
// 0xFF0000, green 0xFF00, blue 0xFF (the default), or with red in the low byte: red 0xFF,
// green 0xFF00, blue 0xFF0000.
void SetDisplayPixelLayout16(bool fiveSixFive);
void SetDisplayRedInLowByte(bool redLow);
// The current display also refuses the modes for which accept(width, height, bits) is
// false; an empty function accepts every mode the display can show.
void SetDisplayModeFilter(
    std::function<bool(DWORD width, DWORD height, DWORD bitsPerPixel)> accept);
// Every surface in video memory of every DirectDraw object becomes lost, as when another
// program takes the display; those in system memory are never lost.
void LoseSurfaces();
// Every byte of a surface that Restore brought back holds this.
constexpr BYTE kRestoredSurfaceFill = 0xA5;
// The DirectDraw and DirectInput objects that exist now: objects, surfaces (orphaned ones
// too), palettes and devices. A program that gave back all it was given leaves none.
std::size_t LiveComObjects();

}  // namespace standin
