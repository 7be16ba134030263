// The stand-in's "DINPUT.DLL": DirectInputCreateEx, the DirectInput 7 object and its
// devices, over the desktop that the user module keeps (platform/posix/desktop.h).
//
// Every device shares the rules of cooperative levels and acquisition: a foreground
// device is acquired only while its window has the foreground, and loses its
// acquisition the moment it is read after the window lost it. What a device reads is
// its own: the keyboard is a snapshot of standin::ReadKeyboard, laid out by the data
// format that the program set.
//
// Limits: the keyboard offers neither buffered data nor properties (DIERR_UNSUPPORTED);
// the mouse is not offered yet (DIERR_DEVICENOTREG); exclusive access is not arbitrated
// between devices, as there is only the one program; the foreground is looked at when a
// device is acquired or read, so a window that loses the foreground and gets it back
// between two reads keeps its acquisition.
#include <array>
#include <new>

#include "platform/posix/desktop.h"
#include "platform/posix/user_internal.h"
#include "platform/win32.h"

namespace standin {
namespace {

constexpr DWORD kCooperativeFlags =
    DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND;

// Reference counting for the object and its devices; the last Release deletes.
template <class Interface>
class Counted : public Interface {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Counted() = default;

  HRESULT Answer(REFIID asked, REFIID offered, void** object) {
    if (!object) return E_POINTER;
    if (!(asked == offered)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = this;
    return S_OK;
  }

 private:
  ULONG references_ = 1;
};

// What every device does alike: cooperative level, data format, acquisition.
class Device : public Counted<IDirectInputDevice7A> {
 public:
  explicit Device(IDirectInput7A* parent) : parent_(parent) { parent_->AddRef(); }

  HRESULT QueryInterface(REFIID interfaceId, void** object) override {
    return Answer(interfaceId, IID_IDirectInputDevice7A, object);
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
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

  HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
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

  HRESULT Acquire() override {
    if (acquired_) return S_FALSE;
    if (!hasFormat_) return DIERR_INVALIDPARAM;
    if (Foreground() && window_ != ForegroundWindow()) return DIERR_OTHERAPPHASPRIO;
    acquired_ = true;
    return DI_OK;
  }

  HRESULT Unacquire() override {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
  }

  HRESULT GetDeviceState(DWORD size, LPVOID data) override {
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (Foreground() && window_ != ForegroundWindow()) {
      acquired_ = false;
      return DIERR_INPUTLOST;
    }
    if (!data || size != dataSize_) return DIERR_INVALIDPARAM;
    ReadState(static_cast<BYTE*>(data));
    return DI_OK;
  }

  HRESULT GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return DIERR_UNSUPPORTED;
  }
  HRESULT GetProperty(REFGUID, LPDIPROPHEADER) override { return DIERR_UNSUPPORTED; }
  HRESULT SetProperty(REFGUID, LPCDIPROPHEADER) override { return DIERR_UNSUPPORTED; }

 protected:
  ~Device() override { parent_->Release(); }

  // A cooperative level that is well formed but that this kind of device refuses.
  virtual bool AllowsLevel(DWORD flags) const = 0;
  // Checks a format's objects against the device's and keeps their layout.
  virtual bool TakeFormat(const DIDATAFORMAT& format) = 0;
  // Fills the program's buffer of the format's data size.
  virtual void ReadState(BYTE* data) = 0;

 private:
  bool Foreground() const { return flags_ & DISCL_FOREGROUND; }

  IDirectInput7A* parent_;
  HWND window_ = nullptr;
  // Until the program says otherwise a device shares the keyboard in the background.
  DWORD flags_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool hasFormat_ = false;
  DWORD dataSize_ = 0;
  bool acquired_ = false;
};

constexpr DWORD kKeys = 256;
constexpr WORD kAnyInstance = DIDFT_GETINSTANCE(DIDFT_ANYINSTANCE);
constexpr int kUnmapped = -1;

// 256 keys, each a button, key n being instance n and DIK code n.
class Keyboard : public Device {
 public:
  using Device::Device;

 private:
  // Windows does not let one program keep the keyboard from every other in the
  // background.
  bool AllowsLevel(DWORD flags) const override {
    return !((flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND));
  }

  // Each object is a button at its own byte; it names a key by instance or takes the
  // next free one. A key the keyboard lacks is refused unless the object is optional.
  bool TakeFormat(const DIDATAFORMAT& format) override {
    if (format.dwDataSize != kKeys) return false;
    std::array<int, kKeys> keyAt;
    keyAt.fill(kUnmapped);
    std::array<bool, kKeys> used{};
    for (DWORD n = 0; n < format.dwNumObjs; ++n) {
      const DIOBJECTDATAFORMAT& object = format.rgodf[n];
      bool button = (object.dwType & DIDFT_BUTTON) != 0 && (object.dwType & DIDFT_AXIS) == 0;
      if (!button || (object.pguid && !(*object.pguid == GUID_Key))) return false;
      if (object.dwOfs >= kKeys || keyAt[object.dwOfs] != kUnmapped) return false;
      WORD instance = DIDFT_GETINSTANCE(object.dwType);
      if (instance == kAnyInstance) {
        instance = 0;
        while (instance < kKeys && used[instance]) ++instance;
      }
      if (instance >= kKeys) {
        if (object.dwType & DIDFT_OPTIONAL) continue;
        return false;
      }
      if (used[instance]) return false;
      used[instance] = true;
      keyAt[object.dwOfs] = instance;
    }
    keyAt_ = keyAt;
    return true;
  }

  // Buttons read as 0x80 when down and 0 when up; bytes that no object fills are 0.
  void ReadState(BYTE* data) override {
    BYTE keys[kKeys];
    ReadKeyboard(keys);
    for (DWORD offset = 0; offset < kKeys; ++offset) {
      int key = keyAt_[offset];
      data[offset] = key == kUnmapped ? 0 : keys[key] & 0x80;
    }
  }

  std::array<int, kKeys> keyAt_{};
};

template <class Kind>
Device* Make(IDirectInput7A* parent) {
  return new (std::nothrow) Kind(parent);
}

struct DeviceKind {
  const GUID* guid;
  Device* (*make)(IDirectInput7A* parent);
};

// The devices that CreateDeviceEx offers, by instance GUID.
const DeviceKind kDeviceKinds[] = {
    {&GUID_SysKeyboard, Make<Keyboard>},
};

class DirectInput : public Counted<IDirectInput7A> {
 public:
  HRESULT QueryInterface(REFIID interfaceId, void** object) override {
    return Answer(interfaceId, IID_IDirectInput7A, object);
  }

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
