// The input libraries' state: the DirectInput object the keyboard and mouse share, the
// keyboard's device and snapshot, the mouse's device and readings. Callers of the input
// operations need only input/keyboard.h and input/mouse.h.
#pragma once

#include <cstdint>

#include "input/keyboard.h"
#include "platform/win32.h"

struct DirectInputBinding {
  // None until an OpenDirectInput succeeds, and again after the last user closes it.
  IDirectInput7A* object;
  // "DINPUT.DLL" once loaded; a module that loaded but yielded no object stays loaded.
  HMODULE module;
  // Opens minus closes, whether or not the object could be created.
  std::int32_t users;
};
extern DirectInputBinding DirectInputState;

// What KeyboardState.acquisition holds.
constexpr std::int32_t kKeyboardNotOpen = 0;
constexpr std::int32_t kKeyboardOpened = 1;
constexpr std::int32_t kKeyboardAcquired = 2;

struct KeyboardLibraryState {
  // Set by the first InitKeyboard and never cleared.
  std::int32_t started;
  IDirectInputDevice7A* device;
  std::int32_t acquisition;
  // The last snapshot, by DirectInput scan code (DIK_*): bit 7 set for a key held down.
  BYTE keys[kKeyCount];
  // The data format handed to the device: one button per key, key i at byte i.
  DIDATAFORMAT format;
  DIOBJECTDATAFORMAT* objects;
};
extern KeyboardLibraryState KeyboardState;

// What MouseState.acquisition holds.
constexpr std::int32_t kMouseNotOpen = 0;
constexpr std::int32_t kMouseSetUpPending = 1;
constexpr std::int32_t kMouseAcquired = 2;

// Events read by one poll at most, and the size of the device's own buffer.
constexpr DWORD kMouseEventCount = 24;

struct MouseLibraryState {
  // The readings.
  std::int32_t positionX;
  std::int32_t positionY;
  std::int32_t motionX;
  std::int32_t motionY;
  std::int32_t wheelMotion;  // in the device's units; MouseWheelMotion counts steps
  std::int32_t button1;
  std::int32_t button2;
  std::int32_t button3;
  std::int32_t wheelGranularity;  // device units per wheel step

  // Set by InitMouse, cleared by EndMouse.
  std::int32_t started;
  IDirectInputDevice7A* device;
  std::int32_t acquisition;
  std::int32_t released;
  DIDEVICEOBJECTDATA events[kMouseEventCount];
};
extern MouseLibraryState MouseState;

// The layout asked of the device, as DirectInput's standard mouse format has it: x, y and
// wheel axes (the wheel optional) at bytes 0, 4 and 8, four buttons at bytes 12 to 15
// (the last two optional), axes relative.
extern const DIDATAFORMAT MouseDataFormat;
