// The keyboard library against doubles of DirectInput: the calls it makes, in order,
// and what it makes of their results.
#include "input/keyboard.h"

#include <climits>

#include "platform/posix/standin.h"
#include "runtime/runtime_state.h"
#include "tests/support/directinput_doubles.h"
#include "tests/support/heap_blocks.h"

namespace {

using testing::_;
using testing::InSequence;
using testing::Invoke;
using testing::NotNull;
using testing::Return;
using testing::StrictMock;

constexpr DWORD kExclusiveForeground = 5;
constexpr DWORD kNonExclusive = 2;

// A keyboard opened through the doubles; ends it the way it must be ended.
class KeyboardTest : public InputLibraryTest {
 protected:
  void OpenKeyboard() {
    WillCreate(&object);
    WillCreateDevice(object, &device);
    EXPECT_CALL(device, SetDataFormat(NotNull())).WillOnce(Return(DI_OK));
    ASSERT_EQ(InitKeyboard(), 1);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  // The first poll, reading the snapshot.
  void FirstPoll(Keys keys) {
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, GetDeviceState(256, NotNull())).WillOnce(Invoke(Deliver(keys)));
    ASSERT_EQ(PollKeyboard(), 1);
    testing::Mock::VerifyAndClearExpectations(&device);
  }
  void ExpectEnd() {
    InSequence order;
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, SetCooperativeLevel(nullptr, kNonExclusive)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Release).WillOnce(Return(0));
    EXPECT_CALL(object, Release).WillOnce(Return(0));
  }
  StrictMock<DirectInputDouble> object;
  StrictMock<DeviceDouble> device;
};

using KeyboardInitTest = KeyboardTest;
using KeyboardPollTest = KeyboardTest;
using KeyDownTest = KeyboardTest;
using KeyboardEndTest = KeyboardTest;

