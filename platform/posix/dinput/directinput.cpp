// The stand-in's "DINPUT.DLL": DirectInputCreateEx and the DirectInput 7 object, which
// makes the system keyboard and mouse devices.
#include <new>

#include "platform/posix/dinput/dinput_private.h"
#include "platform/win32.h"

namespace standin {
namespace {

struct DeviceKind {
  const GUID* guid;
  Device* (*make)(IDirectInput7A* parent);
};

// The devices that CreateDeviceEx offers, by instance GUID.
const DeviceKind kDeviceKinds[] = {
    {&GUID_SysKeyboard, MakeKeyboard},
    {&GUID_SysMouse, MakeMouse},
};

class DirectInput final : public ComObject<IDirectInput7A, IID_IDirectInput7A, E_POINTER> {
 public:
  HRESULT CreateDeviceEx(REFGUID device, REFIID interfaceId, LPVOID* object,
                         LPUNKNOWN outer) override {
    if (!object) return DIERR_INVALIDPARAM;
    *object = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (!(interfaceId == IID_IDirectInputDevice7A)) return DIERR_NOINTERFACE;
    for (const DeviceKind& kind : kDeviceKinds) {
      if (!(*kind.guid == device)) continue;
      Device* made = kind.make(this);
      if (!made) return DIERR_OUTOFMEMORY;
      *object = static_cast<IDirectInputDevice7A*>(made);
      return DI_OK;
    }
    return DIERR_DEVICENOTREG;
  }
};

}  // namespace

HRESULT DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID interfaceId, LPVOID* object,
                            LPUNKNOWN outer) {
  if (!object) return DIERR_INVALIDPARAM;
  *object = nullptr;
  if (!instance) return DIERR_INVALIDPARAM;
  // This module knows only the version 7 interfaces and their behaviour.
  if (version < 0x0700) return DIERR_BETADIRECTINPUTVERSION;
  if (!(interfaceId == IID_IDirectInput7A)) return DIERR_NOINTERFACE;
  if (outer) return DIERR_NOAGGREGATION;
  DirectInput* made = new (std::nothrow) DirectInput;
  if (!made) return DIERR_OUTOFMEMORY;
  *object = static_cast<IDirectInput7A*>(made);
  return DI_OK;
}

}  // namespace standin
