// The mouse library against doubles of DirectInput: the calls it makes, in order, and
// what it makes of their results.
#include "input/mouse.h"

#include <vector>

#include "input/input_state.h"
#include "input/keyboard.h"
#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "screen/screen_state.h"
#include "tests/support/directinput_doubles.h"

namespace {

using testing::_;
using testing::DoAll;
using testing::InSequence;
using testing::Ref;
using testing::Return;
using testing::SetArgPointee;
using testing::StrictMock;

constexpr DWORD kExclusiveForeground = 5;

DIDEVICEOBJECTDATA Event(DWORD offset, DWORD data) { return {offset, data, 0, 0}; }
DIDEVICEOBJECTDATA Motion(DWORD offset, std::int32_t delta) {
  return Event(offset, static_cast<DWORD>(delta));
}

// A GetDeviceData asked for the library's buffer of 24 that hands out the events.
auto Deliver(std::vector<DIDEVICEOBJECTDATA> events, HRESULT result = DI_OK) {
  return [events, result](DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags) {
    EXPECT_EQ(size, 16u);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(*inOut, 24u);
    EXPECT_EQ(flags, 0u);
    for (std::size_t i = 0; i < events.size(); ++i) data[i] = events[i];
    *inOut = static_cast<DWORD>(events.size());
    return result;
  };
}

// A mouse opened through the doubles on an active 800 x 600 screen.
class MouseTest : public InputLibraryTest {
 protected:
  void SetUp() override {
    InputLibraryTest::SetUp();
    MouseState = {};
    saved = ScreenState;
    ScreenState.active = 1;
    ScreenState.width = 800;
    ScreenState.height = 600;
  }
  void TearDown() override {
    // The runtime's end must not reach the doubles through EndMouse.
    MouseState = {};
    ScreenState.active = saved.active;
    ScreenState.width = saved.width;
    ScreenState.height = saved.height;
    InputLibraryTest::TearDown();
  }

  void OpenMouse() {
    WillCreate(&object);
    WillCreateDevice(object, &device);
    EXPECT_CALL(device, SetDataFormat(&MouseDataFormat)).WillOnce(Return(DI_OK));
    ASSERT_EQ(InitMouse(), 1);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  // The set-up's calls in their order, the wheel's granularity answered as given.
  void ExpectSetUp(HRESULT granularityResult, DWORD granularity) {
    InSequence order;
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, SetProperty(Ref(DIPROP_BUFFERSIZE), _))
        .WillOnce([](REFGUID, LPCDIPROPHEADER header) {
          auto* property = reinterpret_cast<const DIPROPDWORD*>(header);
          EXPECT_EQ(header->dwSize, 20u);
          EXPECT_EQ(header->dwHeaderSize, 16u);
          EXPECT_EQ(header->dwObj, 0u);
          EXPECT_EQ(header->dwHow, DWORD{DIPH_DEVICE});
          EXPECT_EQ(property->dwData, 24u);
          return DI_OK;
        });
    EXPECT_CALL(device, Acquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, GetProperty(Ref(DIPROP_GRANULARITY), _))
        .WillOnce([=](REFGUID, LPDIPROPHEADER header) {
          EXPECT_EQ(header->dwSize, 20u);
          EXPECT_EQ(header->dwHeaderSize, 16u);
          EXPECT_EQ(header->dwObj, 8u);
          EXPECT_EQ(header->dwHow, DWORD{DIPH_BYOFFSET});
          reinterpret_cast<DIPROPDWORD*>(header)->dwData = granularity;
          return granularityResult;
        });
  }
  // Opened and set up by a first poll that reads the events.
  void OpenAndPoll(std::vector<DIDEVICEOBJECTDATA> events, DWORD granularity = 120) {
    OpenMouse();
    ExpectSetUp(DI_OK, granularity);
    EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver(std::move(events)));
    ASSERT_EQ(PollMouse(), 1);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  void Poll(std::vector<DIDEVICEOBJECTDATA> events, std::int32_t expected = 1) {
    EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver(std::move(events)));
    EXPECT_EQ(PollMouse(), expected);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  void ExpectEnd() {
    InSequence order;
    EXPECT_CALL(device, Release).WillOnce(Return(0));
    EXPECT_CALL(object, Release).WillOnce(Return(0));
  }

