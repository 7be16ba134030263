// The stand-in's mouse device over a headless display's scripted mouse: formats,
// properties, buffered events, acquisition and the states a program reads.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "input/directinput.h"
#include "input/input_state.h"
#include "input/mouse.h"
#include "platform/posix/standin.h"
#include "tests/standin/dinput/directinput_fixture.h"

namespace {

DIPROPDWORD DeviceProperty(DWORD value = 0) {
  return {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, value};
}
DIPROPDWORD PropertyAt(DWORD offset) {
  return {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), offset, DIPH_BYOFFSET}, 0};
}

// The system's "DINPUT.DLL" and its mouse with the library's format, on a scripted clock.
class StandInMouseTest : public StandInDirectInputTest {
 protected:
  void SetUp() override {
    StandInDirectInputTest::SetUp();
    standin::SetTickSource([this] { return tick; });
    OpenDevice(GUID_SysMouse);
  }
  void TearDown() override {
    StandInDirectInputTest::TearDown();
    standin::SetTickSource({});
  }

  // Formatted, exclusive in the foreground, buffering `size` events and acquired.
  void Ready(DWORD size) {
    ASSERT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
    desktop.Foreground(window);
    ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
    DIPROPDWORD buffer = DeviceProperty(size);
    ASSERT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
  }
  // Up to `room` buffered events, with the result expected.
  std::vector<DIDEVICEOBJECTDATA> Read(DWORD room = 64, HRESULT expected = DI_OK) {
    std::vector<DIDEVICEOBJECTDATA> events(room);
    DWORD count = room;
    EXPECT_EQ(device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events.data(), &count, 0),
              expected);
    events.resize(expected == DI_OK || expected == DI_BUFFEROVERFLOW ? count : 0);
    return events;
  }
  static std::vector<std::pair<DWORD, std::int32_t>> OffsetsAndData(
      const std::vector<DIDEVICEOBJECTDATA>& events) {
    std::vector<std::pair<DWORD, std::int32_t>> pairs;
    for (const DIDEVICEOBJECTDATA& event : events) {
      pairs.emplace_back(event.dwOfs, static_cast<std::int32_t>(event.dwData));
    }
    return pairs;
  }

  DWORD tick = 1000;
};

using Pairs = std::vector<std::pair<DWORD, std::int32_t>>;

using MouseDeviceFormatTest = StandInMouseTest;
using MouseDevicePropertyTest = StandInMouseTest;
using MouseDeviceDataTest = StandInMouseTest;
using MouseDeviceAcquisitionTest = StandInMouseTest;

// A format of its own objects, laid out in `size` bytes.
struct Layout {
  std::vector<DIOBJECTDATAFORMAT> objects;
  DIDATAFORMAT format{};
  Layout(std::vector<DIOBJECTDATAFORMAT> given, DWORD size, DWORD flags = DIDF_RELAXIS)
      : objects(std::move(given)) {
    format = {sizeof(DIDATAFORMAT),
              sizeof(DIOBJECTDATAFORMAT),
              flags,
              size,
              static_cast<DWORD>(objects.size()),
              objects.data()};
  }
};

