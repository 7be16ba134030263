// IDirectDrawPalette: 256 entries. Without DDPCAPS_ALLOW256 the first entry stays black
// and the last white, as the system keeps them; SetEntries leaves those two alone. A
// palette attached to the primary surface colours what the next Flip presents. A surface
// holds a reference to the palette set on it; a palette that ends all the same (its
// count given back by a caller for the surface too) is no longer that surface's.
#include <algorithm>

#include "platform/posix/ddraw/ddraw_private.h"
#include "platform/win32.h"

namespace standin {

DirectDrawPalette::DirectDrawPalette(DWORD caps, const PALETTEENTRY* entries) : caps_(caps) {
  std::copy(entries, entries + entries_.size(), entries_.begin());
  if (!(caps_ & DDPCAPS_ALLOW256)) {
    entries_.front() = PALETTEENTRY{0, 0, 0, 0};
    entries_.back() = PALETTEENTRY{255, 255, 255, 0};
  }
}

DirectDrawPalette::~DirectDrawPalette() {
  for (DirectDrawSurface* surface : holders_) surface->PaletteEnded();
}

void DirectDrawPalette::LetGoBy(DirectDrawSurface* surface) {
  auto held = std::find(holders_.begin(), holders_.end(), surface);
  if (held != holders_.end()) holders_.erase(held);
}

bool DirectDrawPalette::Fixed(DWORD index) const {
  return !(caps_ & DDPCAPS_ALLOW256) && (index == 0 || index == entries_.size() - 1);
}

HRESULT DirectDrawPalette::GetEntries(DWORD flags, DWORD base, DWORD count,
                                      LPPALETTEENTRY entries) {
  if (flags != 0 || !entries || base > entries_.size() || count > entries_.size() - base) {
    return DDERR_INVALIDPARAMS;
  }
  std::copy_n(entries_.begin() + base, count, entries);
  return DD_OK;
}

HRESULT DirectDrawPalette::SetEntries(DWORD flags, DWORD start, DWORD count,
                                      LPPALETTEENTRY entries) {
  if (flags != 0 || !entries || start > entries_.size() || count > entries_.size() - start) {
    return DDERR_INVALIDPARAMS;
  }
  for (DWORD i = 0; i < count; ++i) {
    if (!Fixed(start + i)) entries_[start + i] = entries[i];
  }
  return DD_OK;
}

}  // namespace standin
