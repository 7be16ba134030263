// The stand-in's "DDRAW.DLL" on the headless display: creation, cooperative levels and
// display modes, the flipping chain and what Flip presents, locks and device contexts,
// palettes and colour keys, surface loss and restoration, reference counts.
#include <algorithm>
#include <cstddef>

#include "platform/posix/user32/desktop.h"
#include "tests/standin/ddraw/directdraw_fixture.h"

namespace {

DDSURFACEDESC2 PrimaryDescription(DWORD backBuffers) {
  DDSURFACEDESC2 description = EmptyDescription();
  description.dwFlags = DDSD_CAPS | (backBuffers ? DDSD_BACKBUFFERCOUNT : 0);
  description.dwBackBufferCount = backBuffers;
  description.ddsCaps.dwCaps =
      DDSCAPS_PRIMARYSURFACE | (backBuffers ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
  return description;
}

DDSURFACEDESC2 DescriptionOf(IDirectDrawSurface7* surface) {
  DDSURFACEDESC2 description = EmptyDescription();
  EXPECT_EQ(surface->GetSurfaceDesc(&description), DD_OK);
  return description;
}

// A palette whose entry i is (i, 255 - i, i / 2).
void RampEntries(PALETTEENTRY entries[256]) {
  for (int i = 0; i < 256; ++i) {
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
  }
}

std::uint32_t RampColour(std::uint32_t i) { return i << 16 | (255 - i) << 8 | i / 2; }

TEST_F(DirectDrawTest, CreationChecksItsArguments) {
  IDirectDraw7* object = reinterpret_cast<IDirectDraw7*>(0x1);
  EXPECT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&object), IID_IDirectDrawSurface7, nullptr),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&object), IID_IDirectDraw7, directDraw),
            CLASS_E_NOAGGREGATION);
  GUID other = IID_IDirectDrawPalette;
  EXPECT_EQ(create(&other, reinterpret_cast<LPVOID*>(&object), IID_IDirectDraw7, nullptr),
            DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(create(nullptr, nullptr, IID_IDirectDraw7, nullptr), DDERR_INVALIDPARAMS);
  ASSERT_EQ(create(reinterpret_cast<GUID*>(DDCREATE_EMULATIONONLY),
                   reinterpret_cast<LPVOID*>(&object), IID_IDirectDraw7, nullptr),
            DD_OK);
  EXPECT_NE(object, directDraw);
  EXPECT_EQ(object->Release(), 0u);
}

TEST_F(DirectDrawTest, ReferencesAreCountedAndInterfacesAnswered) {
  EXPECT_EQ(directDraw->AddRef(), 2u);
  EXPECT_EQ(directDraw->Release(), 1u);
  void* unknown = nullptr;
  ASSERT_EQ(directDraw->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(directDraw));
  EXPECT_EQ(directDraw->Release(), 1u);
  void* none = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(directDraw->QueryInterface(IID_IDirectDrawSurface7, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  IDirectDrawSurface7* surface = Offscreen(4, 4);
  EXPECT_EQ(surface->AddRef(), 2u);
  EXPECT_EQ(surface->Release(), 1u);
  void* same = nullptr;
  ASSERT_EQ(surface->QueryInterface(IID_IDirectDrawSurface7, &same), S_OK);
  EXPECT_EQ(same, surface);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(surface->Release(), 0u);
}

TEST_F(DirectDrawTest, OnlyTheExclusiveObjectChangesTheDisplayMode) {
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DDERR_NOEXCLUSIVEMODE);
  // The desktop's own mode needs no change.
  EXPECT_EQ(directDraw->SetDisplayMode(1280, 1024, 32, 0, 0), DD_OK);
  EXPECT_FALSE(display->FullScreen());

  EXPECT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  EXPECT_FALSE(display->FullScreen());
  ASSERT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DD_OK);
  EXPECT_TRUE(display->FullScreen());
  EXPECT_EQ(display->Mode().width, 800u);
  EXPECT_EQ(display->Mode().height, 600u);
  EXPECT_EQ(display->Mode().format.bitsPerPixel, 8u);

  ASSERT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(display->Mode().width, 1280u);
}

