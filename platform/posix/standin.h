// Controls of the native stand-in that tests use to script what the real system would
// do on its own: the clock, the process exit, the modules that LoadLibraryA finds and
// the heap's supply of memory. Only builds that are not Windows have these.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/posix/winapi.h"

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
// Number of blocks a heap holds now; 0 for a handle that is no heap.
std::size_t HeapBlockCount(HANDLE heap);
// Number of heaps that exist now.
std::size_t HeapCount();

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

}  // namespace standin