  StrictMock<DirectInputDouble> object;
  StrictMock<DeviceDouble> device;
  ScreenLibraryState saved{};
};

using MouseInitTest = MouseTest;
using MouseSetUpTest = MouseTest;
using MousePositionTest = MouseTest;
using MouseWheelTest = MouseTest;
using MouseButtonTest = MouseTest;
using MouseReadFailureTest = MouseTest;
using MouseEndTest = MouseTest;

TEST_F(MouseInitTest, OpensTheSystemMouseWithTheStandardMouseFormat) {
  WillCreate(&object);
  GivenFormat given;
  WillOpenDevice(object, GUID_SysMouse, device, &given);
  const DIDATAFORMAT& format = given.format;
  const std::vector<DIOBJECTDATAFORMAT>& objects = given.objects;
  // No cooperative level, buffer or acquisition yet: the strict device refuses them.
  EXPECT_EQ(InitMouse(), 1);

  EXPECT_EQ(format.dwSize, sizeof(DIDATAFORMAT));
  EXPECT_EQ(format.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
  EXPECT_EQ(format.dwFlags, 2u);
  EXPECT_EQ(format.dwDataSize, 16u);
  ASSERT_EQ(format.dwNumObjs, 7u);
  const DIOBJECTDATAFORMAT expected[7] = {
      {&GUID_XAxis, 0, 0x00FFFF03, 0}, {&GUID_YAxis, 4, 0x00FFFF03, 0},
      {&GUID_ZAxis, 8, 0x80FFFF03, 0}, {nullptr, 12, 0x00FFFF0C, 0},
      {nullptr, 13, 0x00FFFF0C, 0},    {nullptr, 14, 0x80FFFF0C, 0},
      {nullptr, 15, 0x80FFFF0C, 0},
  };
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(objects[i].pguid, expected[i].pguid) << i;
    EXPECT_EQ(objects[i].dwOfs, expected[i].dwOfs) << i;
    EXPECT_EQ(objects[i].dwType, expected[i].dwType) << i;
    EXPECT_EQ(objects[i].dwFlags, 0u) << i;
  }
  // The device opened is the one the first poll sets up and reads, and the end releases.
  ExpectSetUp(DI_OK, 120);
  Poll({Motion(DIMOFS_X, 5)});
  EXPECT_EQ(MousePositionX(), 5);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseInitTest, WithoutDirectInputThereIsNoMouseButAUser) {
  standin::RemoveModule("DINPUT.DLL");
  EXPECT_EQ(InitMouse(), 0);
  EXPECT_EQ(PollMouse(), 0);

  // The mouse's use still counts: with DirectInput back, ending the mouse (once, however
  // often it is called) leaves the object to its other user, whose close releases it.
  InstallDoubleModule();
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  EndMouse();
  EndMouse();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(MouseInitTest, NoDeviceFromTheObjectLeavesNothingToPoll) {
  StrictMock<DeviceDouble> written;
  WillCreate(&object);
  EXPECT_CALL(object, CreateDeviceEx)
      .WillOnce(Return(DIERR_DEVICENOTREG))
      .WillOnce(DoAll(SetArgPointee<2>(&written), Return(DIERR_OUTOFMEMORY)))
      .WillOnce(DoAll(SetArgPointee<2>(nullptr), Return(DI_OK)));
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_EQ(InitMouse(), 0) << attempt;
    // Nothing to call: the strict doubles would fail the test.
    EXPECT_EQ(PollMouse(), 0) << attempt;
  }
  // Three uses of DirectInput: the strict object refuses a Release before the third close.
  EndMouse();
  CloseDirectInput();
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(MouseInitTest, ARefusedFormatKeepsTheDeviceUntilTheEndAndItIsReadWithoutSetUp) {
  WillCreate(&object);
  WillCreateDevice(object, &device);
  EXPECT_CALL(device, SetDataFormat).WillOnce(Return(DIERR_INVALIDPARAM));
  EXPECT_EQ(InitMouse(), 0);
  // No cooperative level, buffer or acquisition: the strict device refuses them.
  Poll({Motion(DIMOFS_X, 5)});
  EXPECT_EQ(MousePositionX(), 5);
  ExpectEnd();
  EndMouse();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(MouseSetUpTest, TheFirstPollSetsUpAndLaterPollsOnlyRead) {
  OpenMouse();
  ExpectSetUp(DI_OK, 120);
  EXPECT_CALL(device, GetDeviceData)
      .WillOnce(Deliver({}))
      .WillOnce(Deliver({}))
      .WillOnce(Deliver({Motion(DIMOFS_Z, 240)}));
  EXPECT_EQ(PollMouse(), 1);
  EXPECT_EQ(PollMouse(), 1);
  EXPECT_EQ(PollMouse(), 1);
  // The granularity the set-up read divides the wheel's turn.
  EXPECT_EQ(MouseWheelMotion(), 2);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, AFailedStepStopsTheSetUpAndTheNextPollBeginsAgain) {
  OpenMouse();
  for (int failing = 0; failing < 3; ++failing) {
    {
      InSequence order;
      EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground))
          .WillOnce(Return(failing == 0 ? E_HANDLE : DI_OK));
      if (failing >= 1) {
        EXPECT_CALL(device, SetProperty(Ref(DIPROP_BUFFERSIZE), _))
            .WillOnce(Return(failing == 1 ? DIERR_ACQUIRED : DI_OK));
      }
      // Even "already acquired" is not success.
      if (failing >= 2) EXPECT_CALL(device, Acquire).WillOnce(Return(S_FALSE));
    }
    EXPECT_EQ(PollMouse(), 0) << failing;
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  ExpectSetUp(DI_OK, 120);
  EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver({Motion(DIMOFS_X, 3)}));
  EXPECT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseMotionX(), 3);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, AWheelWithoutGranularityCountsOneUnitAStep) {
  OpenMouse();
  ExpectSetUp(DIERR_UNSUPPORTED, 120);
  EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver({Motion(DIMOFS_Z, 7)}));
  EXPECT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseWheelMotion(), 7);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, AReleasedMouseIsLetGoAndSetUpAgainWhenTakenBack) {
  OpenAndPoll({});
  EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_OK));
  SetMouseReleased(1);
  testing::Mock::VerifyAndClearExpectations(&device);
  // Released: each poll lets go again and reads nothing.
  EXPECT_CALL(device, Unacquire).Times(2).WillRepeatedly(Return(DI_NOEFFECT));
  EXPECT_EQ(PollMouse(), 0);
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);

  SetMouseReleased(0);
  ExpectSetUp(DI_OK, 240);
  EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver({Motion(DIMOFS_Z, 480)}));
  EXPECT_EQ(PollMouse(), 1);
  EXPECT_EQ(MouseWheelMotion(), 2);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, OnlyOneTakesTheMouseAway) {
  OpenAndPoll({});
  // Anything but 1 takes the mouse back, and it was never released: nothing to call.
  SetMouseReleased(2);
  SetMouseReleased(-1);
  // Still set up: the next poll only reads.
  Poll({Motion(DIMOFS_X, 1)});
  EXPECT_EQ(MouseMotionX(), 1);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, AnInactiveScreenLetsTheMouseGoAndReadsNothing) {
  OpenMouse();
  ScreenState.active = 0;
  EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  // The set-up waits for an active screen.
  ScreenState.active = 1;
  ExpectSetUp(DI_OK, 120);
  Poll({Motion(DIMOFS_Y, 2)});
  EXPECT_EQ(MouseMotionY(), 2);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseSetUpTest, TheWindowProcedureLetsTheMouseGoWhenTheWindowIsDeactivated) {
  // Before the mouse library has a device only the screen becomes inactive: the first
  // poll lets the mouse go and reads nothing.
  EXPECT_EQ(ScreenWindowProc(kWindow, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0), 0);
  OpenMouse();
  EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);

  EXPECT_EQ(ScreenWindowProc(kWindow, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0), 0);
  ExpectSetUp(DI_OK, 120);
  Poll({});

  EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_OK)).WillOnce(Return(DI_NOEFFECT));
  EXPECT_EQ(ScreenWindowProc(kWindow, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0), 0);
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);

  EXPECT_EQ(ScreenWindowProc(kWindow, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0), 0);
  Poll({});
  ExpectEnd();
  EndMouse();
}

