// IDirectDrawSurface7: pixels in memory with a pitch wider than a row needs (the row's
// bytes rounded up to 8, plus 8), so that callers cannot take the pitch for the width.
//
// A surface is busy while it is locked or lends its pixels to a device context: it is
// then neither locked again nor flipped, and lent to one context at a time (a locked
// surface may be lent: the context draws on the locked pixels). A lost surface (only
// those in video memory are ever lost) refuses Lock, GetDC, GetAttachedSurface and Flip
// with DDERR_SURFACELOST until Restore brings it back, every byte then holding
// standin::kRestoredSurfaceFill; its memory stays where it was meanwhile.
//
// A flipping chain is a ring: GetAttachedSurface leads from the front through the back
// buffers (the first alone is DDSCAPS_BACKBUFFER) and from the last back to the front.
// Flip moves the pixels along it (the primary gets the first back buffer's, the last
// back buffer the primary's) and presents the primary through the
// display with the primary's palette (for 8 bits; the default palette without one). A
// surface whose DirectDraw object is gone answers only Release (and AddRef,
// QueryInterface); the rest is DDERR_INVALIDOBJECT.
//
// Limits: one lock at a time, also for rectangles that do not overlap; only the source
// blit colour key.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/posix/ddraw/ddraw_private.h"
#include "platform/posix/gdi32/gdi_internal.h"
#include "platform/posix/standin.h"
#include "platform/win32.h"

namespace standin {
namespace {

// The surface description of the older interfaces: the same fields up to a one-word
// ddsCaps, without dwTextureStage.
constexpr DWORD kOlderDescriptionSize =
    (offsetof(DDSURFACEDESC2, ddsCaps) + sizeof(DWORD) + alignof(DDSURFACEDESC2) - 1) /
    alignof(DDSURFACEDESC2) * alignof(DDSURFACEDESC2);

LONG PitchOf(const DisplayMode& shape) {
  std::size_t row = std::size_t{shape.width} * (shape.format.bitsPerPixel / 8);
  return static_cast<LONG>((row + 7) / 8 * 8 + 8);
}

}  // namespace

DirectDrawSurface::DirectDrawSurface(DirectDraw* owner, DWORD caps, const DisplayMode& shape)
    : owner_(owner),
      caps_(caps),
      shape_(shape),
      createdIn_(CurrentMode()),
      pitch_(PitchOf(shape)),
      memory_(static_cast<std::size_t>(pitch_) * shape.height) {}

DirectDrawSurface::~DirectDrawSurface() {
  for (DirectDrawSurface* back = attached_; back; back = back->attached_) {
    if (back->front_ == this) back->front_ = nullptr;
  }
  if (dc_) DestroyBufferDC(dc_);
  if (palette_) {
    palette_->LetGoBy(this);
    palette_->Release();
  }
  if (attached_) attached_->Release();
  if (DisplayPrimary() == this) SetDisplayPrimary(nullptr);
  if (owner_) owner_->Forget(this);
}

HRESULT DirectDrawSurface::Usable() const {
  if (!owner_) return DDERR_INVALIDOBJECT;
  return lost_ ? DDERR_SURFACELOST : DD_OK;
}

std::vector<DirectDrawSurface*> DirectDrawSurface::Chain() {
  std::vector<DirectDrawSurface*> chain;
  for (DirectDrawSurface* surface = this; surface; surface = surface->attached_) {
    chain.push_back(surface);
  }
  return chain;
}

// The description goes as far as the caller's dwSize: the whole DDSURFACEDESC2, or the
// older, shorter description.
void DirectDrawSurface::Describe(DDSURFACEDESC2* description, void* pixels) const {
  DDSURFACEDESC2 whole{};
  whole.dwSize = description->dwSize;
  whole.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
  whole.dwWidth = shape_.width;
  whole.dwHeight = shape_.height;
  whole.lPitch = pitch_;
  whole.lpSurface = pixels;
  if (backBufferCount_) {
    whole.dwFlags |= DDSD_BACKBUFFERCOUNT;
    whole.dwBackBufferCount = backBufferCount_;
  }
  if (sourceKey_) {
    whole.dwFlags |= DDSD_CKSRCBLT;
    whole.ddckCKSrcBlt = *sourceKey_;
  }
  // The primary is the display: after a change of mode it tells the display's pixels.
  const PixelFormat& pixel =
      (caps_ & DDSCAPS_PRIMARYSURFACE) ? CurrentMode().format : shape_.format;
  DDPIXELFORMAT& format = whole.ddpfPixelFormat;
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_RGB | (pixel.bitsPerPixel == 8 ? DDPF_PALETTEINDEXED8 : 0);
  format.dwRGBBitCount = pixel.bitsPerPixel;
  format.dwRBitMask = pixel.redMask;
  format.dwGBitMask = pixel.greenMask;
  format.dwBBitMask = pixel.blueMask;
  whole.ddsCaps.dwCaps = caps_;
  std::memcpy(description, &whole, description->dwSize);
}

// The chain is walked in place rather than gathered: a flip happens every frame, and
// allocates nothing.
HRESULT DirectDrawSurface::Flip(IDirectDrawSurface7* targetOverride, DWORD) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!(caps_ & DDSCAPS_FRONTBUFFER) || !attached_) return DDERR_NOTFLIPPABLE;
  DirectDrawSurface* target = nullptr;
  if (targetOverride) {
    for (DirectDrawSurface* surface = attached_; surface && !target; surface = surface->attached_) {
      if (static_cast<IDirectDrawSurface7*>(surface) == targetOverride) target = surface;
    }
    if (!target) return DDERR_NOTFLIPPABLE;
  }
  // The surfaces that take part: the primary and the target, or the whole chain.
  auto next = [target](DirectDrawSurface* surface) {
    return target ? (surface == target ? nullptr : target) : surface->attached_;
  };
  for (DirectDrawSurface* surface = this; surface; surface = next(surface)) {
    if (surface->lost_) return DDERR_SURFACELOST;
  }
  if (!owner_->Exclusive()) return DDERR_NOEXCLUSIVEMODE;
  for (DirectDrawSurface* surface = this; surface; surface = next(surface)) {
    if (!surface->Idle()) return DDERR_SURFACEBUSY;
  }
  // Each surface takes its successor's pixels, the last the primary's.
  std::vector<BYTE> first = std::move(memory_);
  DirectDrawSurface* previous = this;
  for (DirectDrawSurface* surface = next(this); surface; surface = next(surface)) {
    previous->memory_ = std::move(surface->memory_);
    previous = surface;
  }
  previous->memory_ = std::move(first);
  FrameView frame{shape_.width, shape_.height, pitch_, memory_.data(), shape_.format, nullptr};
  if (shape_.format.bitsPerPixel == 8) {
    frame.palette = palette_ ? &palette_->Entries() : &DefaultSystemPalette();
  }
  CurrentDisplay().Present(frame);
  return DD_OK;
}