TEST_F(KeyboardInitTest, OpensTheSystemKeyboardWithOneButtonPerKey) {
  WillCreate(&object);
  GivenFormat given;
  WillOpenDevice(object, GUID_SysKeyboard, device, &given);
  const DIDATAFORMAT& format = given.format;
  const std::vector<DIOBJECTDATAFORMAT>& objects = given.objects;
  // No cooperative level and no acquisition yet: the strict device refuses them.
  EXPECT_EQ(InitKeyboard(), 1);

  EXPECT_EQ(format.dwSize, sizeof(DIDATAFORMAT));
  EXPECT_EQ(format.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
  EXPECT_EQ(format.dwFlags, 2u);
  EXPECT_EQ(format.dwDataSize, 256u);
  ASSERT_EQ(format.dwNumObjs, 256u);
  for (DWORD i = 0; i < 256; ++i) {
    EXPECT_EQ(objects[i].pguid, &GUID_Key) << i;
    EXPECT_EQ(objects[i].dwOfs, i) << i;
    EXPECT_EQ(objects[i].dwType, 2147483660u + 256u * i) << i;
    EXPECT_EQ(objects[i].dwFlags, 0u) << i;
  }
  // The device opened is the one the first poll takes and the end gives back.
  FirstPoll(KeysWith({}));
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardInitTest, EachInitBuildsItsTableAnewInTheRuntimeHeapAndOpensAnotherUse) {
  WillCreate(&object);
  GivenFormat first;
  WillOpenDevice(object, GUID_SysKeyboard, device, &first);
  ASSERT_EQ(InitKeyboard(), 1);
  std::size_t blocks = LiveBlocks(RuntimeHeap);
  EXPECT_EQ(HeapSize(RuntimeHeap, 0, first.format.rgodf), 256 * sizeof(DIOBJECTDATAFORMAT));

  StrictMock<DeviceDouble> second;
  GivenFormat again;
  WillOpenDevice(object, GUID_SysKeyboard, second, &again);
  EXPECT_EQ(InitKeyboard(), 1);
  EXPECT_NE(again.format.rgodf, first.format.rgodf);
  // The first table is not freed.
  EXPECT_EQ(LiveBlocks(RuntimeHeap), blocks + 1);

  // Two uses of DirectInput: the end gives one back, the object stays.
  {
    InSequence order;
    EXPECT_CALL(second, Unacquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(second, SetCooperativeLevel(nullptr, kNonExclusive)).WillOnce(Return(DI_OK));
    EXPECT_CALL(second, Release).WillOnce(Return(0));
  }
  EndKeyboard();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
}

TEST_F(KeyboardInitTest, WithoutDirectInputThereIsNoKeyboardButAUser) {
  standin::RemoveModule("DINPUT.DLL");
  EXPECT_EQ(InitKeyboard(), 0);
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 0);

  // The keyboard's use still counts: with DirectInput back, the end of the keyboard does
  // not release the object that another user holds, and that user's close does.
  InstallDoubleModule();
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  EndKeyboard();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(KeyboardInitTest, ADeviceThatCannotBeCreatedLeavesNothingToPoll) {
  WillCreate(&object);
  EXPECT_CALL(object, CreateDeviceEx).WillOnce(Return(DIERR_DEVICENOTREG));
  EXPECT_EQ(InitKeyboard(), 0);
  // Nothing to call: the strict doubles would fail the test.
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 0);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  EndKeyboard();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(KeyboardInitTest, NoRoomForTheTableMeansNoDevice) {
  WillCreate(&object);
  standin::FailHeapAllocationsFrom(1);
  EXPECT_EQ(InitKeyboard(), 0);
  standin::FailHeapAllocationsFrom(0);
  // The strict object refuses CreateDeviceEx, and there is no device to read.
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  EndKeyboard();
}

TEST_F(KeyboardPollTest, TheFirstPollTakesTheKeyboardAndLaterPollsOnlyRead) {
  OpenKeyboard();
  {
    InSequence order;
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, GetDeviceState(256, NotNull()))
        .Times(3)
        .WillRepeatedly(Invoke(Deliver(KeysWith({}))));
  }
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(PollKeyboard(), 1);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardPollTest, AFailedReadTakesTheKeyboardBackAndKeepsTheSnapshot) {
  OpenKeyboard();
  FirstPoll(KeysWith({{DIK_SPACE, 0x80}}));
  {
    InSequence order;
    EXPECT_CALL(device, GetDeviceState(256, NotNull())).WillOnce([](DWORD, LPVOID data) {
      // Whatever a failing device leaves in the buffer is what the snapshot holds.
      static_cast<BYTE*>(data)[DIK_A] = 0x80;
      return DIERR_INPUTLOST;
    });
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, SetCooperativeLevel(nullptr, kNonExclusive)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DI_OK));
  }
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(DIK_SPACE), 128);
  EXPECT_EQ(KeyDown(DIK_A), 128);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardPollTest, ResultsOfTakingTheKeyboardAreNotExamined) {
  OpenKeyboard();
  {
    InSequence order;
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground))
        .WillOnce(Return(E_HANDLE));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
    EXPECT_CALL(device, GetDeviceState).WillOnce(Return(DIERR_NOTACQUIRED));
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
    EXPECT_CALL(device, SetCooperativeLevel(nullptr, kNonExclusive))
        .WillOnce(Return(DIERR_INVALIDPARAM));
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground))
        .WillOnce(Return(DIERR_ACQUIRED));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
    // The next poll does not set the level again: it only reads.
    EXPECT_CALL(device, GetDeviceState).WillOnce(Invoke(Deliver(KeysWith({{DIK_Q, 0x80}}))));
  }
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(DIK_Q), 0);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(DIK_Q), 128);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardPollTest, ADeviceWhoseFormatWasRefusedIsKeptAndReadWithoutTakingIt) {
  WillCreate(&object);
  WillCreateDevice(object, &device);
  EXPECT_CALL(device, SetDataFormat).WillOnce(Return(DIERR_INVALIDPARAM));
  ASSERT_EQ(InitKeyboard(), 0);
  {
    InSequence order;
    EXPECT_CALL(device, GetDeviceState).WillOnce(Return(DIERR_NOTACQUIRED));
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
    EXPECT_CALL(device, SetCooperativeLevel(nullptr, kNonExclusive)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_INVALIDPARAM));
    // Still never taken by a first poll's set-up: the next poll only reads.
    EXPECT_CALL(device, GetDeviceState).WillOnce(Invoke(Deliver(KeysWith({{DIK_Q, 0x80}}))));
  }
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(DIK_Q), 128);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardPollTest, PollingBeforeAnyInitDoesNothing) {
  EXPECT_EQ(PollKeyboard(), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 0);
}