TEST_F(MouseDeviceFormatTest, TheLibrarysFormatIsTakenAndOnesTheMouseCannotFillAreNot) {
  EXPECT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
  const DWORD axis = DIDFT_AXIS | DIDFT_ANYINSTANCE;
  const DWORD button = DIDFT_BUTTON | DIDFT_ANYINSTANCE;
  auto result = [&](std::vector<DIOBJECTDATAFORMAT> objects, DWORD size,
                    DWORD flags = DIDF_RELAXIS) {
    Layout layout(std::move(objects), size, flags);
    return device->SetDataFormat(&layout.format);
  };
  EXPECT_EQ(result({{&GUID_XAxis, 0, axis, 0}}, 15), DIERR_INVALIDPARAM);  // not whole axes
  EXPECT_EQ(result({{&GUID_XAxis, 2, axis, 0}}, 8), DIERR_INVALIDPARAM);   // misaligned
  EXPECT_EQ(result({{&GUID_XAxis, 8, axis, 0}}, 8), DIERR_INVALIDPARAM);   // outside
  EXPECT_EQ(result({{&GUID_XAxis, 0, axis, 0}, {nullptr, 3, button, 0}}, 4),
            DIERR_INVALIDPARAM);  // overlapping
  EXPECT_EQ(result({{&GUID_Key, 0, axis, 0}}, 4), DIERR_INVALIDPARAM);
  EXPECT_EQ(result({{&GUID_XAxis, 0, DIDFT_AXIS | DIDFT_MAKEINSTANCE(1), 0}}, 4),
            DIERR_INVALIDPARAM);  // instance 1 is y
  EXPECT_EQ(result({{&GUID_XAxis, 0, axis, 0}}, 4, DIDF_RELAXIS | DIDF_ABSAXIS),
            DIERR_INVALIDPARAM);
  // Five buttons: the fifth is refused unless optional.
  std::vector<DIOBJECTDATAFORMAT> buttons;
  for (DWORD i = 0; i < 5; ++i) buttons.push_back({nullptr, i, button, 0});
  EXPECT_EQ(result(buttons, 8), DIERR_INVALIDPARAM);
  buttons[4].dwType |= DIDFT_OPTIONAL;
  EXPECT_EQ(result(buttons, 8), DI_OK);
  // The keyboard's layout of 256 buttons.
  std::vector<DIOBJECTDATAFORMAT> keys;
  for (DWORD i = 0; i < 256; ++i) keys.push_back({&GUID_Key, i, DIDFT_BUTTON, 0});
  EXPECT_EQ(result(keys, 256), DIERR_INVALIDPARAM);
}

TEST_F(MouseDeviceFormatTest, EventsCarryTheOffsetsTheFormatGaveTheirObjects) {
  // The wheel at 0, y at 4 by instance, the first button at 8, x left out.
  Layout layout({{&GUID_ZAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
                 {nullptr, 4, DIDFT_AXIS | DIDFT_MAKEINSTANCE(1), 0},
                 {nullptr, 8, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0}},
                12);
  ASSERT_EQ(device->SetDataFormat(&layout.format), DI_OK);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  DIPROPDWORD buffer = DeviceProperty(8);
  ASSERT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Display().MoveMouse(3, 4);
  desktop.Display().TurnWheel(1);
  desktop.Display().PressButton(0, true);
  desktop.Display().PressButton(1, true);
  EXPECT_EQ(OffsetsAndData(Read()), (Pairs{{4, 4}, {0, 120}, {8, 0x80}}));
  DIPROPDWORD granularity = PropertyAt(0);
  EXPECT_EQ(device->GetProperty(DIPROP_GRANULARITY, &granularity.diph), DI_OK);
  EXPECT_EQ(granularity.dwData, 120u);
}

TEST_F(MouseDevicePropertyTest, TheBufferSizeIsSetWhileNotAcquiredAndReadBack) {
  DIPROPDWORD size = DeviceProperty();
  EXPECT_EQ(device->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
  EXPECT_EQ(size.dwData, 0u);
  Ready(24);
  EXPECT_EQ(device->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
  EXPECT_EQ(size.dwData, 24u);
  DIPROPDWORD other = DeviceProperty(5);
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &other.diph), DIERR_ACQUIRED);
  ASSERT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &other.diph), DI_OK);
  // Setting the same size again is a success like any other.
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &other.diph), DI_OK);
  EXPECT_EQ(device->GetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
  EXPECT_EQ(size.dwData, 5u);

  DIPROPDWORD bad = DeviceProperty(5);
  bad.diph.dwSize = 16;
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &bad.diph), DIERR_INVALIDPARAM);
  bad = DeviceProperty(5);
  bad.diph.dwHeaderSize = 20;
  EXPECT_EQ(device->GetProperty(DIPROP_BUFFERSIZE, &bad.diph), DIERR_INVALIDPARAM);
  bad = PropertyAt(0);
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &bad.diph), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, nullptr), DIERR_INVALIDPARAM);
  // The granularity is only read.
  DIPROPDWORD granularity = PropertyAt(DIMOFS_Z);
  EXPECT_EQ(device->SetProperty(DIPROP_GRANULARITY, &granularity.diph), DIERR_UNSUPPORTED);
}