TEST_F(DirectDrawTest, TheDisplayOffersEveryDepthInTheUsualSizesUpToTheDesktop) {
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  for (DWORD bits : {8u, 16u, 24u, 32u}) {
    EXPECT_EQ(directDraw->SetDisplayMode(640, 480, bits, 0, 0), DD_OK) << bits;
    EXPECT_EQ(display->Mode().format.bitsPerPixel, bits);
  }
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 15, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(801, 600, 8, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(1600, 1200, 8, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 75, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 60, 0), DD_OK);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 1), DDERR_INVALIDPARAMS);
  EXPECT_EQ(display->Mode().width, 800u);

  standin::SetDisplayModeFilter([](DWORD, DWORD, DWORD bits) { return bits != 16; });
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 16, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 32, 0, 0), DD_OK);

  display->SetDesktop(800, 600);
  EXPECT_EQ(directDraw->SetDisplayMode(1024, 768, 8, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
}

TEST_F(DirectDrawTest, WithoutADesktopNoModeCanBeSet) {
  display->SetAvailable(false);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  EXPECT_EQ(directDraw->SetDisplayMode(800, 600, 8, 0, 0), DDERR_GENERIC);
  EXPECT_FALSE(display->FullScreen());
}

TEST_F(DirectDrawTest, OneObjectAtATimeHasExclusiveMode) {
  IDirectDraw7* other = nullptr;
  ASSERT_EQ(create(nullptr, reinterpret_cast<LPVOID*>(&other), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  EXPECT_EQ(other->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
            DDERR_EXCLUSIVEMODEALREADYSET);
  ASSERT_EQ(directDraw->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
  // The last Release of the exclusive object gives the desktop back.
  EXPECT_EQ(directDraw->Release(), 0u);
  directDraw = other;
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
}

TEST_F(DirectDrawTest, ThePrimarySurfaceHasOneBackBufferInTheDisplaysMode) {
  OpenScreen(800, 600, 8);
  for (IDirectDrawSurface7* surface : {primary, back}) {
    DDSURFACEDESC2 description = DescriptionOf(surface);
    EXPECT_EQ(description.dwWidth, 800u);
    EXPECT_EQ(description.dwHeight, 600u);
    EXPECT_GT(description.lPitch, 800);
    EXPECT_EQ(description.ddpfPixelFormat.dwSize, sizeof(DDPIXELFORMAT));
    EXPECT_EQ(description.ddpfPixelFormat.dwFlags,
              static_cast<DWORD>(DDPF_RGB | DDPF_PALETTEINDEXED8));
    EXPECT_EQ(description.ddpfPixelFormat.dwRGBBitCount, 8u);
  }
  EXPECT_EQ(
      DescriptionOf(primary).ddsCaps.dwCaps,
      static_cast<DWORD>(DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE | DDSCAPS_FRONTBUFFER |
                         DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY));
  EXPECT_EQ(DescriptionOf(back).ddsCaps.dwCaps,
            static_cast<DWORD>(DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX |
                               DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY));
  EXPECT_EQ(DescriptionOf(primary).dwBackBufferCount, 1u);

  // The back buffer is found with or without the 3D device capability, counted each time.
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  IDirectDrawSurface7* again = nullptr;
  ASSERT_EQ(primary->GetAttachedSurface(&caps, &again), DD_OK);
  EXPECT_EQ(again, back);
  EXPECT_EQ(again->Release(), 2u);
  caps.dwCaps = DDSCAPS_TEXTURE;
  EXPECT_EQ(primary->GetAttachedSurface(&caps, &again), DDERR_NOTFOUND);
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  EXPECT_EQ(back->GetAttachedSurface(&caps, &again), DDERR_NOTFOUND);
  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

TEST_F(DirectDrawTest, CreatingSurfacesChecksTheDescription) {
  DDSURFACEDESC2 description = PrimaryDescription(1);
  auto* untouched = reinterpret_cast<IDirectDrawSurface7*>(0x1234);
  IDirectDrawSurface7* surface = untouched;
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr),
            DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(directDraw->CreateSurface(nullptr, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(surface, untouched);
  ASSERT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(directDraw->CreateSurface(nullptr, &surface, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface, untouched);

  // A flipping chain is complex, flips and counts its back buffers, or it is no chain.
  const struct {
    DWORD caps;
    DWORD flags;
    DWORD count;
  } incomplete[] = {
      {DDSCAPS_FLIP, DDSD_CAPS, 0},
      {DDSCAPS_COMPLEX, DDSD_CAPS, 0},
      {DDSCAPS_FLIP | DDSCAPS_COMPLEX, DDSD_CAPS, 1},
      {DDSCAPS_FLIP | DDSCAPS_COMPLEX, DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 0},
      {DDSCAPS_COMPLEX, DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 1},
      {DDSCAPS_FLIP, DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 1},
  };
  for (const auto& c : incomplete) {
    DDSURFACEDESC2 chain = PrimaryDescription(0);
    chain.dwFlags = c.flags;
    chain.dwBackBufferCount = c.count;
    chain.ddsCaps.dwCaps |= c.caps;
    EXPECT_EQ(directDraw->CreateSurface(&chain, &surface, nullptr), DDERR_INVALIDCAPS)
        << std::hex << c.caps << " " << c.flags << " " << c.count;
  }
  // A flipping chain needs exclusive mode.
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_NOEXCLUSIVEMODE);
  description.dwSize = sizeof description - 4;
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface, nullptr);

  // A primary alone is the desktop's, one at a time.
  description = PrimaryDescription(0);
  ASSERT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DD_OK);
  EXPECT_EQ(DescriptionOf(surface).dwWidth, 1280u);
  EXPECT_EQ(DescriptionOf(surface).ddpfPixelFormat.dwRGBBitCount, 32u);
  IDirectDrawSurface7* second = nullptr;
  EXPECT_EQ(directDraw->CreateSurface(&description, &second, nullptr),
            DDERR_PRIMARYSURFACEALREADYEXISTS);
  surface->Release();
  ASSERT_EQ(directDraw->CreateSurface(&description, &second, nullptr), DD_OK);
  second->Release();

  description = EmptyDescription();
  description.dwFlags = DDSD_CAPS | DDSD_WIDTH;
  description.dwWidth = 16;
  description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_INVALIDPARAMS);
  description.dwFlags |= DDSD_HEIGHT | DDSD_PIXELFORMAT;
  description.dwHeight = 8;
  description.ddpfPixelFormat = PixelFormatOf(16, 0xF800, 0x0FE0, 0x001F);
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
  description.ddpfPixelFormat = PixelFormatOf(12, 0xF00, 0xF0, 0xF);
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
  description.ddsCaps.dwCaps = DDSCAPS_BACKBUFFER;
  description.ddpfPixelFormat = PixelFormatOf(8);
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DDERR_INVALIDCAPS);
  EXPECT_EQ(directDraw->CreateSurface(&description, &surface, directDraw), CLASS_E_NOAGGREGATION);
}

TEST_F(DirectDrawTest, OffscreenSurfacesTakeTheDisplaysFormatUnlessGivenOne) {
  OpenScreen(640, 480, 16);
  IDirectDrawSurface7* plain = Offscreen(33, 7);
  DDSURFACEDESC2 description = DescriptionOf(plain);
  EXPECT_EQ(description.dwWidth, 33u);
  EXPECT_EQ(description.dwHeight, 7u);
  EXPECT_GT(description.lPitch, 66);
  EXPECT_EQ(description.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(description.ddpfPixelFormat.dwGBitMask, 0x07E0u);
  EXPECT_TRUE(description.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
  EXPECT_TRUE(description.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
  plain->Release();

  DDPIXELFORMAT format = PixelFormatOf(24, 0xFF, 0xFF00, 0xFF0000);
  IDirectDrawSurface7* texture = Offscreen(5, 5, &format, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
  description = DescriptionOf(texture);
  EXPECT_EQ(description.ddpfPixelFormat.dwRGBBitCount, 24u);
  EXPECT_EQ(description.ddpfPixelFormat.dwRBitMask, 0xFFu);
  EXPECT_GE(description.lPitch, 15 + 8);
  EXPECT_EQ(description.ddsCaps.dwCaps, static_cast<DWORD>(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY));
  texture->Release();

  // A pixel format's own dwSize is not looked at.
  format.dwSize = 0;
  IDirectDrawSurface7* unsized = Offscreen(5, 5, &format);
  ASSERT_NE(unsized, nullptr);
  EXPECT_EQ(DescriptionOf(unsized).ddpfPixelFormat.dwRBitMask, 0xFFu);
  unsized->Release();
}

TEST_F(DirectDrawTest, ThePitchIsWiderThanARowInEveryDepth) {
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  for (DWORD bits : {8u, 16u, 24u, 32u}) {
    ASSERT_EQ(directDraw->SetDisplayMode(320, 200, bits, 0, 0), DD_OK);
    DDSURFACEDESC2 description = PrimaryDescription(1);
    ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
    DDSURFACEDESC2 locked = EmptyDescription();
    ASSERT_EQ(primary->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_NE(locked.lpSurface, nullptr);
    EXPECT_FALSE(locked.dwFlags & DDSD_LPSURFACE);
    EXPECT_GT(locked.lPitch, static_cast<LONG>(320 * bits / 8)) << bits;
    EXPECT_EQ(locked.lPitch % 4, 0) << bits;
    primary->Unlock(nullptr);
    primary->Release();
    primary = nullptr;
  }
}

TEST_F(DirectDrawTest, TheMasksFollowTheDisplaysPixelLayout) {
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  struct Case {
    DWORD bits;
    bool fiveSixFive;
    bool redLow;
    DWORD red, green, blue;
  };
  const Case cases[] = {
      {8, true, false, 0, 0, 0},
      {16, true, false, 0xF800, 0x07E0, 0x001F},
      {16, false, false, 0x7C00, 0x03E0, 0x001F},
      {24, true, false, 0xFF0000, 0xFF00, 0xFF},
      {24, true, true, 0xFF, 0xFF00, 0xFF0000},
      {32, true, false, 0xFF0000, 0xFF00, 0xFF},
      {32, true, true, 0xFF, 0xFF00, 0xFF0000},
  };
  for (const Case& c : cases) {
    standin::SetDisplayPixelLayout16(c.fiveSixFive);
    standin::SetDisplayRedInLowByte(c.redLow);
    ASSERT_EQ(directDraw->SetDisplayMode(640, 480, c.bits, 0, 0), DD_OK);
    DDSURFACEDESC2 description = PrimaryDescription(1);
    ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
    DDSURFACEDESC2 locked = EmptyDescription();
    ASSERT_EQ(primary->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    primary->Unlock(nullptr);
    EXPECT_EQ(locked.ddpfPixelFormat.dwRGBBitCount, c.bits);
    EXPECT_EQ(locked.ddpfPixelFormat.dwRBitMask, c.red) << c.bits;
    EXPECT_EQ(locked.ddpfPixelFormat.dwGBitMask, c.green) << c.bits;
    EXPECT_EQ(locked.ddpfPixelFormat.dwBBitMask, c.blue) << c.bits;
    EXPECT_EQ(locked.ddpfPixelFormat.dwFlags,
              static_cast<DWORD>(DDPF_RGB | (c.bits == 8 ? DDPF_PALETTEINDEXED8 : 0)));
    primary->Release();
    primary = nullptr;
  }
}

TEST_F(DirectDrawTest, ALockedSurfaceOrOneLentToADeviceContextIsBusy) {
  OpenScreen(640, 480, 8);
  DDSURFACEDESC2 locked = EmptyDescription();
  ASSERT_EQ(back->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  DDSURFACEDESC2 again = EmptyDescription();
  EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  // A device context on the locked pixels is lent all the same.
  HDC dc = nullptr;
  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  EXPECT_EQ(back->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->Unlock(nullptr), DD_OK);
  EXPECT_EQ(back->Unlock(nullptr), DDERR_NOTLOCKED);

  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  HDC second = nullptr;
  EXPECT_EQ(back->GetDC(&second), DDERR_DCALREADYCREATED);
  EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->ReleaseDC(reinterpret_cast<HDC>(0x4242)), DDERR_INVALIDPARAMS);
  EXPECT_EQ(back->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(back->ReleaseDC(dc), DDERR_NODC);
  EXPECT_EQ(display->PresentCount(), 0u);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->PresentCount(), 1u);
}

TEST_F(DirectDrawTest, ALockedRectangleStartsAtItsCorner) {
  OpenScreen(640, 480, 16);
  DDSURFACEDESC2 whole = EmptyDescription();
  ASSERT_EQ(back->Lock(nullptr, &whole, DDLOCK_WAIT, nullptr), DD_OK);
  back->Unlock(nullptr);
  RECT area{3, 2, 10, 9};
  DDSURFACEDESC2 part = EmptyDescription();
  ASSERT_EQ(back->Lock(&area, &part, DDLOCK_WAIT, nullptr), DD_OK);
  back->Unlock(nullptr);
  EXPECT_EQ(static_cast<BYTE*>(part.lpSurface),
            static_cast<BYTE*>(whole.lpSurface) + 2 * whole.lPitch + 3 * 2);
  // An empty rectangle is locked; one reaching out of the surface or turned inside out
  // is refused, with no address.
  for (RECT empty : {RECT{5, 5, 5, 6}, RECT{5, 5, 6, 5}, RECT{640, 480, 640, 480}}) {
    ASSERT_EQ(back->Lock(&empty, &part, DDLOCK_WAIT, nullptr), DD_OK);
    back->Unlock(nullptr);
  }
  for (RECT refused : {RECT{630, 0, 641, 1}, RECT{6, 5, 5, 6}, RECT{5, 6, 6, 5}, RECT{-1, 0, 1, 1},
                       RECT{0, 480, 1, 481}}) {
    part.lpSurface = &part;
    EXPECT_EQ(back->Lock(&refused, &part, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(part.lpSurface, nullptr);
  }
  DDSURFACEDESC2 small{};
  small.dwSize = 8;
  EXPECT_EQ(back->Lock(nullptr, &small, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);

  // The shorter description of the older interfaces, up to its one word of caps, is
  // filled as far as it goes.
  constexpr DWORD kOlderSize =
      (offsetof(DDSURFACEDESC2, ddsCaps) + sizeof(DWORD) + alignof(DDSURFACEDESC2) - 1) /
      alignof(DDSURFACEDESC2) * alignof(DDSURFACEDESC2);
  DDSURFACEDESC2 older{};
  older.dwSize = kOlderSize;
  older.dwTextureStage = 77;
  ASSERT_EQ(back->Lock(nullptr, &older, DDLOCK_WAIT, nullptr), DD_OK);
  back->Unlock(nullptr);
  EXPECT_EQ(older.dwSize, kOlderSize);
  EXPECT_EQ(older.lpSurface, whole.lpSurface);
  EXPECT_EQ(older.dwWidth, 640u);
  EXPECT_EQ(older.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(older.dwTextureStage, 77u);
  EXPECT_EQ(back->GetSurfaceDesc(&older), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDrawTest, FlipPresentsTheBackBufferThroughThePrimarysPalette) {
  OpenScreen(320, 240, 8);
  PALETTEENTRY entries[256];
  RampEntries(entries);
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  auto pattern = [](DWORD x, DWORD y) { return (x + 3 * y) & 0xFF; };
  WriteSurface(back, pattern);

  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  ASSERT_EQ(display->PresentCount(), 1u);
  const standin::PresentedFrame* frame = display->LastFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->width, 320u);
  EXPECT_EQ(frame->height, 240u);
  std::vector<std::uint32_t> rgb = frame->Rgb();
  ASSERT_EQ(rgb.size(), 320u * 240u);
  for (DWORD y = 0; y < 240; y += 7) {
    for (DWORD x = 0; x < 320; x += 5) {
      ASSERT_EQ(frame->ValueAt(x, y), pattern(x, y)) << x << "," << y;
      ASSERT_EQ(rgb[y * 320 + x], RampColour(pattern(x, y))) << x << "," << y;
    }
  }
  // The pixels moved: the primary holds the pattern, the back buffer the old primary's.
  SurfacePixels shown = ReadSurface(primary);
  EXPECT_EQ(shown.At(17, 11), pattern(17, 11));
  SurfacePixels behind = ReadSurface(back);
  EXPECT_EQ(std::count(behind.values.begin(), behind.values.end(), 0u), 320 * 240);

  // New entries colour the next present; the kept frame keeps its colours.
  PALETTEENTRY red{255, 0, 0, 0};
  for (DWORD i = 0; i < 256; ++i) ASSERT_EQ(palette->SetEntries(0, i, 1, &red), DD_OK);
  WriteSurface(back, pattern);
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->LastFrame()->RgbAt(1, 0), 0xFF0000u);
  EXPECT_EQ(display->Frames().front().RgbAt(1, 0), RampColour(1));
  EXPECT_EQ(display->Frames().size(), 2u);
  palette->Release();
}

TEST_F(DirectDrawTest, WithoutAPaletteAnEightBitFrameShowsTheDefaultColours) {
  OpenScreen(320, 240, 8);
  WriteSurface(back, [](DWORD x, DWORD) { return x < 160 ? 249u : 252u; });
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->LastFrame()->RgbAt(0, 0), 0xFF0000u);
  EXPECT_EQ(display->LastFrame()->RgbAt(319, 239), 0x0000FFu);
}

TEST_F(DirectDrawTest, SixteenAndThirtyTwoBitFramesShowTheirChannelsExpanded) {
  struct Case {
    DWORD bits;
    bool fiveSixFive;
    std::uint32_t value;
    std::uint32_t rgb;
  };
  const Case cases[] = {
      {16, true, 0xF800, 0xFF0000},     {16, true, 0x07E0, 0x00FF00},
      {16, true, 0x001F, 0x0000FF},     {16, true, 0x8410, 0x848284},
      {16, false, 0x7C00, 0xFF0000},    {16, false, 0x4210, 0x848484},
      {32, true, 0x00123456, 0x123456},
  };
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ShowWindow(window, SW_SHOW);
  for (const Case& c : cases) {
    standin::SetDisplayPixelLayout16(c.fiveSixFive);
    ASSERT_EQ(directDraw->SetDisplayMode(320, 200, c.bits, 0, 0), DD_OK);
    DDSURFACEDESC2 description = PrimaryDescription(1);
    ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    WriteSurface(back, [&](DWORD, DWORD) { return c.value; });
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(display->LastFrame()->RgbAt(5, 5), c.rgb) << std::hex << c.value;
    back->Release();
    primary->Release();
    back = primary = nullptr;
  }
}

TEST_F(DirectDrawTest, ALongerChainPresentsEachBackBufferInTurn) {
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(directDraw->SetDisplayMode(320, 200, 8, 0, 0), DD_OK);
  DDSURFACEDESC2 description = PrimaryDescription(2);
  ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  IDirectDrawSurface7* second = nullptr;
  ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  // Only the first back buffer is the back buffer; the chain goes on through the flip
  // and comes back round to the front.
  EXPECT_EQ(back->GetAttachedSurface(&caps, &second), DDERR_NOTFOUND);
  caps.dwCaps = DDSCAPS_FLIP;
  ASSERT_EQ(back->GetAttachedSurface(&caps, &second), DD_OK);
  EXPECT_EQ(DescriptionOf(second).ddsCaps.dwCaps,
            static_cast<DWORD>(DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY));
  IDirectDrawSurface7* round = nullptr;
  ASSERT_EQ(second->GetAttachedSurface(&caps, &round), DD_OK);
  EXPECT_EQ(round, primary);
  round->Release();
  WriteSurface(back, [](DWORD, DWORD) { return 1u; });
  WriteSurface(second, [](DWORD, DWORD) { return 2u; });
  std::vector<std::uint32_t> shown;
  for (int flip = 0; flip < 4; ++flip) {
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    shown.push_back(display->LastFrame()->ValueAt(0, 0));
  }
  EXPECT_EQ(shown, (std::vector<std::uint32_t>{1, 2, 0, 1}));
  // Flipping to the second back buffer directly swaps it with the primary alone.
  ASSERT_EQ(primary->Flip(second, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->LastFrame()->ValueAt(0, 0), 0u);
  EXPECT_EQ(primary->Flip(primary, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
  second->Release();
}

// Taking exclusive mode, or giving it up for the plain desktop, loses the object's
// surfaces in video memory (without a mode set as well); setting it again on the same
// window, or stepping down to a full-screen normal level, keeps them, and a flip then
// needs exclusive mode.
TEST_F(DirectDrawTest, ChangesOfTheCooperativeLevelLoseWhatTheyChange) {
  HWND other = desktop.NewWindow();
  ASSERT_EQ(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  levelSet = true;
  DDSURFACEDESC2 description = PrimaryDescription(1);
  ASSERT_EQ(directDraw->CreateSurface(&description, &primary, nullptr), DD_OK);
  IDirectDrawSurface7* video = Offscreen(8, 8);
  DDPIXELFORMAT format = PixelFormatOf(32, 0xFF0000, 0xFF00, 0xFF);
  IDirectDrawSurface7* system = Offscreen(8, 8, &format, DDSCAPS_SYSTEMMEMORY);
  const struct {
    HWND window;
    DWORD flags;
    HRESULT lost;
    HRESULT flip;
  } steps[] = {
      {window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK, DD_OK},
      {window, DDSCL_NORMAL | DDSCL_FULLSCREEN, DD_OK, DDERR_NOEXCLUSIVEMODE},
      {window, DDSCL_NORMAL, DD_OK, DDERR_NOEXCLUSIVEMODE},
      {window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_NOWINDOWCHANGES, DDERR_SURFACELOST,
       DDERR_SURFACELOST},
      {other, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_SURFACELOST, DDERR_SURFACELOST},
      {other, DDSCL_NORMAL, DDERR_SURFACELOST, DDERR_SURFACELOST},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.flags);
    ASSERT_EQ(directDraw->SetCooperativeLevel(step.window, step.flags), DD_OK);
    EXPECT_EQ(primary->IsLost(), step.lost);
    EXPECT_EQ(video->IsLost(), step.lost);
    EXPECT_EQ(system->IsLost(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), step.flip);
    IDirectDrawSurface7* attached = nullptr;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &attached),
              step.lost == DD_OK ? DD_OK : step.lost);
    if (attached) attached->Release();
    EXPECT_EQ(directDraw->RestoreAllSurfaces(), DD_OK);
  }
  EXPECT_EQ(display->PresentCount(), 1u);
  video->Release();
  system->Release();
}

// While the program is away the desktop has its own mode, and the program's comes back
// with the program. Surfaces in video memory are lost with the focus, and cannot come
// back in the desktop's mode; those in system memory are the program's own memory, and
// keep their pixels.
TEST_F(DirectDrawTest, LosingTheFocusLosesTheSurfacesUntilTheProgramIsBack) {
  OpenScreen(640, 480, 8);
  IDirectDrawSurface7* sprite = Offscreen(8, 8);
  DDPIXELFORMAT format = PixelFormatOf(8);
  IDirectDrawSurface7* kept = Offscreen(8, 8, &format, DDSCAPS_SYSTEMMEMORY);
  auto pattern = [](DWORD x, DWORD y) { return x + 8 * y; };
  WriteSurface(kept, pattern);
  WriteSurface(back, [](DWORD, DWORD) { return 9u; });
  EXPECT_EQ(primary->IsLost(), DD_OK);

  display->LoseFocus();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(standin::ForegroundWindow(), nullptr);
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(display->Mode(), display->DesktopMode());
  for (IDirectDrawSurface7* surface : {primary, back, sprite}) {
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
  }
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
  DDSURFACEDESC2 locked = EmptyDescription();
  EXPECT_EQ(back->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  HDC dc = nullptr;
  EXPECT_EQ(back->GetDC(&dc), DDERR_SURFACELOST);
  EXPECT_EQ(kept->IsLost(), DD_OK);
  EXPECT_EQ(kept->Restore(), DD_OK);
  EXPECT_EQ(directDraw->RestoreAllSurfaces(), DDERR_WRONGMODE);
  EXPECT_EQ(back->Restore(), DDERR_WRONGMODE);
  EXPECT_EQ(display->PresentCount(), 0u);

  display->GainFocus();
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(standin::ForegroundWindow(), window);
  EXPECT_TRUE(display->FullScreen());
  EXPECT_EQ(display->Mode(), display->ModeOf(640, 480, 8));
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(directDraw->RestoreAllSurfaces(), DD_OK);
  for (IDirectDrawSurface7* surface : {primary, back, sprite}) {
    EXPECT_EQ(surface->IsLost(), DD_OK);
    SurfacePixels pixels = ReadSurface(surface);
    EXPECT_EQ(std::count(pixels.values.begin(), pixels.values.end(),
                         std::uint32_t{standin::kRestoredSurfaceFill}),
              static_cast<std::ptrdiff_t>(pixels.values.size()));
  }
  SurfacePixels pixels = ReadSurface(kept);
  for (DWORD y = 0; y < 8; ++y) {
    for (DWORD x = 0; x < 8; ++x) ASSERT_EQ(pixels.At(x, y), pattern(x, y)) << x << "," << y;
  }
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->PresentCount(), 1u);
  sprite->Release();
  kept->Release();
}

TEST_F(DirectDrawTest, SurfacesLostOnDemandAreRestoredOneByOne) {
  OpenScreen(640, 480, 8);
  IDirectDrawSurface7* sprite = Offscreen(8, 8);
  standin::LoseSurfaces();
  EXPECT_EQ(sprite->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(sprite->Restore(), DD_OK);
  EXPECT_EQ(sprite->IsLost(), DD_OK);
  EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
  // Restoring the primary restores its chain.
  EXPECT_EQ(primary->Restore(), DD_OK);
  EXPECT_EQ(back->IsLost(), DD_OK);
  EXPECT_EQ(sprite->Restore(), DD_OK);
  sprite->Release();
}

TEST_F(DirectDrawTest, ChangingTheModeLosesSurfacesThatCannotComeBackInIt) {
  OpenScreen(640, 480, 8);
  IDirectDrawSurface7* video = Offscreen(8, 8);
  DDPIXELFORMAT format = PixelFormatOf(8);
  IDirectDrawSurface7* system = Offscreen(8, 8, &format, DDSCAPS_SYSTEMMEMORY);
  // Setting the mode that is set changes nothing.
  ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  EXPECT_EQ(video->IsLost(), DD_OK);
  ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
  EXPECT_EQ(video->IsLost(), DDERR_SURFACELOST);
  // The primary is the display: it tells the display's pixels, in its own size.
  EXPECT_EQ(DescriptionOf(primary).ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(DescriptionOf(back).ddpfPixelFormat.dwRGBBitCount, 8u);
  EXPECT_EQ(video->Restore(), DDERR_WRONGMODE);
  EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
  EXPECT_EQ(system->Restore(), DD_OK);
  EXPECT_EQ(directDraw->RestoreAllSurfaces(), DDERR_WRONGMODE);
  ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  EXPECT_EQ(directDraw->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(video->IsLost(), DD_OK);
  video->Release();
  system->Release();
}

TEST_F(DirectDrawTest, PaletteEntriesAreReadAndWrittenInRange) {
  ASSERT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  PALETTEENTRY entries[256];
  RampEntries(entries);
  IDirectDrawPalette* palette = nullptr;
  EXPECT_EQ(directDraw->CreatePalette(DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, nullptr, &palette, nullptr),
            DDERR_INVALIDPARAMS);
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  PALETTEENTRY read[256] = {};
  ASSERT_EQ(palette->GetEntries(0, 0, 256, read), DD_OK);
  EXPECT_EQ(read[0].peGreen, 255);
  EXPECT_EQ(read[200].peRed, 200);
  PALETTEENTRY two[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  EXPECT_EQ(palette->SetEntries(0, 254, 2, two), DD_OK);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, two), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->SetEntries(1, 0, 1, two), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 256, 1, read), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 0, 257, read), DDERR_INVALIDPARAMS);
  ASSERT_EQ(palette->GetEntries(0, 255, 1, read), DD_OK);
  EXPECT_EQ(read[0].peBlue, 6);
  EXPECT_EQ(palette->Release(), 0u);

  // Without DDPCAPS_ALLOW256 the first entry stays black and the last white.
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
  EXPECT_EQ(palette->SetEntries(0, 0, 2, two), DD_OK);
  ASSERT_EQ(palette->GetEntries(0, 0, 2, read), DD_OK);
  EXPECT_EQ(read[0].peGreen, 0);
  EXPECT_EQ(read[1].peGreen, 5);
  ASSERT_EQ(palette->GetEntries(0, 255, 1, read), DD_OK);
  EXPECT_EQ(read[0].peRed, 255);
  EXPECT_EQ(read[0].peBlue, 255);
  palette->Release();
}

TEST_F(DirectDrawTest, AnAttachedPaletteIsHeldByTheSurface) {
  OpenScreen(320, 240, 8);
  PALETTEENTRY entries[256];
  RampEntries(entries);
  IDirectDrawPalette* first = nullptr;
  IDirectDrawPalette* second = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &first, nullptr),
            DD_OK);
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &second, nullptr),
            DD_OK);
  IDirectDrawPalette* got = nullptr;
  EXPECT_EQ(primary->GetPalette(&got), DDERR_NOPALETTEATTACHED);
  ASSERT_EQ(primary->SetPalette(first), DD_OK);
  ASSERT_EQ(primary->SetPalette(first), DD_OK);
  EXPECT_EQ(first->AddRef(), 3u);
  first->Release();
  ASSERT_EQ(primary->GetPalette(&got), DD_OK);
  EXPECT_EQ(got, first);
  got->Release();
  ASSERT_EQ(primary->SetPalette(second), DD_OK);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(second->AddRef(), 3u);
  second->Release();
  ASSERT_EQ(primary->SetPalette(nullptr), DD_OK);
  EXPECT_EQ(second->AddRef(), 2u);
  second->Release();
  ASSERT_EQ(back->SetPalette(second), DD_OK);
  back->Release();
  primary->Release();
  back = primary = nullptr;
  EXPECT_EQ(second->Release(), 0u);

  DDPIXELFORMAT format = PixelFormatOf(32, 0xFF0000, 0xFF00, 0xFF);
  IDirectDrawSurface7* trueColour = Offscreen(4, 4, &format);
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, entries, &first, nullptr), DD_OK);
  EXPECT_EQ(trueColour->SetPalette(first), DDERR_INVALIDPIXELFORMAT);
  first->Release();
  trueColour->Release();
}

// A caller that gives back the surface's reference too ends the palette all the same:
// the surface lets it go with it, and shows the default colours again.
TEST_F(DirectDrawTest, APaletteReleasedByEveryoneIsNoLongerTheSurfaces) {
  OpenScreen(320, 240, 8);
  PALETTEENTRY entries[256];
  RampEntries(entries);
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  ASSERT_EQ(back->SetPalette(palette), DD_OK);
  std::size_t before = standin::LiveComObjects();
  EXPECT_EQ(palette->Release(), 2u);
  EXPECT_EQ(palette->Release(), 1u);
  EXPECT_EQ(palette->Release(), 0u);
  EXPECT_EQ(standin::LiveComObjects(), before - 1);
  IDirectDrawPalette* got = reinterpret_cast<IDirectDrawPalette*>(0x1);
  EXPECT_EQ(primary->GetPalette(&got), DDERR_NOPALETTEATTACHED);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(back->GetPalette(&got), DDERR_NOPALETTEATTACHED);
  WriteSurface(back, [](DWORD x, DWORD) { return x < 160 ? 249u : 252u; });
  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display->LastFrame()->RgbAt(0, 0), 0xFF0000u);
}

TEST_F(DirectDrawTest, ABackBufferWithoutAPaletteDrawsWithThePrimarys) {
  OpenScreen(320, 240, 8);
  PALETTEENTRY entries[256] = {};
  entries[40] = {0, 200, 0, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
            DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  HDC dc = nullptr;
  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  HBRUSH green = CreateSolidBrush(RGB(0, 190, 10));
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, green);
  EXPECT_TRUE(Rectangle(dc, 0, 0, 3, 3));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(green);
  ASSERT_EQ(back->ReleaseDC(dc), DD_OK);
  SurfacePixels pixels = ReadSurface(back);
  EXPECT_EQ(pixels.At(1, 1), 40u);
  EXPECT_EQ(pixels.At(2, 2), 0u);
  palette->Release();
}

TEST_F(DirectDrawTest, TheSourceColourKeyIsKept) {
  IDirectDrawSurface7* sprite = Offscreen(4, 4);
  DDCOLORKEY key{};
  EXPECT_EQ(sprite->GetColorKey(DDCKEY_SRCBLT, &key), DDERR_NOCOLORKEY);
  DDCOLORKEY set{0x1234, 0x9999};
  ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &set), DD_OK);
  ASSERT_EQ(sprite->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  EXPECT_EQ(key.dwColorSpaceLowValue, 0x1234u);
  EXPECT_EQ(key.dwColorSpaceHighValue, 0x1234u);
  DDSURFACEDESC2 description = DescriptionOf(sprite);
  EXPECT_TRUE(description.dwFlags & DDSD_CKSRCBLT);
  EXPECT_EQ(description.ddckCKSrcBlt.dwColorSpaceLowValue, 0x1234u);
  EXPECT_EQ(sprite->SetColorKey(0x2, &set), DDERR_INVALIDPARAMS);
  ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
  EXPECT_EQ(sprite->GetColorKey(DDCKEY_SRCBLT, &key), DDERR_NOCOLORKEY);
  sprite->Release();
}

TEST_F(DirectDrawTest, SurfacesOutliveTheirDirectDrawObjectAsOrphans) {
  OpenScreen(320, 240, 8);
  IDirectDrawSurface7* sprite = Offscreen(4, 4);
  HDC dc = nullptr;
  ASSERT_EQ(sprite->GetDC(&dc), DD_OK);
  EXPECT_EQ(directDraw->Release(), 0u);
  directDraw = nullptr;
  EXPECT_FALSE(display->FullScreen());
  DDSURFACEDESC2 locked = EmptyDescription();
  EXPECT_EQ(sprite->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_INVALIDOBJECT);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_INVALIDOBJECT);
  EXPECT_EQ(back->IsLost(), DDERR_INVALIDOBJECT);
  EXPECT_EQ(sprite->Release(), 0u);
  // The back buffer outlives the primary that held it while the program holds it too.
  EXPECT_EQ(primary->Release(), 0u);
  primary = nullptr;
  EXPECT_EQ(back->Release(), 0u);
  back = nullptr;
}

TEST_F(DirectDrawTest, ObjectsAreCountedAliveUntilTheirLastRelease) {
  std::size_t before = standin::LiveComObjects();
  DDPIXELFORMAT eight = PixelFormatOf(8);
  IDirectDrawSurface7* sprite = Offscreen(4, 4, &eight);
  PALETTEENTRY entries[256] = {};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
  EXPECT_EQ(standin::LiveComObjects(), before + 2);
  ASSERT_EQ(sprite->SetPalette(palette), DD_OK);
  EXPECT_EQ(palette->Release(), 1u);
  EXPECT_EQ(standin::LiveComObjects(), before + 2);
  // The object goes; its surface lives on as an orphan, with the palette it holds.
  EXPECT_EQ(directDraw->Release(), 0u);
  directDraw = nullptr;
  EXPECT_EQ(standin::LiveComObjects(), before + 1);
  EXPECT_EQ(sprite->Release(), 0u);
  EXPECT_EQ(standin::LiveComObjects(), before - 1);
}

TEST_F(DirectDrawTest, TheMonitorFrequencyIsTheDisplays) {
  DWORD hertz = 0;
  ASSERT_EQ(directDraw->GetMonitorFrequency(&hertz), DD_OK);
  EXPECT_EQ(hertz, 60u);
  display->SetRefreshRate(75);
  ASSERT_EQ(directDraw->GetMonitorFrequency(&hertz), DD_OK);
  EXPECT_EQ(hertz, 75u);
  EXPECT_EQ(directDraw->GetMonitorFrequency(nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDrawTest, TheModuleIsFoundByItsName) {
  EXPECT_EQ(standin::ModuleReferences("ddraw"), 1);
  EXPECT_EQ(GetProcAddress(module, "DirectDrawCreate"), nullptr);
}

}  // namespace
