// What every device of the stand-in's "DINPUT.DLL" does alike: the cooperative level, the
// data format and the acquisition, with the foreground rules of dinput_private.h.
#include "platform/posix/dinput/dinput_private.h"
#include "platform/posix/user32/desktop.h"
#include "platform/win32.h"

namespace standin {
namespace {

constexpr DWORD kCooperativeFlags =
    DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND;

}  // namespace

Device::Device(IDirectInput7A* parent) : parent_(parent) { parent_->AddRef(); }

Device::~Device() { parent_->Release(); }

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
  if (acquired_) return DIERR_ACQUIRED;
  bool exclusive = flags & DISCL_EXCLUSIVE;
  bool foreground = flags & DISCL_FOREGROUND;
  if ((flags & ~kCooperativeFlags) != 0 || exclusive == bool(flags & DISCL_NONEXCLUSIVE) ||
      foreground == bool(flags & DISCL_BACKGROUND)) {
    return DIERR_INVALIDPARAM;
  }
  if (window ? !IsWindowHandle(window) : exclusive || foreground) return E_HANDLE;
  if (!AllowsLevel(flags)) return DIERR_UNSUPPORTED;
  window_ = window;
  flags_ = flags;
  return DI_OK;
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
  if (acquired_) return DIERR_ACQUIRED;
  if (!format || format->dwSize != sizeof(DIDATAFORMAT) ||
      format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
      (format->dwNumObjs != 0 && !format->rgodf)) {
    return DIERR_INVALIDPARAM;
  }
  if (!TakeFormat(*format)) return DIERR_INVALIDPARAM;
  dataSize_ = format->dwDataSize;
  hasFormat_ = true;
  return DI_OK;
}

HRESULT Device::Acquire() {
  if (acquired_) return S_FALSE;
  if (!hasFormat_) return DIERR_INVALIDPARAM;
  if (Foreground() && window_ != ForegroundWindow()) return DIERR_OTHERAPPHASPRIO;
  acquired_ = true;
  Acquired();
  return DI_OK;
}

HRESULT Device::Unacquire() {
  if (!acquired_) return DI_NOEFFECT;
  acquired_ = false;
  return DI_OK;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
  if (HRESULT readable = Readable(); readable != DI_OK) return readable;
  if (!data || size != dataSize_) return DIERR_INVALIDPARAM;
  ReadState(static_cast<BYTE*>(data));
  return DI_OK;
}

HRESULT Device::GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
  return DIERR_UNSUPPORTED;
}

HRESULT Device::GetProperty(REFGUID, LPDIPROPHEADER) { return DIERR_UNSUPPORTED; }

HRESULT Device::SetProperty(REFGUID, LPCDIPROPHEADER) { return DIERR_UNSUPPORTED; }

HRESULT Device::Readable() {
  if (!acquired_) return DIERR_NOTACQUIRED;
  if (Foreground() && window_ != ForegroundWindow()) {
    acquired_ = false;
    return DIERR_INPUTLOST;
  }
  return DI_OK;
}

}  // namespace standin