HRESULT DirectDrawSurface::GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** attached) {
  if (!caps || !attached) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = Usable(); FAILED(usable)) return usable;
  DirectDrawSurface* next = Next();
  if (!next || caps->dwCaps == 0 || (next->caps_ & caps->dwCaps) != caps->dwCaps) {
    *attached = nullptr;
    return DDERR_NOTFOUND;
  }
  next->AddRef();
  *attached = next;
  return DD_OK;
}

HRESULT DirectDrawSurface::GetDC(HDC* dc) {
  if (!dc) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = Usable(); FAILED(usable)) return usable;
  if (dc_) return DDERR_DCALREADYCREATED;
  PixelBuffer buffer{memory_.data(), shape_.width, shape_.height, pitch_, shape_.format, {}};
  // An 8-bit surface without a palette of its own shares the display's.
  const DirectDrawPalette* palette = palette_;
  if (!palette && DisplayPrimary()) palette = DisplayPrimary()->AttachedPalette();
  if (shape_.format.bitsPerPixel == 8 && palette) buffer.palette = palette->Entries();
  dc_ = CreateBufferDC(buffer);
  *dc = dc_;
  return DD_OK;
}

HRESULT DirectDrawSurface::GetSurfaceDesc(LPDDSURFACEDESC2 description) {
  if (!description || description->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (!owner_) return DDERR_INVALIDOBJECT;
  Describe(description, nullptr);
  return DD_OK;
}

HRESULT DirectDrawSurface::IsLost() { return Usable(); }

HRESULT DirectDrawSurface::Lock(LPRECT rectangle, LPDDSURFACEDESC2 description, DWORD, HANDLE) {
  if (!description || (description->dwSize != sizeof(DDSURFACEDESC2) &&
                       description->dwSize != kOlderDescriptionSize)) {
    return DDERR_INVALIDPARAMS;
  }
  if (HRESULT usable = Usable(); FAILED(usable)) return usable;
  if (!Idle()) return DDERR_SURFACEBUSY;
  std::size_t offset = 0;
  if (rectangle) {
    // Empty rectangles are rectangles too.
    const RECT& r = *rectangle;
    if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom ||
        static_cast<DWORD>(r.right) > shape_.width ||
        static_cast<DWORD>(r.bottom) > shape_.height) {
      description->lpSurface = nullptr;
      return DDERR_INVALIDPARAMS;
    }
    offset = static_cast<std::size_t>(r.top) * pitch_ +
             static_cast<std::size_t>(r.left) * (shape_.format.bitsPerPixel / 8);
  }
  Describe(description, memory_.data() + offset);
  locked_ = true;
  return DD_OK;
}