TEST_F(KeyDownTest, EverythingIsUpBeforeAnySuccessfulPoll) {
  OpenKeyboard();
  for (int code = -1; code < 256; ++code) EXPECT_EQ(KeyDown(code), 0) << code;
  {
    InSequence order;
    EXPECT_CALL(device, SetCooperativeLevel(kWindow, kExclusiveForeground)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
    EXPECT_CALL(device, GetDeviceState).WillOnce(Return(DIERR_NOTACQUIRED));
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
    EXPECT_CALL(device, SetCooperativeLevel(_, _)).Times(2).WillRepeatedly(Return(DI_OK));
    EXPECT_CALL(device, Acquire).WillOnce(Return(DIERR_OTHERAPPHASPRIO));
  }
  EXPECT_EQ(PollKeyboard(), 0);
  for (int code = -1; code < 256; ++code) EXPECT_EQ(KeyDown(code), 0) << code;
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyDownTest, AKeyDownReads128AndCountsAsAnyKey) {
  OpenKeyboard();
  // Only bit 7 tells a key down.
  FirstPoll(KeysWith({{DIK_ESCAPE, 0x80}, {DIK_RETURN, 0x81}, {DIK_A, 0x7F}}));
  EXPECT_EQ(KeyDown(DIK_ESCAPE), 128);
  EXPECT_EQ(KeyDown(DIK_RETURN), 128);
  EXPECT_EQ(KeyDown(DIK_A), 0);
  EXPECT_EQ(KeyDown(DIK_SPACE), 0);
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyDownTest, AStartAgainForgetsTheKeysOfTheLastRun) {
  OpenKeyboard();
  FirstPoll(KeysWith({{DIK_ESCAPE, 0x80}}));
  ExpectEnd();
  EndKeyboard();
  testing::Mock::VerifyAndClearExpectations(&device);
  OpenKeyboard();
  EXPECT_EQ(KeyDown(kAnyKey), 0);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyDownTest, AnyKeyLeavesOutTheLastCode) {
  OpenKeyboard();
  FirstPoll(KeysWith({{255, 0x80}}));
  EXPECT_EQ(KeyDown(255), 128);
  EXPECT_EQ(KeyDown(kAnyKey), 0);

  EXPECT_CALL(device, GetDeviceState).WillOnce(Invoke(Deliver(KeysWith({{254, 0x80}}))));
  ASSERT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  EXPECT_CALL(device, GetDeviceState).WillOnce(Invoke(Deliver(KeysWith({{0, 0x80}}))));
  ASSERT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  EXPECT_EQ(KeyDown(0), 128);
  EXPECT_CALL(device, GetDeviceState).WillOnce(Invoke(Deliver(KeysWith({}))));
  ASSERT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(KeyDown(kAnyKey), 0);
  testing::Mock::VerifyAndClearExpectations(&device);
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyDownTest, CodesOutsideTheKeyboardAreNeverDown) {
  OpenKeyboard();
  Keys all;
  all.fill(0xFF);
  FirstPoll(all);
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  for (std::int32_t code : {-2, 256, 257, 1000, INT_MIN, INT_MAX})
    EXPECT_EQ(KeyDown(code), 0) << code;
  ExpectEnd();
  EndKeyboard();
}

TEST_F(KeyboardEndTest, EndingGivesTheDeviceAndDirectInputBack) {
  OpenKeyboard();
  FirstPoll(KeysWith({}));
  ExpectEnd();
  EndKeyboard();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
  testing::Mock::VerifyAndClearExpectations(&object);
  // A second end gives up nothing more: the strict device refuses more calls, and the
  // next user of DirectInput is its only one.
  EndKeyboard();
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
}

TEST_F(KeyboardEndTest, EndingWithoutInitDoesNothing) {
  WillCreate(&object);
  ASSERT_EQ(OpenDirectInput(), &object);
  // The strict object would fail the test on a Release.
  EndKeyboard();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
}

TEST_F(KeyboardEndTest, TheKeyboardAndTheMouseShareOneDirectInput) {
  OpenKeyboard();
  // The mouse's use, as it opens DirectInput: no second object is created.
  EXPECT_EQ(OpenDirectInput(), &object);
  {
    InSequence order;
    EXPECT_CALL(device, Unacquire).WillOnce(Return(DI_NOEFFECT));
    EXPECT_CALL(device, SetCooperativeLevel(nullptr, kNonExclusive)).WillOnce(Return(DI_OK));
    EXPECT_CALL(device, Release).WillOnce(Return(0));
  }
  // The strict object refuses a Release while the mouse holds it.
  EndKeyboard();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
  testing::Mock::VerifyAndClearExpectations(&object);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(KeyboardEndTest, TheMouseClosingFirstLeavesTheObjectToTheKeyboard) {
  OpenKeyboard();
  ASSERT_EQ(OpenDirectInput(), &object);
  CloseDirectInput();
  ExpectEnd();
  EndKeyboard();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

}  // namespace
