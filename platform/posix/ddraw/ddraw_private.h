// The stand-in's "DDRAW.DLL" inside: the DirectDraw object (ddraw.cpp), its surfaces
// (surface.cpp) and palettes (palette.cpp), and the module's export.
#pragma once

#include <optional>
#include <vector>

#include "platform/posix/com/com_object.h"
#include "platform/posix/displays/current_display.h"
#include "platform/posix/include/winapi.h"

namespace standin {

// The module's one export.
HRESULT DirectDrawCreateEx(GUID* driver, LPVOID* object, REFIID interfaceId, IUnknown* outer);

class DirectDraw;
class DirectDrawSurface;

class DirectDrawPalette final
    : public ComObject<IDirectDrawPalette, IID_IDirectDrawPalette, DDERR_INVALIDPARAMS> {
 public:
  DirectDrawPalette(DWORD caps, const PALETTEENTRY* entries);
  ~DirectDrawPalette() override;

  HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
  HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;

  const Palette256& Entries() const { return entries_; }
  // The surfaces the palette is set on, each holding a reference: should its count end
  // all the same (a caller gave back the surfaces' references too), they let it go.
  void HeldBy(DirectDrawSurface* surface) { holders_.push_back(surface); }
  void LetGoBy(DirectDrawSurface* surface);

 private:
  bool Fixed(DWORD index) const;

  DWORD caps_;
  Palette256 entries_{};
  std::vector<DirectDrawSurface*> holders_;
};

class DirectDrawSurface final
    : public ComObject<IDirectDrawSurface7, IID_IDirectDrawSurface7, DDERR_INVALIDPARAMS> {
 public:
  DirectDrawSurface(DirectDraw* owner, DWORD caps, const DisplayMode& shape);
  ~DirectDrawSurface() override;

  HRESULT Flip(IDirectDrawSurface7* targetOverride, DWORD flags) override;
  HRESULT GetAttachedSurface(LPDDSCAPS2 caps, IDirectDrawSurface7** attached) override;
  HRESULT GetDC(HDC* dc) override;
  HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 description) override;
  HRESULT IsLost() override;
  HRESULT Lock(LPRECT rectangle, LPDDSURFACEDESC2 description, DWORD flags, HANDLE event) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT Restore() override;
  HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY colorKey) override;
  HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY colorKey) override;
  HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) override;
  HRESULT GetPalette(LPDIRECTDRAWPALETTE* palette) override;
  HRESULT Unlock(LPRECT rectangle) override;

  // The next surface of a flipping chain, which the surface keeps a reference to, and the
  // chain's front, which the last surface leads back to.
  void Attach(DirectDrawSurface* next, DirectDrawSurface* front) {
    attached_ = next;
    next->front_ = front;
  }
  void SetBackBufferCount(DWORD count) { backBufferCount_ = count; }
  void SetSourceKey(const DDCOLORKEY& key) { sourceKey_ = key; }
  // Only video memory is lost: a surface in system memory is the program's own memory,
  // and keeps its pixels whatever becomes of the display.
  void Lose() { lost_ = !(caps_ & DDSCAPS_SYSTEMMEMORY); }
  // The DirectDraw object is gone: from now on the surface only answers Release.
  void Orphan() { owner_ = nullptr; }
  DWORD Caps() const { return caps_; }
  const DirectDrawPalette* AttachedPalette() const { return palette_; }
  // The palette ended while set on the surface.
  void PaletteEnded() { palette_ = nullptr; }

 private:
  // Fails when the surface cannot be used now: orphaned or lost.
  HRESULT Usable() const;
  // The surface after this one in its flipping chain, the last one's being the front.
  DirectDrawSurface* Next() const { return attached_ ? attached_ : front_; }
  // The surface is neither locked nor lent to a device context.
  bool Idle() const { return !locked_ && !dc_; }
  // Fills the caller's description as far as its dwSize goes; `pixels` for Lock.
  void Describe(DDSURFACEDESC2* description, void* pixels) const;
  HRESULT RestoreOne();
  std::vector<DirectDrawSurface*> Chain();

  DirectDraw* owner_;
  DWORD caps_;
  DisplayMode shape_;      // size and pixel format
  DisplayMode createdIn_;  // the display's mode when the surface was made
  LONG pitch_;
  std::vector<BYTE> memory_;
  bool lost_ = false;
  bool locked_ = false;
  HDC dc_ = nullptr;
  std::optional<DDCOLORKEY> sourceKey_;
  DirectDrawPalette* palette_ = nullptr;
  DirectDrawSurface* attached_ = nullptr;
  DirectDrawSurface* front_ = nullptr;  // for back buffers, while the front lives
  DWORD backBufferCount_ = 0;
};

class DirectDraw final : public ComObject<IDirectDraw7, IID_IDirectDraw7, DDERR_INVALIDPARAMS> {
 public:
  DirectDraw();
  ~DirectDraw() override;

  HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                        IUnknown* outer) override;
  HRESULT CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface,
                        IUnknown* outer) override;
  HRESULT GetMonitorFrequency(LPDWORD frequency) override;
  HRESULT RestoreAllSurfaces() override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                         DWORD flags) override;
  HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) override;

  bool Exclusive() const { return exclusive_; }
  // Surfaces are brought back only while the program shows them: not while an object in
  // exclusive mode is away from the foreground.
  HRESULT MayRestore() const;
  void Forget(DirectDrawSurface* surface);
  void LoseSurfaces();

 private:
  HRESULT CreatePrimary(const DDSURFACEDESC2& description, LPDIRECTDRAWSURFACE7* surface);
  HRESULT CreateOffscreen(const DDSURFACEDESC2& description, LPDIRECTDRAWSURFACE7* surface);
  DirectDrawSurface* NewSurface(DWORD caps, const DisplayMode& shape);
  void LeaveExclusiveMode();

  bool levelSet_ = false;
  bool exclusive_ = false;
  HWND window_ = nullptr;
  std::vector<DirectDrawSurface*> surfaces_;
};

// The display's mode now: the one the object in exclusive mode set, else the desktop's.
DisplayMode CurrentMode();
// The primary surface on the display, or null.
DirectDrawSurface* DisplayPrimary();
void SetDisplayPrimary(DirectDrawSurface* surface);

}  // namespace standin
