// The stand-in's "DDRAW.DLL": DirectDrawCreateEx and the DirectDraw 7 object, over the
// display of platform/posix/displays/display.h and the desktop of USER32, which tells it
// when the program loses the focus.
//
// Cooperative levels: DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN with a window, held by one
// object at a time, or DDSCL_NORMAL (with DDSCL_FULLSCREEN or not); DDSCL_NOWINDOWCHANGES
// is taken, and the window is not changed either way. Taking exclusive mode, or giving it
// up for the plain DDSCL_NORMAL, loses the object's surfaces. Only the exclusive object
// changes the display mode;
// setting a mode shows the full screen, and leaving exclusive mode (DDSCL_NORMAL, or the
// object's last Release) gives the desktop back. While the program is away (the desktop's
// focus went to another), the desktop has its own mode again, and the program's mode
// comes back with the program. Whenever the display's mode changes, every surface of
// every object is lost.
//
// Surfaces: one primary surface on the display at a time, in the display's mode, alone or
// (in exclusive mode) as the front of a flipping chain with its back buffers; off-screen
// surfaces of the size asked for, in the display's pixel format or the one given.
// Surfaces that the program still holds when the object goes are kept alive but orphaned.
//
// Loss and restoration: only surfaces in video memory are ever lost; those in system
// memory keep their pixels. The focus leaving the program loses the exclusive object's
// surfaces (standin::LoseSurfaces loses every object's); they are restored only once the
// program is back (DDERR_WRONGMODE before, as the desktop's mode is not theirs), and a
// surface made in another display mode than the present one cannot be (DDERR_WRONGMODE).
//
// Limits: one display device; refresh rates other than the display's own are refused;
// at most kMostBackBuffers back buffers; no client memory for surfaces (DDSD_LPSURFACE).
#include <algorithm>
#include <bit>
#include <new>

#include "platform/posix/ddraw/ddraw_private.h"
#include "platform/posix/standin.h"
#include "platform/posix/user32/desktop.h"
#include "platform/win32.h"

