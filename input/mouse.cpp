// The mouse: an exclusive, foreground DirectInput device read as buffered events once
// per poll, its position kept inside the open screen.
#include "input/mouse.h"

#include "input/directinput.h"
#include "input/input_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"

MouseLibraryState MouseState = {};

namespace {

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
constexpr DWORD kButtonDown = 0x80;

DIOBJECTDATAFORMAT mouseObjects[] = {
    {&GUID_XAxis, DIMOFS_X, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, DIMOFS_Y, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_ZAxis, DIMOFS_Z, DIDFT_AXIS | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON0, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON1, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON2, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, DIMOFS_BUTTON3, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
};

DIPROPDWORD bufferSize = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE},
                          kMouseEventCount};

// Cooperative level, buffer and acquisition, in that order; false at the first step that
// fails, to be tried again from the start at the next poll. The wheel's granularity is
// asked once the device is acquired; without one a step is one unit.
bool SetUp(IDirectInputDevice7A* device) {
  if (device->SetCooperativeLevel(ScreenState.window, kExclusiveForeground) != DI_OK) return false;
  if (device->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph) != DI_OK) return false;
  if (device->Acquire() != DI_OK) return false;
  MouseState.acquisition = kMouseAcquired;
  DIPROPDWORD granularity = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIMOFS_Z, DIPH_BYOFFSET},
                             0};
  MouseState.wheelGranularity = device->GetProperty(DIPROP_GRANULARITY, &granularity.diph) == DI_OK
                                    ? static_cast<std::int32_t>(granularity.dwData)
                                    : 1;
  return true;
}

void Apply(const DIDEVICEOBJECTDATA& event) {
  auto value = static_cast<std::int32_t>(event.dwData);
  std::int32_t down = (event.dwData & kButtonDown) ? 1 : 0;
  switch (event.dwOfs) {
    case DIMOFS_X:
      MouseState.motionX += value;
      break;
    case DIMOFS_Y:
      MouseState.motionY += value;
      break;
    case DIMOFS_Z:
      MouseState.wheelMotion += value;
      break;
    case DIMOFS_BUTTON0:
      MouseState.button1 = down;
      break;
    case DIMOFS_BUTTON1:
      MouseState.button2 = down;
      break;
    case DIMOFS_BUTTON2:
      MouseState.button3 = down;
      break;
    default:
      break;
  }
}

std::int32_t Clamp(std::int32_t value, std::int32_t size) {
  if (value < 0) return 0;
  if (value >= size) return size - 1;
  return value;
}

}  // namespace

const DIDATAFORMAT MouseDataFormat = {sizeof(DIDATAFORMAT),
                                      sizeof(DIOBJECTDATAFORMAT),
                                      DIDF_RELAXIS,
                                      sizeof(DIMOUSESTATE),
                                      sizeof mouseObjects / sizeof mouseObjects[0],
                                      mouseObjects};

std::int32_t InitMouse() {
  IDirectInput7A* directInput = OpenDirectInput();
  MouseState.started = 1;
  MouseState.device = nullptr;
  if (!directInput) return 0;
  if (directInput->CreateDeviceEx(GUID_SysMouse, IID_IDirectInputDevice7A,
                                  reinterpret_cast<LPVOID*>(&MouseState.device),
                                  nullptr) != DI_OK ||
      !MouseState.device) {
    // A creator that fails may still have written to the device reference.
    MouseState.device = nullptr;
    return 0;
  }
  // A device that refuses the format stays open until EndMouse releases it.
  if (MouseState.device->SetDataFormat(&MouseDataFormat) != DI_OK) return 0;
  MouseState.acquisition = kMouseSetUpPending;
  MouseState.released = 0;
  return 1;
}

std::int32_t PollMouse() {
  MouseState.motionX = 0;
  MouseState.motionY = 0;
  MouseState.wheelMotion = 0;
  IDirectInputDevice7A* device = MouseState.device;
  if (!device) return 0;
  if (!ScreenState.active || MouseState.released) {
    UncaptureMouse();
    return 0;
  }
  if (MouseState.acquisition == kMouseSetUpPending && !SetUp(device)) return 0;
  DWORD count = kMouseEventCount;
  HRESULT result = device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), MouseState.events, &count, 0);
  // The Windows SDK's error codes are not all constant expressions: no switch.
  if (result == DI_OK) {
    for (DWORD i = 0; i < count; ++i) Apply(MouseState.events[i]);
    MouseState.positionX = Clamp(MouseState.positionX + MouseState.motionX, ScreenState.width);
    MouseState.positionY = Clamp(MouseState.positionY + MouseState.motionY, ScreenState.height);
    return 1;
  }
  if (result == DI_BUFFEROVERFLOW) {
    // Releases may be among the events lost: the two main buttons read as up.
    MouseState.button1 = 0;
    MouseState.button2 = 0;
  } else if (result == DIERR_INPUTLOST || result == DIERR_NOTACQUIRED) {
    device->Acquire();
  }
  return 0;
}

std::int32_t MousePositionX() { return MouseState.positionX; }
std::int32_t MousePositionY() { return MouseState.positionY; }
std::int32_t MouseMotionX() { return MouseState.motionX; }
std::int32_t MouseMotionY() { return MouseState.motionY; }

std::int32_t MouseWheelMotion() {
  if (MouseState.wheelGranularity == 0) MouseState.wheelGranularity = 1;
  return MouseState.wheelMotion / MouseState.wheelGranularity;
}

std::int32_t MouseButtonDown(std::int32_t button) {
  switch (button) {
    case 1:
      return MouseState.button1;
    case 2:
      return MouseState.button2;
    case 3:
      return MouseState.button3;
    default:
      return 0;
  }
}

void SetMousePosition(std::int32_t x, std::int32_t y) {
  MouseState.positionX = x;
  MouseState.positionY = y;
}

void SetMouseReleased(std::int32_t released) {
  if (released == 1) {
    MouseState.acquisition = kMouseSetUpPending;
    MouseState.released = 1;
    UncaptureMouse();
  } else {
    MouseState.released = 0;
  }
}

void UncaptureMouse() {
  if (MouseState.device) MouseState.device->Unacquire();
}

// Ending twice ends nothing more: the second call would give up a use of DirectInput
// that is no longer held.
void EndMouse() {
  if (!MouseState.started) return;
  MouseState.started = 0;
  ClipCursor(nullptr);
  if (IDirectInputDevice7A* device = MouseState.device) {
    device->Release();
    MouseState.device = nullptr;
  }
  CloseDirectInput();
}