HRESULT DirectDrawSurface::ReleaseDC(HDC dc) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!dc_) return DDERR_NODC;
  if (dc != dc_) return DDERR_INVALIDPARAMS;
  DestroyBufferDC(dc_);
  dc_ = nullptr;
  return DD_OK;
}

HRESULT DirectDrawSurface::RestoreOne() {
  if (!lost_) return DD_OK;
  if (!(createdIn_ == CurrentMode())) return DDERR_WRONGMODE;
  std::fill(memory_.begin(), memory_.end(), kRestoredSurfaceFill);
  lost_ = false;
  return DD_OK;
}

HRESULT DirectDrawSurface::Restore() {
  if (!owner_) return DDERR_INVALIDOBJECT;
  std::vector<DirectDrawSurface*> chain = Chain();
  if (std::none_of(chain.begin(), chain.end(), [](auto* s) { return s->lost_; })) return DD_OK;
  if (HRESULT allowed = owner_->MayRestore(); FAILED(allowed)) return allowed;
  HRESULT result = DD_OK;
  for (DirectDrawSurface* surface : chain) {
    if (HRESULT restored = surface->RestoreOne(); FAILED(restored)) result = restored;
  }
  return result;
}

HRESULT DirectDrawSurface::SetColorKey(DWORD flags, LPDDCOLORKEY colorKey) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if ((flags & ~static_cast<DWORD>(DDCKEY_COLORSPACE)) != DDCKEY_SRCBLT) {
    return DDERR_INVALIDPARAMS;
  }
  if (!colorKey) {
    sourceKey_.reset();
    return DD_OK;
  }
  DDCOLORKEY key = *colorKey;
  // A single colour unless a range is asked for.
  if (!(flags & DDCKEY_COLORSPACE)) key.dwColorSpaceHighValue = key.dwColorSpaceLowValue;
  sourceKey_ = key;
  return DD_OK;
}

HRESULT DirectDrawSurface::GetColorKey(DWORD flags, LPDDCOLORKEY colorKey) {
  if (flags != DDCKEY_SRCBLT || !colorKey) return DDERR_INVALIDPARAMS;
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!sourceKey_) return DDERR_NOCOLORKEY;
  *colorKey = *sourceKey_;
  return DD_OK;
}

HRESULT DirectDrawSurface::SetPalette(LPDIRECTDRAWPALETTE palette) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  auto* attached = dynamic_cast<DirectDrawPalette*>(palette);
  if (palette && !attached) return DDERR_INVALIDOBJECT;
  if (attached && shape_.format.bitsPerPixel != 8) return DDERR_INVALIDPIXELFORMAT;
  if (attached == palette_) return DD_OK;
  if (attached) {
    attached->AddRef();
    attached->HeldBy(this);
  }
  if (palette_) {
    palette_->LetGoBy(this);
    palette_->Release();
  }
  palette_ = attached;
  return DD_OK;
}

HRESULT DirectDrawSurface::GetPalette(LPDIRECTDRAWPALETTE* palette) {
  if (!palette) return DDERR_INVALIDPARAMS;
  if (!owner_) return DDERR_INVALIDOBJECT;
  *palette = palette_;
  if (!palette_) return DDERR_NOPALETTEATTACHED;
  palette_->AddRef();
  return DD_OK;
}

HRESULT DirectDrawSurface::Unlock(LPRECT) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  return DD_OK;
}

}  // namespace standin