TEST_F(MouseDevicePropertyTest, TheWheelMoves120AStepAndTheOtherAxesOne) {
  ASSERT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
  auto granularity = [&](DWORD offset, HRESULT expected) {
    DIPROPDWORD property = PropertyAt(offset);
    EXPECT_EQ(device->GetProperty(DIPROP_GRANULARITY, &property.diph), expected) << offset;
    return property.dwData;
  };
  EXPECT_EQ(granularity(DIMOFS_Z, DI_OK), 120u);
  EXPECT_EQ(granularity(DIMOFS_X, DI_OK), 1u);
  EXPECT_EQ(granularity(DIMOFS_Y, DI_OK), 1u);
  granularity(DIMOFS_BUTTON0, DIERR_UNSUPPORTED);
  granularity(16, DIERR_OBJECTNOTFOUND);
  granularity(9, DIERR_OBJECTNOTFOUND);
  DIPROPDWORD wholeDevice = DeviceProperty();
  EXPECT_EQ(device->GetProperty(DIPROP_GRANULARITY, &wholeDevice.diph), DIERR_INVALIDPARAM);
}

TEST_F(MouseDeviceDataTest, EventsSinceTheAcquisitionInTheirOrderWithTimeAndSequence) {
  ASSERT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
  desktop.Display().MoveMouse(50, 50);  // before the acquisition: never read
  desktop.Display().PressButton(2, true);
  Ready(24);
  tick = 2000;
  desktop.Display().MoveMouse(5, -3);
  tick = 2010;
  desktop.Display().PressButton(0, true);
  desktop.Display().TurnWheel(1);
  tick = 2020;
  desktop.Display().TurnWheel(-2);
  desktop.Display().MoveMouse(0, 7);
  desktop.Display().PressButton(0, false);
  desktop.Display().PressButton(2, false);
  desktop.Display().PressButton(3, true);
  std::vector<DIDEVICEOBJECTDATA> events = Read();
  EXPECT_EQ(OffsetsAndData(events), (Pairs{{DIMOFS_X, 5},
                                           {DIMOFS_Y, -3},
                                           {DIMOFS_BUTTON0, 0x80},
                                           {DIMOFS_Z, 120},
                                           {DIMOFS_Z, -240},
                                           {DIMOFS_Y, 7},
                                           {DIMOFS_BUTTON0, 0},
                                           {DIMOFS_BUTTON2, 0},
                                           {DIMOFS_BUTTON3, 0x80}}));
  ASSERT_EQ(events.size(), 9u);
  const DWORD times[9] = {2000, 2000, 2010, 2010, 2020, 2020, 2020, 2020, 2020};
  for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].dwTimeStamp, times[i]) << i;
  // The x and y of one motion happened together.
  EXPECT_EQ(events[0].dwSequence, events[1].dwSequence);
  for (std::size_t i = 2; i < events.size(); ++i) {
    EXPECT_GT(events[i].dwSequence, events[i - 1].dwSequence) << i;
  }
  EXPECT_TRUE(Read().empty());
}

TEST_F(MouseDeviceDataTest, AReadTakesWhatFitsAndLeavesTheRest) {
  Ready(24);
  for (LONG dx = 1; dx <= 5; ++dx) desktop.Display().MoveMouse(dx, 0);
  EXPECT_EQ(OffsetsAndData(Read(2)), (Pairs{{DIMOFS_X, 1}, {DIMOFS_X, 2}}));
  EXPECT_EQ(OffsetsAndData(Read(2)), (Pairs{{DIMOFS_X, 3}, {DIMOFS_X, 4}}));
  // Without a place to copy to, the events are taken out all the same.
  DWORD count = 10;
  EXPECT_EQ(device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, 0), DI_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(Read().empty());
  DIDEVICEOBJECTDATA event;
  count = 1;
  EXPECT_EQ(device->GetDeviceData(12, &event, &count, 0), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->GetDeviceData(sizeof event, &event, nullptr, 0), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->GetDeviceData(sizeof event, &event, &count, 1), DIERR_INVALIDPARAM);
}

