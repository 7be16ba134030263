// Declarations of the DirectDraw 7 names that the libraries use, for builds that are not
// Windows. The interfaces hold only the methods that are called, with the Windows names
// and argument orders; the stand-in's "DDRAW.DLL" implements them.
#pragma once

#include "platform/posix/include/com.h"
#include "platform/posix/include/winuser.h"

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
using LPPALETTEENTRY = PALETTEENTRY*;

#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};
using LPDDCOLORKEY = DDCOLORKEY*;

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};
using LPDDSCAPS2 = DDSCAPS2*;

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

struct DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  DWORD dwBackBufferCount;
  DWORD dwRefreshRate;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};
using LPDDSURFACEDESC2 = DDSURFACEDESC2*;

#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000
#define DDSD_CKSRCBLT 0x00010000

#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PALETTE 0x00000100
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_TEXTURE 0x00001000
#define DDSCAPS_3DDEVICE 0x00002000
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS_VISIBLE 0x00008000

#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_NOWINDOWCHANGES 0x00000004
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010

#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_ALLOW256 0x00000040

#define DDLOCK_WAIT 0x00000001
#define DDFLIP_WAIT 0x00000001
#define DDWAITVB_BLOCKBEGIN 0x00000001
#define DDCKEY_COLORSPACE 0x00000001
#define DDCKEY_SRCBLT 0x00000008

#define DDCREATE_HARDWAREONLY 1
#define DDCREATE_EMULATIONONLY 2

#define DD_OK S_OK
#define MAKE_DDHRESULT(code) static_cast<HRESULT>(0x88760000u | (code))
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_INVALIDDIRECTDRAWGUID MAKE_DDHRESULT(561)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(572)
#define DDERR_CANTCREATEDC MAKE_DDHRESULT(585)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)
#define DDERR_NODC MAKE_DDHRESULT(586)

struct IDirectDrawPalette : IUnknown {
  virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) = 0;
  virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) = 0;
};
using LPDIRECTDRAWPALETTE = IDirectDrawPalette*;

struct IDirectDrawSurface7 : IUnknown {
  virtual HRESULT Flip(IDirectDrawSurface7* targetOverride, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** attached) = 0;
  virtual HRESULT GetDC(HDC* dc) = 0;
  virtual HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 description) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Lock(LPRECT rectangle, LPDDSURFACEDESC2 description, DWORD flags,
                       HANDLE event) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT Restore() = 0;
  virtual HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY colorKey) = 0;
  virtual HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY colorKey) = 0;
  virtual HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
  virtual HRESULT GetPalette(LPDIRECTDRAWPALETTE* palette) = 0;
  virtual HRESULT Unlock(LPRECT rectangle) = 0;
};
using LPDIRECTDRAWSURFACE7 = IDirectDrawSurface7*;

struct IDirectDraw7 : IUnknown {
  virtual HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                IUnknown* outer) = 0;
  virtual HRESULT CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface,
                                IUnknown* outer) = 0;
  virtual HRESULT GetMonitorFrequency(LPDWORD frequency) = 0;
  virtual HRESULT RestoreAllSurfaces() = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                 DWORD flags) = 0;
  virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
};
using LPDIRECTDRAW7 = IDirectDraw7*;

extern const GUID IID_IDirectDraw7;
extern const GUID IID_IDirectDrawSurface7;
extern const GUID IID_IDirectDrawPalette;