namespace standin {
namespace {

constexpr DWORD kMostBackBuffers = 8;
constexpr DWORD kLargestSide = 16384;

std::vector<DirectDraw*>& Objects() {
  static std::vector<DirectDraw*> objects;
  return objects;
}

DirectDraw* exclusiveOwner = nullptr;
std::optional<DisplayMode> exclusiveMode;  // the mode that the exclusive object set
bool modeShown = false;                    // the display shows that mode now
bool away = false;                         // the program in exclusive mode lost the desktop's focus
DirectDrawSurface* displayPrimary = nullptr;

// Each mask one run of bits, inside the pixel, none overlapping.
bool ValidMasks(const DDPIXELFORMAT& format) {
  DWORD masks[3] = {format.dwRBitMask, format.dwGBitMask, format.dwBBitMask};
  DWORD all = 0;
  for (DWORD mask : masks) {
    if (mask == 0 || (all & mask)) return false;
    DWORD shifted = mask >> std::countr_zero(mask);
    if ((shifted & (shifted + 1)) != 0) return false;
    all |= mask;
  }
  return format.dwRGBBitCount == 32 || (all >> format.dwRGBBitCount) == 0;
}

// A pixel format's own dwSize is not looked at: callers leave it 0.
std::optional<PixelFormat> FormatOf(const DDPIXELFORMAT& format) {
  if (!(format.dwFlags & DDPF_RGB)) return std::nullopt;
  switch (format.dwRGBBitCount) {
    case 8:
      if (!(format.dwFlags & DDPF_PALETTEINDEXED8)) return std::nullopt;
      return PixelFormat{8, 0, 0, 0};
    case 16:
    case 24:
    case 32:
      if (!ValidMasks(format)) return std::nullopt;
      return PixelFormat{format.dwRGBBitCount, format.dwRBitMask, format.dwGBitMask,
                         format.dwBBitMask};
    default:
      return std::nullopt;
  }
}

// The desktop's focus left the program in exclusive mode: its object's surfaces become
// lost, and the desktop gets its own mode back until the program returns.
void FocusChanged(bool focused) {
  if (!exclusiveOwner || away == !focused) return;
  away = !focused;
  Display& display = CurrentDisplay();
  if (away) {
    exclusiveOwner->LoseSurfaces();
    if (modeShown) {
      modeShown = false;
      display.ShowDesktop();
      standin::LoseSurfaces();
    }
  } else if (exclusiveMode) {
    modeShown = display.Enter(*exclusiveMode);
    standin::LoseSurfaces();
  }
}

}  // namespace

DisplayMode CurrentMode() {
  return exclusiveMode && modeShown ? *exclusiveMode : CurrentDisplay().DesktopMode();
}

DirectDrawSurface* DisplayPrimary() { return displayPrimary; }
void SetDisplayPrimary(DirectDrawSurface* surface) { displayPrimary = surface; }

void LoseSurfaces() {
  for (DirectDraw* object : Objects()) object->LoseSurfaces();
}

HRESULT DirectDrawCreateEx(GUID* driver, LPVOID* object, REFIID interfaceId, IUnknown* outer) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!(interfaceId == IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
  auto device = reinterpret_cast<std::uintptr_t>(driver);
  if (driver && device != DDCREATE_HARDWAREONLY && device != DDCREATE_EMULATIONONLY) {
    return DDERR_INVALIDDIRECTDRAWGUID;
  }
  auto* created = new (std::nothrow) DirectDraw;
  if (!created) return DDERR_OUTOFMEMORY;
  *object = static_cast<IDirectDraw7*>(created);
  return DD_OK;
}

DirectDraw::DirectDraw() {
  ListenToFocus(FocusChanged);
  Objects().push_back(this);
}

DirectDraw::~DirectDraw() {
  if (exclusive_) LeaveExclusiveMode();
  for (DirectDrawSurface* surface : surfaces_) {
    surface->Orphan();
    if (displayPrimary == surface) displayPrimary = nullptr;
  }
  std::erase(Objects(), this);
}

void DirectDraw::Forget(DirectDrawSurface* surface) { std::erase(surfaces_, surface); }

void DirectDraw::LoseSurfaces() {
  for (DirectDrawSurface* surface : surfaces_) surface->Lose();
}

HRESULT DirectDraw::MayRestore() const {
  if (exclusiveOwner && exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
  if (exclusive_ && !ProgramHasFocus()) return DDERR_WRONGMODE;
  return DD_OK;
}

void DirectDraw::LeaveExclusiveMode() {
  exclusive_ = false;
  exclusiveOwner = nullptr;
  away = false;
  if (exclusiveMode) {
    exclusiveMode.reset();
    modeShown = false;
    CurrentDisplay().Leave();
    standin::LoseSurfaces();
  }
}

// Exclusive mode taken, or taken on another window, loses the object's surfaces; given up
// for the plain desktop, too, but not for a full-screen normal level.
HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
  DWORD level = flags & ~static_cast<DWORD>(DDSCL_NOWINDOWCHANGES);
  if (flags & DDSCL_EXCLUSIVE) {
    if (level != (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) || !IsWindowHandle(window)) {
      return DDERR_INVALIDPARAMS;
    }
    if (exclusiveOwner && exclusiveOwner != this) return DDERR_EXCLUSIVEMODEALREADYSET;
    if (!exclusive_ || window != window_) LoseSurfaces();
    if (!exclusive_) away = !ProgramHasFocus();
    exclusive_ = true;
    exclusiveOwner = this;
  } else {
    if ((level & ~static_cast<DWORD>(DDSCL_FULLSCREEN)) != DDSCL_NORMAL ||
        (window && !IsWindowHandle(window))) {
      return DDERR_INVALIDPARAMS;
    }
    if (exclusive_) {
      LeaveExclusiveMode();
      if (!(level & DDSCL_FULLSCREEN)) LoseSurfaces();
    }
  }
  window_ = window;
  levelSet_ = true;
  return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                   DWORD flags) {
  if (flags != 0) return DDERR_INVALIDPARAMS;
  Display& display = CurrentDisplay();
  if (!display.Start()) return DDERR_GENERIC;
  DisplayMode wanted = display.ModeOf(width, height, bitsPerPixel);
  DisplayMode current = CurrentMode();
  if (!exclusive_) return wanted == current ? DD_OK : DDERR_NOEXCLUSIVEMODE;
  if (!display.Offers(width, height, bitsPerPixel) ||
      (refreshRate != 0 && refreshRate != display.RefreshRate())) {
    return DDERR_INVALIDMODE;
  }
  // Away, the mode waits for the program's return.
  if (away) {
    exclusiveMode = wanted;
    return DD_OK;
  }
  if (modeShown && wanted == current) return DD_OK;
  if (!display.Enter(wanted)) return DDERR_GENERIC;
  exclusiveMode = wanted;
  modeShown = true;
  if (!(wanted == current)) standin::LoseSurfaces();
  return DD_OK;
}

DirectDrawSurface* DirectDraw::NewSurface(DWORD caps, const DisplayMode& shape) {
  try {
    auto* surface = new DirectDrawSurface(this, caps, shape);
    surfaces_.push_back(surface);
    return surface;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface,
                                  IUnknown* outer) {
  if (!surface) return DDERR_INVALIDPARAMS;
  if (!levelSet_) return DDERR_NOCOOPERATIVELEVELSET;
  if (!description) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (description->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (description->dwFlags & DDSD_LPSURFACE) return DDERR_UNSUPPORTED;
  bool primary =
      (description->dwFlags & DDSD_CAPS) && (description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
  return primary ? CreatePrimary(*description, surface) : CreateOffscreen(*description, surface);
}

HRESULT DirectDraw::CreatePrimary(const DDSURFACEDESC2& description,
                                  LPDIRECTDRAWSURFACE7* surface) {
  DWORD caps = description.ddsCaps.dwCaps;
  if (description.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) {
    return DDERR_INVALIDPARAMS;
  }
  if (caps & (DDSCAPS_BACKBUFFER | DDSCAPS_FRONTBUFFER | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_TEXTURE |
              DDSCAPS_SYSTEMMEMORY)) {
    return DDERR_INVALIDCAPS;
  }
  bool flipping = caps & DDSCAPS_FLIP;
  bool counted = description.dwFlags & DDSD_BACKBUFFERCOUNT;
  DWORD backBuffers = 0;
  if (flipping) {
    if (!(caps & DDSCAPS_COMPLEX) || !counted || description.dwBackBufferCount == 0) {
      return DDERR_INVALIDCAPS;
    }
    if (description.dwBackBufferCount > kMostBackBuffers) return DDERR_INVALIDPARAMS;
    if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
    backBuffers = description.dwBackBufferCount;
  } else if ((caps & DDSCAPS_COMPLEX) || counted) {
    return DDERR_INVALIDCAPS;
  }
  if (displayPrimary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  if (!CurrentDisplay().Start()) return DDERR_GENERIC;
  DisplayMode mode = CurrentMode();
  DWORD chainCaps = (flipping ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0) | (caps & DDSCAPS_3DDEVICE);
  DirectDrawSurface* front =
      NewSurface(DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE | DDSCAPS_VIDEOMEMORY | chainCaps |
                     (flipping ? DDSCAPS_FRONTBUFFER : 0),
                 mode);
  if (!front) return DDERR_OUTOFMEMORY;
  // Only the first of the back buffers is the back buffer; the others are only flipped.
  DirectDrawSurface* last = front;
  for (DWORD i = 0; i < backBuffers; ++i) {
    DirectDrawSurface* back =
        NewSurface((i == 0 ? DDSCAPS_BACKBUFFER : 0) | DDSCAPS_VIDEOMEMORY | chainCaps, mode);
    if (!back) {
      front->Release();
      return DDERR_OUTOFMEMORY;
    }
    last->Attach(back, front);
    last = back;
  }
  front->SetBackBufferCount(backBuffers);
  displayPrimary = front;
  *surface = front;
  return DD_OK;
}

HRESULT DirectDraw::CreateOffscreen(const DDSURFACEDESC2& description,
                                    LPDIRECTDRAWSURFACE7* surface) {
  DWORD caps = (description.dwFlags & DDSD_CAPS) ? description.ddsCaps.dwCaps : 0;
  if (caps & (DDSCAPS_FRONTBUFFER | DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX)) {
    return DDERR_INVALIDCAPS;
  }
  if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
  DWORD sizeFlags = DDSD_WIDTH | DDSD_HEIGHT;
  if ((description.dwFlags & sizeFlags) != sizeFlags || description.dwWidth == 0 ||
      description.dwHeight == 0 || description.dwWidth > kLargestSide ||
      description.dwHeight > kLargestSide) {
    return DDERR_INVALIDPARAMS;
  }
  PixelFormat format;
  if (description.dwFlags & DDSD_PIXELFORMAT) {
    std::optional<PixelFormat> given = FormatOf(description.ddpfPixelFormat);
    if (!given) return DDERR_INVALIDPIXELFORMAT;
    format = *given;
  } else {
    if (!CurrentDisplay().Start()) return DDERR_GENERIC;
    format = CurrentMode().format;
  }
  if (!(caps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_TEXTURE))) caps |= DDSCAPS_OFFSCREENPLAIN;
  if (!(caps & DDSCAPS_SYSTEMMEMORY)) caps |= DDSCAPS_VIDEOMEMORY;
  DirectDrawSurface* made =
      NewSurface(caps, DisplayMode{description.dwWidth, description.dwHeight, format});
  if (!made) return DDERR_OUTOFMEMORY;
  if (description.dwFlags & DDSD_CKSRCBLT) made->SetSourceKey(description.ddckCKSrcBlt);
  *surface = made;
  return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                  IUnknown* outer) {
  if (!palette) return DDERR_INVALIDPARAMS;
  *palette = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!entries || (flags != DDPCAPS_8BIT && flags != (DDPCAPS_8BIT | DDPCAPS_ALLOW256))) {
    return DDERR_INVALIDPARAMS;
  }
  if (!levelSet_) return DDERR_NOCOOPERATIVELEVELSET;
  auto* created = new (std::nothrow) DirectDrawPalette(flags, entries);
  if (!created) return DDERR_OUTOFMEMORY;
  *palette = created;
  return DD_OK;
}

HRESULT DirectDraw::GetMonitorFrequency(LPDWORD frequency) {
  if (!frequency) return DDERR_INVALIDPARAMS;
  *frequency = CurrentDisplay().RefreshRate();
  return DD_OK;
}

// Only the wait for the start of the blank is offered, and only without an event.
HRESULT DirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE event) {
  if (flags != DDWAITVB_BLOCKBEGIN || event) return DDERR_INVALIDPARAMS;
  CurrentDisplay().WaitForVerticalBlank();
  return DD_OK;
}

HRESULT DirectDraw::RestoreAllSurfaces() {
  if (HRESULT allowed = MayRestore(); FAILED(allowed)) return allowed;
  HRESULT result = DD_OK;
  for (DirectDrawSurface* surface : surfaces_) {
    if (HRESULT restored = surface->Restore(); FAILED(restored)) result = restored;
  }
  return result;
}

}  // namespace standin