TEST_F(MouseDeviceDataTest, MoreEventsThanTheBufferDropTheOldestAndSaySo) {
  Ready(4);
  for (LONG dx = 1; dx <= 6; ++dx) desktop.Display().MoveMouse(dx, 0);
  EXPECT_EQ(OffsetsAndData(Read(64, DI_BUFFEROVERFLOW)),
            (Pairs{{DIMOFS_X, 3}, {DIMOFS_X, 4}, {DIMOFS_X, 5}, {DIMOFS_X, 6}}));
  EXPECT_TRUE(Read().empty());
  // Exactly the buffer's size is no overflow.
  for (LONG dx = 1; dx <= 4; ++dx) desktop.Display().MoveMouse(0, dx);
  EXPECT_EQ(Read().size(), 4u);
}

TEST_F(MouseDeviceDataTest, AButtonReportsChangesOnlyAndTheMouseHasFour) {
  Ready(24);
  desktop.Display().PressButton(1, true);
  desktop.Display().PressButton(1, true);
  desktop.Display().PressButton(4, true);
  desktop.Display().MoveMouse(0, 0);
  desktop.Display().TurnWheel(0);
  desktop.Display().PressButton(1, false);
  EXPECT_EQ(OffsetsAndData(Read()), (Pairs{{DIMOFS_BUTTON1, 0x80}, {DIMOFS_BUTTON1, 0}}));
}

TEST_F(MouseDeviceDataTest, ABufferMustBeAskedFor) {
  ASSERT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Display().MoveMouse(1, 1);
  Read(8, DIERR_NOTBUFFERED);
}

TEST_F(MouseDeviceDataTest, TheStateHoldsTheMotionSinceTheLastStateAndTheButtons) {
  Ready(24);
  desktop.Display().MoveMouse(3, 4);
  desktop.Display().MoveMouse(-1, 1);
  desktop.Display().TurnWheel(-1);
  desktop.Display().PressButton(2, true);
  DIMOUSESTATE state;
  std::memset(&state, 0x55, sizeof state);
  ASSERT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 2);
  EXPECT_EQ(state.lY, 5);
  EXPECT_EQ(state.lZ, -120);
  EXPECT_EQ((std::array<BYTE, 4>{state.rgbButtons[0], state.rgbButtons[1], state.rgbButtons[2],
                                 state.rgbButtons[3]}),
            (std::array<BYTE, 4>{0, 0, 0x80, 0}));
  ASSERT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 0);
  EXPECT_EQ(state.lY, 0);
  EXPECT_EQ(state.rgbButtons[2], 0x80);
  // The buffer still has every event.
  EXPECT_EQ(Read().size(), 6u);
}

TEST_F(MouseDeviceAcquisitionTest, TheForegroundRulesOfEveryDevice) {
  ASSERT_EQ(device->SetDataFormat(&MouseDataFormat), DI_OK);
  DIPROPDWORD buffer = DeviceProperty(24);
  ASSERT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), DI_OK);
  Read(8, DIERR_NOTACQUIRED);
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  desktop.Foreground(otherWindow);
  EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
  desktop.Foreground(window);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Display().MoveMouse(1, 0);
  EXPECT_EQ(Read().size(), 1u);
  desktop.Display().MoveMouse(2, 0);
  desktop.Foreground(otherWindow);
  Read(8, DIERR_INPUTLOST);
  Read(8, DIERR_NOTACQUIRED);
  desktop.Foreground(window);
  ASSERT_EQ(device->Acquire(), DI_OK);
  // What happened while it was lost is not read.
  EXPECT_TRUE(Read().empty());
  ASSERT_EQ(device->Unacquire(), DI_OK);
  // Unlike the keyboard, a mouse may be kept exclusively in the background.
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
}

}  // namespace
