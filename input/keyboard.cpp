// The keyboard: an exclusive, foreground DirectInput device read as a 256-key snapshot
// once per poll.
#include "input/keyboard.h"

#include <cstring>

#include "input/directinput.h"
#include "input/input_state.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"

KeyboardLibraryState KeyboardState = {};

namespace {

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
constexpr BYTE kDownBit = 0x80;

// One optional button per key, key i at byte i. The table comes anew from the runtime
// heap on each call and is never freed: the heap goes away as a whole at the end.
bool BuildDataFormat() {
  auto* objects = static_cast<DIOBJECTDATAFORMAT*>(
      HeapAlloc(RuntimeHeap, 0, kKeyCount * sizeof(DIOBJECTDATAFORMAT)));
  if (!objects) return false;
  for (DWORD i = 0; i < kKeyCount; ++i) {
    objects[i].pguid = &GUID_Key;
    objects[i].dwOfs = i;
    objects[i].dwType = DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i);
    objects[i].dwFlags = 0;
  }
  KeyboardState.objects = objects;
  KeyboardState.format.dwSize = sizeof(DIDATAFORMAT);
  KeyboardState.format.dwObjSize = sizeof(DIOBJECTDATAFORMAT);
  KeyboardState.format.dwFlags = DIDF_RELAXIS;
  KeyboardState.format.dwDataSize = kKeyCount;
  KeyboardState.format.dwNumObjs = kKeyCount;
  KeyboardState.format.rgodf = objects;
  return true;
}

}  // namespace

std::int32_t InitKeyboard() {
  IDirectInput7A* directInput = OpenDirectInput();
  KeyboardState.started = 1;
  KeyboardState.device = nullptr;
  // No key is down before the first read, whatever an earlier start of the library read.
  std::memset(KeyboardState.keys, 0, sizeof KeyboardState.keys);
  if (!directInput) return 0;
  if (!BuildDataFormat()) return 0;
  if (directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A,
                                  reinterpret_cast<LPVOID*>(&KeyboardState.device),
                                  nullptr) != DI_OK) {
    return 0;
  }
  // A device that refuses the format stays open until EndKeyboard releases it.
  if (KeyboardState.device->SetDataFormat(&KeyboardState.format) != DI_OK) return 0;
  KeyboardState.acquisition = kKeyboardOpened;
  return 1;
}

std::int32_t PollKeyboard() {
  // Without a device (InitKeyboard failed or never ran) there is nothing to read, and the
  // snapshot stays as it is.
  IDirectInputDevice7A* device = KeyboardState.device;
  if (!device) return 0;
  if (KeyboardState.acquisition == kKeyboardOpened) {
    device->SetCooperativeLevel(ScreenState.window, kExclusiveForeground);
    device->Acquire();
    KeyboardState.acquisition = kKeyboardAcquired;
  }
  if (device->GetDeviceState(kKeyCount, KeyboardState.keys) == DI_OK) return 1;
  // Lost or never had the keyboard: let go of it completely and ask for it again, so the
  // next poll can read if the window has the foreground by then.
  device->Unacquire();
  device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE);
  device->SetCooperativeLevel(ScreenState.window, kExclusiveForeground);
  device->Acquire();
  return 0;
}

std::int32_t KeyDown(std::int32_t code) {
  if (code == kAnyKey) {
    // The last code is left out of "any key".
    for (DWORD i = 0; i < kKeyCount - 1; ++i) {
      if (KeyboardState.keys[i] & kDownBit) return 1;
    }
    return 0;
  }
  if (code < 0 || code >= static_cast<std::int32_t>(kKeyCount)) return 0;
  return KeyboardState.keys[code] & kDownBit;
}

// Ending twice ends nothing more: the second call would give up a use of DirectInput
// that is no longer held.
void EndKeyboard() {
  if (!KeyboardState.started) return;
  KeyboardState.started = 0;
  if (IDirectInputDevice7A* device = KeyboardState.device) {
    device->Unacquire();
    device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE);
    device->Release();
    KeyboardState.device = nullptr;
  }
  CloseDirectInput();
}