TEST_F(MousePositionTest, MotionsMoveThePositionAndTheScreenBoundsIt) {
  OpenAndPoll({});
  SetMousePosition(10, 20);
  Poll({Motion(DIMOFS_X, -30), Motion(DIMOFS_Y, 5), Motion(DIMOFS_Y, 6)});
  EXPECT_EQ(MouseMotionX(), -30);
  EXPECT_EQ(MouseMotionY(), 11);
  EXPECT_EQ(MousePositionX(), 0);
  EXPECT_EQ(MousePositionY(), 31);
  Poll({Motion(DIMOFS_X, 799), Motion(DIMOFS_Y, -31)});
  EXPECT_EQ(MousePositionX(), 799);
  EXPECT_EQ(MousePositionY(), 0);
  Poll({Motion(DIMOFS_X, 1), Motion(DIMOFS_Y, 1000)});
  EXPECT_EQ(MouseMotionX(), 1);
  EXPECT_EQ(MousePositionX(), 799);
  EXPECT_EQ(MousePositionY(), 599);
  Poll({Motion(DIMOFS_X, -1)});
  EXPECT_EQ(MousePositionX(), 798);
  EXPECT_EQ(MouseMotionY(), 0);
  ExpectEnd();
  EndMouse();
}

TEST_F(MousePositionTest, ASetPositionStaysAsGivenUntilAPollReads) {
  OpenAndPoll({});
  SetMousePosition(-5, 5000);
  EXPECT_EQ(MousePositionX(), -5);
  EXPECT_EQ(MousePositionY(), 5000);
  EXPECT_CALL(device, GetDeviceData).WillOnce(Return(DIERR_GENERIC));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  EXPECT_EQ(MousePositionX(), -5);
  EXPECT_EQ(MousePositionY(), 5000);
  Poll({});
  EXPECT_EQ(MousePositionX(), 0);
  EXPECT_EQ(MousePositionY(), 599);
  ExpectEnd();
  EndMouse();
}

