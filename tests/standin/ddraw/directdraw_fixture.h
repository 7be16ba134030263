// A program's window and a DirectDraw object from the stand-in's "DDRAW.DLL", on a fresh
// headless desktop, for the tests of DirectDraw and of GDI on its surfaces.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "tests/support/headless_desktop.h"

inline DDPIXELFORMAT PixelFormatOf(DWORD bits, DWORD red = 0, DWORD green = 0, DWORD blue = 0) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
  format.dwRGBBitCount = bits;
  format.dwRBitMask = red;
  format.dwGBitMask = green;
  format.dwBBitMask = blue;
  return format;
}

inline DDSURFACEDESC2 EmptyDescription() {
  DDSURFACEDESC2 description{};
  description.dwSize = sizeof description;
  return description;
}

// The pixels of a surface as values, row by row, read through Lock.
struct SurfacePixels {
  DWORD width = 0;
  DWORD height = 0;
  std::vector<std::uint32_t> values;
  std::uint32_t At(DWORD x, DWORD y) const { return values[std::size_t{y} * width + x]; }
};

inline SurfacePixels ReadSurface(IDirectDrawSurface7* surface) {
  SurfacePixels pixels;
  DDSURFACEDESC2 description = EmptyDescription();
  EXPECT_EQ(surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr), DD_OK);
  if (!description.lpSurface) return pixels;
  pixels.width = description.dwWidth;
  pixels.height = description.dwHeight;
  DWORD bytes = description.ddpfPixelFormat.dwRGBBitCount / 8;
  for (DWORD y = 0; y < pixels.height; ++y) {
    const BYTE* row = static_cast<const BYTE*>(description.lpSurface) + y * description.lPitch;
    for (DWORD x = 0; x < pixels.width; ++x) {
      std::uint32_t value = 0;
      for (DWORD i = 0; i < bytes; ++i) value |= std::uint32_t{row[x * bytes + i]} << (8 * i);
      pixels.values.push_back(value);
    }
  }
  surface->Unlock(nullptr);
  return pixels;
}

// Stores value(x, y) into every pixel of the surface through Lock.
template <class Value>
void WriteSurface(IDirectDrawSurface7* surface, Value value) {
  DDSURFACEDESC2 description = EmptyDescription();
  ASSERT_EQ(surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr), DD_OK);
  DWORD bytes = description.ddpfPixelFormat.dwRGBBitCount / 8;
  for (DWORD y = 0; y < description.dwHeight; ++y) {
    BYTE* row = static_cast<BYTE*>(description.lpSurface) + y * description.lPitch;
    for (DWORD x = 0; x < description.dwWidth; ++x) {
      std::uint32_t v = value(x, y);
      for (DWORD i = 0; i < bytes; ++i) row[x * bytes + i] = static_cast<BYTE>(v >> (8 * i));
    }
  }
  surface->Unlock(nullptr);
}

class DirectDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = desktop.NewWindow();
    ASSERT_NE(window, nullptr);
    module = LoadLibraryA("DDRAW.DLL");
    ASSERT_NE(module, nullptr);
    create = ProcedureAs<DirectDrawCreateExFunction>(GetProcAddress(module, "DirectDrawCreateEx"));
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr),
              DD_OK);
  }

  void TearDown() override {
    if (back) back->Release();
    if (primary) primary->Release();
    if (directDraw) directDraw->Release();
    if (module) FreeLibrary(module);
  }

  // An off-screen surface; the cooperative level is set to normal if none was.
  IDirectDrawSurface7* Offscreen(DWORD width, DWORD height, const DDPIXELFORMAT* format = nullptr,
                                 DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
    if (!levelSet) {
      EXPECT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
      levelSet = true;
    }
    DDSURFACEDESC2 description = EmptyDescription();
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    description.dwWidth = width;
    description.dwHeight = height;
    description.ddsCaps.dwCaps = caps;
    if (format) {
      description.dwFlags |= DDSD_PIXELFORMAT;
      description.ddpfPixelFormat = *format;
    }
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DD_OK);
    return surface;
  }

  // The full screen as a program opens it: exclusive mode, the display mode, the primary
  // surface with one back buffer, and the window shown in the foreground.
  void OpenScreen(DWORD width, DWORD height, DWORD bits) {
    ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    levelSet = true;
    ASSERT_EQ(directDraw->SetDisplayMode(width, height, bits, 0, 0), DD_OK);
    DDSURFACEDESC2 description = EmptyDescription();
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.dwBackBufferCount = 1;
    description.ddsCaps.dwCaps =
        DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    ShowWindow(window, SW_SHOWMAXIMIZED);
  }

  HeadlessDesktop desktop;
  standin::HeadlessDisplay* display = &desktop.Display();
  HWND window = nullptr;
  HMODULE module = nullptr;
  DirectDrawCreateExFunction create = nullptr;
  IDirectDraw7* directDraw = nullptr;
  IDirectDrawSurface7* primary = nullptr;
  IDirectDrawSurface7* back = nullptr;
  bool levelSet = false;
};
