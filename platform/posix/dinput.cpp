// The stand-in's "DINPUT.DLL": DirectInputCreateEx, the DirectInput 7 object and its
// devices, over the desktop that the user module keeps (platform/posix/desktop.h) and the
// display's mouse (platform/posix/display.h).
//
// Every device shares the rules of cooperative levels and acquisition: a foreground
// device is acquired only while its window has the foreground, and loses its
// acquisition the moment it is read after the window lost it. What a device reads is
// its own, laid out by the data format that the program set: the keyboard is a snapshot
// of standin::ReadKeyboard; the mouse is the display's motions, buttons and wheel, as
// buffered events (GetDeviceData) and as a state (GetDeviceState).
//
// Limits: the keyboard offers neither buffered data nor properties (DIERR_UNSUPPORTED);
// the mouse offers the buffer size and its axes' granularity as properties, and no
// flags of GetDeviceData (peeking); exclusive access is not arbitrated between devices,
// as there is only the one program; the foreground is looked at when a device is
// acquired or read, so a window that loses the foreground and gets it back between two
// reads keeps its acquisition.
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "platform/posix/com_objects.h"
#include "platform/posix/desktop.h"
#include "platform/posix/display.h"
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
  LiveObject live_;
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
    Acquired();
    return DI_OK;
  }

  HRESULT Unacquire() override {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
  }

  HRESULT GetDeviceState(DWORD size, LPVOID data) override {
    if (HRESULT readable = Readable(); readable != DI_OK) return readable;
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
  // What a device does as it becomes acquired.
  virtual void Acquired() {}

  bool IsAcquired() const { return acquired_; }
  DWORD DataSize() const { return dataSize_; }
  // DI_OK while the device may be read; a foreground device whose window lost the
  // foreground loses its acquisition here.
  HRESULT Readable() {
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (Foreground() && window_ != ForegroundWindow()) {
      acquired_ = false;
      return DIERR_INPUTLOST;
    }
    return DI_OK;
  }

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

constexpr DWORD kMouseAxes = 3;
constexpr DWORD kMouseButtons = 4;
constexpr DWORD kAxisBytes = sizeof(LONG);
constexpr WORD kWheelAxis = 2;
// Device units of one wheel step, as Windows counts them (WHEEL_DELTA).
constexpr LONG kWheelStep = 120;
constexpr BYTE kButtonDown = 0x80;

// Three relative axes (x, y and the wheel: instances 0, 1, 2) and four buttons
// (instances 0 to 3). Its changes come from the display; those of the time it is not
// acquired are never read, but its buttons' states follow them.
class Mouse : public Device {
 public:
  using Device::Device;

  HRESULT GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                        DWORD flags) override {
    if (objectDataSize != sizeof(DIDEVICEOBJECTDATA) || !inOut || flags != 0) {
      return DIERR_INVALIDPARAM;
    }
    if (HRESULT readable = Readable(); readable != DI_OK) return readable;
    if (bufferSize_ == 0) return DIERR_NOTBUFFERED;
    Take(true);
    // Without a place to copy to, the events are only taken out (a flush).
    DWORD count = static_cast<DWORD>(std::min<std::size_t>(*inOut, buffer_.size()));
    for (DWORD n = 0; n < count; ++n) {
      if (data) data[n] = buffer_.front();
      buffer_.pop_front();
    }
    *inOut = count;
    bool overflowed = overflowed_;
    overflowed_ = false;
    return overflowed ? DI_BUFFEROVERFLOW : DI_OK;
  }

  HRESULT GetProperty(REFGUID property, LPDIPROPHEADER header) override {
    if (!WellFormed(header)) return DIERR_INVALIDPARAM;
    auto* value = reinterpret_cast<DIPROPDWORD*>(header);
    if (&property == &DIPROP_BUFFERSIZE) {
      if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) return DIERR_INVALIDPARAM;
      value->dwData = bufferSize_;
      return DI_OK;
    }
    if (&property == &DIPROP_GRANULARITY) {
      // A property of one object: named by its offset in the data format.
      if (header->dwHow != DIPH_BYOFFSET) return DIERR_INVALIDPARAM;
      auto axis = std::find(axisAt_.begin(), axisAt_.end(), static_cast<int>(header->dwObj));
      if (axis != axisAt_.end()) {
        value->dwData = axis - axisAt_.begin() == kWheelAxis ? kWheelStep : 1;
        return DI_OK;
      }
      bool button = std::find(buttonAt_.begin(), buttonAt_.end(),
                              static_cast<int>(header->dwObj)) != buttonAt_.end();
      return button ? DIERR_UNSUPPORTED : DIERR_OBJECTNOTFOUND;
    }
    return DIERR_UNSUPPORTED;
  }

  HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
    if (!WellFormed(header)) return DIERR_INVALIDPARAM;
    if (!(&property == &DIPROP_BUFFERSIZE)) return DIERR_UNSUPPORTED;
    if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) return DIERR_INVALIDPARAM;
    if (IsAcquired()) return DIERR_ACQUIRED;
    bufferSize_ = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    return DI_OK;
  }

 private:
  static bool WellFormed(const DIPROPHEADER* header) {
    return header && header->dwSize == sizeof(DIPROPDWORD) &&
           header->dwHeaderSize == sizeof(DIPROPHEADER);
  }

  // Every level is allowed: a mouse, unlike the keyboard, may be kept exclusively in the
  // background.
  bool AllowsLevel(DWORD) const override { return true; }

  // Each object is an axis (4 bytes, at a multiple of 4) or a button (1 byte) of the
  // mouse, named by GUID (axes only), by instance or as the next free one of its kind;
  // objects may not overlap. One the mouse lacks is refused unless it is optional.
  bool TakeFormat(const DIDATAFORMAT& format) override {
    if (format.dwDataSize % kAxisBytes != 0) return false;
    if ((format.dwFlags & DIDF_ABSAXIS) && (format.dwFlags & DIDF_RELAXIS)) return false;
    std::array<int, kMouseAxes> axisAt;
    std::array<int, kMouseButtons> buttonAt;
    axisAt.fill(kUnmapped);
    buttonAt.fill(kUnmapped);
    std::vector<bool> filled(format.dwDataSize);
    for (DWORD n = 0; n < format.dwNumObjs; ++n) {
      const DIOBJECTDATAFORMAT& object = format.rgodf[n];
      bool axis = (object.dwType & DIDFT_AXIS) != 0 && (object.dwType & DIDFT_BUTTON) == 0;
      bool button = (object.dwType & DIDFT_BUTTON) != 0 && (object.dwType & DIDFT_AXIS) == 0;
      if (!axis && !button) return false;
      DWORD bytes = axis ? kAxisBytes : 1;
      if (object.dwOfs > format.dwDataSize - bytes || object.dwOfs % bytes != 0) return false;
      int instance = axis ? AxisFor(object, axisAt) : ButtonFor(object, buttonAt);
      if (instance == kUnmapped) {
        if (object.dwType & DIDFT_OPTIONAL) continue;
        return false;
      }
      for (DWORD b = object.dwOfs; b < object.dwOfs + bytes; ++b) {
        if (filled[b]) return false;
        filled[b] = true;
      }
      (axis ? axisAt[instance] : buttonAt[instance]) = static_cast<int>(object.dwOfs);
    }
    axisAt_ = axisAt;
    buttonAt_ = buttonAt;
    absolute_ = (format.dwFlags & DIDF_ABSAXIS) != 0;
    return true;
  }

  static int AxisFor(const DIOBJECTDATAFORMAT& object, const std::array<int, kMouseAxes>& at) {
    const GUID* const kAxes[kMouseAxes] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis};
    WORD instance = DIDFT_GETINSTANCE(object.dwType);
    for (DWORD axis = 0; axis < kMouseAxes; ++axis) {
      if (at[axis] != kUnmapped) continue;
      if (object.pguid && !(*object.pguid == *kAxes[axis])) continue;
      if (instance == kAnyInstance || instance == axis) return static_cast<int>(axis);
    }
    return kUnmapped;
  }

  static int ButtonFor(const DIOBJECTDATAFORMAT& object, const std::array<int, kMouseButtons>& at) {
    if (object.pguid) return kUnmapped;
    WORD instance = DIDFT_GETINSTANCE(object.dwType);
    for (DWORD button = 0; button < kMouseButtons; ++button) {
      if (at[button] != kUnmapped) continue;
      if (instance == kAnyInstance || instance == button) return static_cast<int>(button);
    }
    return kUnmapped;
  }

  // What happened before the acquisition is not read.
  void Acquired() override {
    Take(false);
    buffer_.clear();
    overflowed_ = false;
    motion_.fill(0);
  }

  // Moves the display's changes into the state and, when `record`, into the buffer. The
  // x and y of one motion are one event: they share a sequence number.
  void Take(bool record) {
    std::vector<MouseEvent> events;
    CurrentDisplay().CollectMouseEvents(events);
    for (const MouseEvent& event : events) {
      ++sequence_;
      switch (event.kind) {
        case MouseEvent::Kind::kMotion:
          Move(0, event.dx, event.time, record);
          Move(1, event.dy, event.time, record);
          break;
        case MouseEvent::Kind::kWheel:
          Move(kWheelAxis, event.steps * kWheelStep, event.time, record);
          break;
        case MouseEvent::Kind::kButton:
          Press(event.button, event.down, event.time, record);
          break;
      }
    }
  }

  void Move(DWORD axis, LONG delta, DWORD time, bool record) {
    if (delta == 0) return;
    motion_[axis] += delta;
    position_[axis] += delta;
    if (record)
      Record(axisAt_[axis], static_cast<DWORD>(absolute_ ? position_[axis] : delta), time);
  }

  void Press(DWORD button, bool down, DWORD time, bool record) {
    if (button >= kMouseButtons) return;
    BYTE state = down ? kButtonDown : 0;
    if (buttons_[button] == state) return;
    buttons_[button] = state;
    if (record) Record(buttonAt_[button], state, time);
  }

  // An object the format leaves out has no events; beyond the buffer's size the oldest go.
  void Record(int offset, DWORD data, DWORD time) {
    if (offset == kUnmapped) return;
    buffer_.push_back({static_cast<DWORD>(offset), data, time, sequence_});
    if (buffer_.size() > bufferSize_) {
      buffer_.pop_front();
      overflowed_ = true;
    }
  }

  // Relative axes hold the motion since the last state read, absolute ones the sum of
  // all motions; bytes that no object fills are 0.
  void ReadState(BYTE* data) override {
    Take(true);
    std::fill(data, data + DataSize(), BYTE{0});
    for (DWORD axis = 0; axis < kMouseAxes; ++axis) {
      if (axisAt_[axis] == kUnmapped) continue;
      LONG value = absolute_ ? position_[axis] : motion_[axis];
      std::memcpy(data + axisAt_[axis], &value, sizeof value);
    }
    for (DWORD button = 0; button < kMouseButtons; ++button) {
      if (buttonAt_[button] != kUnmapped) data[buttonAt_[button]] = buttons_[button];
    }
    motion_.fill(0);
  }

  std::array<int, kMouseAxes> axisAt_{};
  std::array<int, kMouseButtons> buttonAt_{};
  bool absolute_ = false;
  DWORD bufferSize_ = 0;
  std::deque<DIDEVICEOBJECTDATA> buffer_;
  bool overflowed_ = false;
  DWORD sequence_ = 0;
  std::array<LONG, kMouseAxes> motion_{};
  std::array<LONG, kMouseAxes> position_{};
  std::array<BYTE, kMouseButtons> buttons_{};
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
    {&GUID_SysMouse, Make<Mouse>},
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
