// GoogleMock doubles of the DirectDraw 7 interfaces and of "DDRAW.DLL" itself, put in the
// module registry's place so that the libraries load them as they would the real one.
#pragma once

#include <gmock/gmock.h>

#include "platform/posix/standin.h"
#include "platform/win32.h"

class DirectDrawDouble : public IDirectDraw7 {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID interfaceId, void** object), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, CreatePalette,
              (DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette, IUnknown* outer),
              (override));
  MOCK_METHOD(HRESULT, CreateSurface,
              (LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface, IUnknown* outer),
              (override));
  MOCK_METHOD(HRESULT, GetMonitorFrequency, (LPDWORD frequency), (override));
  MOCK_METHOD(HRESULT, RestoreAllSurfaces, (), (override));
  MOCK_METHOD(HRESULT, SetCooperativeLevel, (HWND window, DWORD flags), (override));
  MOCK_METHOD(HRESULT, SetDisplayMode,
              (DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate, DWORD flags),
              (override));
  MOCK_METHOD(HRESULT, WaitForVerticalBlank, (DWORD flags, HANDLE event), (override));
};

class SurfaceDouble : public IDirectDrawSurface7 {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID interfaceId, void** object), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, Flip, (IDirectDrawSurface7 * targetOverride, DWORD flags), (override));
  MOCK_METHOD(HRESULT, GetAttachedSurface, (LPDDSCAPS2 caps, IDirectDrawSurface7** attached),
              (override));
  MOCK_METHOD(HRESULT, GetDC, (HDC * dc), (override));
  MOCK_METHOD(HRESULT, GetSurfaceDesc, (LPDDSURFACEDESC2 description), (override));
  MOCK_METHOD(HRESULT, IsLost, (), (override));
  MOCK_METHOD(HRESULT, Lock,
              (LPRECT rectangle, LPDDSURFACEDESC2 description, DWORD flags, HANDLE event),
              (override));
  MOCK_METHOD(HRESULT, ReleaseDC, (HDC dc), (override));
  MOCK_METHOD(HRESULT, Restore, (), (override));
  MOCK_METHOD(HRESULT, SetColorKey, (DWORD flags, LPDDCOLORKEY colorKey), (override));
  MOCK_METHOD(HRESULT, GetColorKey, (DWORD flags, LPDDCOLORKEY colorKey), (override));
  MOCK_METHOD(HRESULT, SetPalette, (LPDIRECTDRAWPALETTE palette), (override));
  MOCK_METHOD(HRESULT, GetPalette, (LPDIRECTDRAWPALETTE * palette), (override));
  MOCK_METHOD(HRESULT, Unlock, (LPRECT rectangle), (override));
};

class PaletteDouble : public IDirectDrawPalette {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID interfaceId, void** object), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, GetEntries, (DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries),
              (override));
  MOCK_METHOD(HRESULT, SetEntries, (DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries),
              (override));
};

// Puts a "DDRAW.DLL" in the registry whose DirectDrawCreateEx hands out `object`, or
// nothing and a failure when it is null. RestoreBuiltInModules undoes it.
void InstallDirectDrawDouble(IDirectDraw7* object);
