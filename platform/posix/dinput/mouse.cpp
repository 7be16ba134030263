// The stand-in's mouse device: the display's motions, buttons and wheel, as buffered
// events (GetDeviceData) and as a state (GetDeviceState).
//
// Limits: the buffer size and the axes' granularity are its only properties; no flags of
// GetDeviceData (peeking).
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "platform/posix/dinput/dinput_private.h"
#include "platform/posix/displays/current_display.h"
#include "platform/win32.h"

namespace standin {
namespace {

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

}  // namespace

Device* MakeMouse(IDirectInput7A* parent) { return new (std::nothrow) Mouse(parent); }

}  // namespace standin
