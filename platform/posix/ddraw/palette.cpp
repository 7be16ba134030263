// IDirectDrawPalette: 256 entries. Without DDPCAPS_ALLOW256 the first entry stays black
// and the last white, as the system keeps them; SetEntries leaves those two alone. A
// palette attached to the primary surface colours what the next Flip presents.
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
