// The one door to the Windows API for every library of the system.
//
// The Windows build sees the real SDK headers. Every other build sees our own
// declarations of the same names (platform/posix/include/winapi.h), implemented over POSIX by
// the stand-in in platform/posix/, so the libraries compile and behave the same on both
// without a platform test of their own.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <ddraw.h>
#include <windows.h>
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>
#else
#include "platform/posix/include/winapi.h"
#endif

#include <cstdint>

#include "platform/process.h"

// The creation entries of the display and input modules, found at run time.
using DirectDrawCreateExFunction = HRESULT(WINAPI*)(GUID* driver, LPVOID* object,
                                                    REFIID interfaceId, IUnknown* outer);
using DirectInputCreateExFunction = HRESULT(WINAPI*)(HINSTANCE instance, DWORD version,
                                                     REFIID interfaceId, LPVOID* object,
                                                     LPUNKNOWN outer);

// A procedure found by GetProcAddress, as the function type it really has.
template <class Function>
Function ProcedureAs(FARPROC procedure) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}
