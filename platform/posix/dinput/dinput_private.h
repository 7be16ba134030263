// The stand-in's "DINPUT.DLL" inside: the DirectInput object (directinput.cpp), what
// every device does alike (device.cpp), and the keyboard (keyboard.cpp) and the mouse
// (mouse.cpp), over the desktop that USER32 keeps (platform/posix/user32/desktop.h) and
// the display's mouse (platform/posix/displays/display.h).
//
// Every device shares the rules of cooperative levels and acquisition: a foreground
// device is acquired only while its window has the foreground, and loses its
// acquisition the moment it is read after the window lost it. What a device reads is
// its own, laid out by the data format that the program set.
//
// Limits: exclusive access is not arbitrated between devices, as there is only the one
// program; the foreground is looked at when a device is acquired or read, so a window
// that loses the foreground and gets it back between two reads keeps its acquisition.
#pragma once

#include "platform/posix/com/com_object.h"
#include "platform/posix/include/winapi.h"

namespace standin {

// The module's one export.
HRESULT DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID interfaceId, LPVOID* object,
                            LPUNKNOWN outer);

// What every device does alike: cooperative level, data format, acquisition. A device
// holds a reference to the object that made it.
class Device : public ComObject<IDirectInputDevice7A, IID_IDirectInputDevice7A, E_POINTER> {
 public:
  explicit Device(IDirectInput7A* parent);

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
  HRESULT Acquire() override;
  HRESULT Unacquire() override;
  HRESULT GetDeviceState(DWORD size, LPVOID data) override;
  // Without a buffer or properties of its own, a device offers none.
  HRESULT GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                        DWORD flags) override;
  HRESULT GetProperty(REFGUID property, LPDIPROPHEADER header) override;
  HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override;

 protected:
  ~Device() override;

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
  HRESULT Readable();

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

// A data format object that names no instance takes the next free one.
constexpr WORD kAnyInstance = DIDFT_GETINSTANCE(DIDFT_ANYINSTANCE);
// An object of the device that the data format leaves out.
constexpr int kUnmapped = -1;

// The devices, made for the object that asks; null without memory.
Device* MakeKeyboard(IDirectInput7A* parent);
Device* MakeMouse(IDirectInput7A* parent);

}  // namespace standin