TEST_F(MousePositionTest, EveryPollThatReadsNothingLeavesNoMotion) {
  OpenAndPoll({});
  const std::vector<DIDEVICEOBJECTDATA> moving = {Motion(DIMOFS_X, 4), Motion(DIMOFS_Y, -4),
                                                  Motion(DIMOFS_Z, 240)};
  auto moved = [&] {
    SetMousePosition(100, 100);
    Poll(moving);
    ASSERT_EQ(MouseMotionX(), 4);
    ASSERT_EQ(MouseMotionY(), -4);
    ASSERT_EQ(MouseWheelMotion(), 2);
  };
  auto still = [](const char* why) {
    EXPECT_EQ(MouseMotionX(), 0) << why;
    EXPECT_EQ(MouseMotionY(), 0) << why;
    EXPECT_EQ(MouseWheelMotion(), 0) << why;
    EXPECT_EQ(MousePositionX(), 104) << why;
    EXPECT_EQ(MousePositionY(), 96) << why;
  };
  moved();
  EXPECT_CALL(device, GetDeviceData).WillOnce(Deliver(moving, DI_BUFFEROVERFLOW));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  still("overflow");

  moved();
  EXPECT_CALL(device, GetDeviceData).WillOnce(Return(DIERR_INPUTLOST));
  EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  still("input lost");

  moved();
  ScreenState.active = 0;
  EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_OK));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  still("inactive");
  ScreenState.active = 1;
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseWheelTest, TheWheelCountsWholeStepsTowardZero) {
  OpenAndPoll({}, 120);
  Poll({Motion(DIMOFS_Z, 120), Motion(DIMOFS_Z, 120)});
  EXPECT_EQ(MouseWheelMotion(), 2);
  Poll({Motion(DIMOFS_Z, -119)});
  EXPECT_EQ(MouseWheelMotion(), 0);
  Poll({Motion(DIMOFS_Z, -120), Motion(DIMOFS_Z, -239)});
  EXPECT_EQ(MouseWheelMotion(), -2);
  // The wheel does not move the position.
  EXPECT_EQ(MousePositionX(), 0);
  EXPECT_EQ(MousePositionY(), 0);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseWheelTest, AGranularityOfZeroBecomesOne) {
  OpenAndPoll({Motion(DIMOFS_Z, 37)}, 0);
  EXPECT_EQ(MouseWheelMotion(), 37);
  Poll({Motion(DIMOFS_Z, -5)});
  EXPECT_EQ(MouseWheelMotion(), -5);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseButtonTest, Bit7OfEachEventTellsTheButtonDown) {
  OpenAndPoll(
      {Event(DIMOFS_BUTTON0, 128), Event(DIMOFS_BUTTON1, 0xFF), Event(DIMOFS_BUTTON2, 0x80)});
  EXPECT_EQ(MouseButtonDown(1), 1);
  EXPECT_EQ(MouseButtonDown(2), 1);
  EXPECT_EQ(MouseButtonDown(3), 1);
  Poll({Event(DIMOFS_BUTTON0, 0), Event(DIMOFS_BUTTON1, 0x7F)});
  EXPECT_EQ(MouseButtonDown(1), 0);
  EXPECT_EQ(MouseButtonDown(2), 0);
  EXPECT_EQ(MouseButtonDown(3), 1);
  // The last event of a button counts.
  Poll({Event(DIMOFS_BUTTON0, 0x80), Event(DIMOFS_BUTTON0, 0), Event(DIMOFS_BUTTON2, 0)});
  EXPECT_EQ(MouseButtonDown(1), 0);
  EXPECT_EQ(MouseButtonDown(3), 0);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseButtonTest, TheFourthButtonAndUnknownOffsetsChangeNothing) {
  OpenAndPoll({Event(DIMOFS_BUTTON0, 0x80)});
  SetMousePosition(50, 60);
  Poll({Event(DIMOFS_BUTTON3, 0x80), Event(16, 0x80), Event(3, 5), Event(99, 5)});
  EXPECT_EQ(MouseButtonDown(1), 1);
  EXPECT_EQ(MouseButtonDown(2), 0);
  EXPECT_EQ(MouseButtonDown(3), 0);
  EXPECT_EQ(MouseMotionX(), 0);
  EXPECT_EQ(MouseMotionY(), 0);
  EXPECT_EQ(MouseWheelMotion(), 0);
  EXPECT_EQ(MousePositionX(), 50);
  EXPECT_EQ(MousePositionY(), 60);
  for (std::int32_t button : {0, 4, -1, 100}) EXPECT_EQ(MouseButtonDown(button), 0) << button;
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseButtonTest, AnOverflowLetsTheMainButtonsUpAndUsesNoEvent) {
  OpenAndPoll({Event(DIMOFS_BUTTON0, 0x80), Event(DIMOFS_BUTTON1, 0x80),
               Event(DIMOFS_BUTTON2, 0x80), Motion(DIMOFS_X, 30), Motion(DIMOFS_Y, 40)});
  EXPECT_CALL(device, GetDeviceData)
      .WillOnce(
          Deliver({Motion(DIMOFS_X, 10), Event(DIMOFS_BUTTON2, 0), Event(DIMOFS_BUTTON0, 0x80)},
                  DI_BUFFEROVERFLOW));
  EXPECT_EQ(PollMouse(), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  EXPECT_EQ(MouseButtonDown(1), 0);
  EXPECT_EQ(MouseButtonDown(2), 0);
  EXPECT_EQ(MouseButtonDown(3), 1);
  EXPECT_EQ(MousePositionX(), 30);
  EXPECT_EQ(MousePositionY(), 40);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseReadFailureTest, ALostOrUnacquiredMouseIsAcquiredAgain) {
  OpenAndPoll({});
  for (HRESULT lost : {DIERR_INPUTLOST, DIERR_NOTACQUIRED}) {
    InSequence order;
    EXPECT_CALL(device, GetDeviceData).WillOnce(Return(lost));
    // What Acquire answers is not looked at.
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
    EXPECT_EQ(PollMouse(), 0);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  // Other failures are only failures.
  for (HRESULT other : {DIERR_GENERIC, DIERR_INVALIDPARAM, DIERR_NOTBUFFERED}) {
    EXPECT_CALL(device, GetDeviceData).WillOnce(Return(other));
    EXPECT_EQ(PollMouse(), 0);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  Poll({Motion(DIMOFS_X, 2)});
  EXPECT_EQ(MousePositionX(), 2);
  ExpectEnd();
  EndMouse();
}

TEST_F(MouseReadFailureTest, PollingBeforeAnyInitDoesNothing) {
  SetMousePosition(3, 4);
  EXPECT_EQ(PollMouse(), 0);
  EXPECT_EQ(MousePositionX(), 3);
  EXPECT_EQ(MousePositionY(), 4);
  // Without a device there is nothing to let go.
  UncaptureMouse();
  SetMouseReleased(1);
  EXPECT_EQ(PollMouse(), 0);
}

TEST_F(MouseEndTest, EndingFreesTheCursorAndReleasesWithoutLettingGo) {
  standin::HeadlessDisplay& display = standin::UseHeadlessDisplay();
  RECT screen{0, 0, 800, 600};
  ClipCursor(&screen);
  OpenAndPoll({});
  // Release only: no Unacquire, which the strict double would refuse.
  ExpectEnd();
  EndMouse();
  EXPECT_FALSE(display.CursorClip().has_value());
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
  testing::Mock::VerifyAndClearExpectations(&object);
  // A second end gives up nothing more: it leaves a new clip alone, the strict device
  // refuses more calls, and the next user of DirectInput is its only one.
  ClipCursor(&screen);
  EndMouse();
  EXPECT_TRUE(display.CursorClip().has_value());
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  standin::UseSdlDisplay();
}

TEST_F(MouseEndTest, EndingWithoutInitDoesNothing) {
  standin::HeadlessDisplay& display = standin::UseHeadlessDisplay();
  RECT screen{0, 0, 800, 600};
  ClipCursor(&screen);
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  // The strict object would fail the test on a Release.
  EndMouse();
  EXPECT_TRUE(display.CursorClip().has_value());
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  standin::UseSdlDisplay();
}

TEST_F(MouseEndTest, TheMouseAndTheKeyboardShareOneDirectInputReleasedByTheLastEnd) {
  OpenMouse();
  StrictMock<DeviceDouble> keyboard;
  // The double's creator is asked only once.
  WillCreateDevice(object, &keyboard);
  EXPECT_CALL(keyboard, SetDataFormat).WillOnce(Return(DI_OK));
  ASSERT_EQ(InitKeyboard(), 1);
  {
    InSequence order;
    EXPECT_CALL(keyboard, Unacquire).WillOnce(Return(DI_NOEFFECT));
    EXPECT_CALL(keyboard, SetCooperativeLevel(nullptr, DWORD{DISCL_NONEXCLUSIVE}))
        .WillOnce(Return(DI_OK));
    EXPECT_CALL(keyboard, Release).WillOnce(Return(0));
  }
  // The strict object refuses a Release while the mouse holds it.
  EndKeyboard();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
  ExpectEnd();
  EndMouse();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
  KeyboardState = {};
}

}  // namespace
