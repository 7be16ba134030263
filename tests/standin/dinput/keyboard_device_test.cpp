// The stand-in's "DINPUT.DLL": the DirectInput object and its keyboard device, the rules
// of cooperative levels and acquisition, the foreground, and key states read from the
// desktop.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

#include "platform/posix/standin.h"
#include "runtime/runtime_state.h"
#include "tests/standin/dinput/directinput_fixture.h"

namespace {

constexpr DWORD kSharedBackground = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

// The library's own layout: key i, a button, at byte i.
struct KeyboardFormat {
  KeyboardFormat() {
    for (DWORD i = 0; i < 256; ++i) {
      objects[i] = {&GUID_Key, i, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i), 0};
    }
    format = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256,
              objects.data()};
  }
  std::array<DIOBJECTDATAFORMAT, 256> objects;
  DIDATAFORMAT format;
};

// The stand-in's keyboard, opened with the library's data format.
class StandInKeyboardTest : public StandInDirectInputTest {
 protected:
  void OpenKeyboard() {
    OpenDevice(GUID_SysKeyboard);
    ASSERT_EQ(device->SetDataFormat(&layout.format), DI_OK);
  }
  std::array<BYTE, 256> Read(HRESULT expected = DI_OK) {
    std::array<BYTE, 256> keys;
    keys.fill(0x55);
    EXPECT_EQ(device->GetDeviceState(256, keys.data()), expected);
    return keys;
  }

  KeyboardFormat layout;
};

using DirectInputCreationTest = StandInKeyboardTest;
using CooperativeLevelTest = StandInKeyboardTest;
using DataFormatTest = StandInKeyboardTest;
using AcquisitionTest = StandInKeyboardTest;

TEST_F(DirectInputCreationTest, OnlyVersion7AndLaterOfTheVersion7Interface) {
  void* object = &object;
  EXPECT_EQ(create(ProgramInstance, 0x0500, IID_IDirectInput7A, &object, nullptr),
            DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(create(ProgramInstance, 0x06FF, IID_IDirectInput7A, &object, nullptr),
            DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(create(ProgramInstance, 0x0700, IID_IDirectInputDevice7A, &object, nullptr),
            DIERR_NOINTERFACE);
  EXPECT_EQ(create(ProgramInstance, 0x0700, IID_IDirectInput7A, &object,
                   reinterpret_cast<LPUNKNOWN>(&object)),
            DIERR_NOAGGREGATION);
  EXPECT_EQ(create(nullptr, 0x0700, IID_IDirectInput7A, &object, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(create(ProgramInstance, 0x0700, IID_IDirectInput7A, nullptr, nullptr),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(create(ProgramInstance, 0x0800, IID_IDirectInput7A, &object, nullptr), DI_OK);
  static_cast<IDirectInput7A*>(object)->Release();
}

TEST_F(DirectInputCreationTest, ObjectsCountTheirReferences) {
  IDirectInput7A* object = NewDirectInput();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->AddRef(), 2u);
  void* same = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IDirectInput7A, &same), S_OK);
  EXPECT_EQ(same, object);
  EXPECT_EQ(object->Release(), 2u);
  // Every COM object answers IUnknown with itself.
  void* unknown = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(object));
  EXPECT_EQ(object->Release(), 2u);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(object->QueryInterface(IID_IDirectInputDevice7A, &same), E_NOINTERFACE);
  EXPECT_EQ(same, nullptr);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(object->Release(), 0u);
}

TEST_F(DirectInputCreationTest, ObjectsAndDevicesAreCountedAliveUntilTheirLastRelease) {
  std::size_t before = standin::LiveComObjects();
  OpenKeyboard();
  void* mouse = nullptr;
  ASSERT_EQ(directInput->CreateDeviceEx(GUID_SysMouse, IID_IDirectInputDevice7A, &mouse, nullptr),
            DI_OK);
  EXPECT_EQ(standin::LiveComObjects(), before + 3);
  // The devices hold the object.
  EXPECT_EQ(directInput->Release(), 2u);
  directInput = nullptr;
  EXPECT_EQ(standin::LiveComObjects(), before + 3);
  EXPECT_EQ(static_cast<IDirectInputDevice7A*>(mouse)->Release(), 0u);
  EXPECT_EQ(standin::LiveComObjects(), before + 2);
  EXPECT_EQ(device->Release(), 0u);
  device = nullptr;
  EXPECT_EQ(standin::LiveComObjects(), before);
}

TEST_F(DirectInputCreationTest, OnlyTheSystemKeyboardAndMouseAreDevices) {
  directInput = NewDirectInput();
  void* object = &object;
  EXPECT_EQ(directInput->CreateDeviceEx(GUID_Key, IID_IDirectInputDevice7A, &object, nullptr),
            DIERR_DEVICENOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInput7A, &object, nullptr),
            DIERR_NOINTERFACE);
  EXPECT_EQ(directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &object,
                                        reinterpret_cast<LPUNKNOWN>(directInput)),
            DIERR_NOAGGREGATION);
  EXPECT_EQ(
      directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, nullptr, nullptr),
      DIERR_INVALIDPARAM);
}

TEST_F(DirectInputCreationTest, AKeyboardOutlivesTheObjectThatMadeIt) {
  OpenKeyboard();
  // The device holds its own reference to the object.
  EXPECT_EQ(directInput->Release(), 1u);
  directInput = nullptr;
  desktop.Hold({DIK_Z});
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, kSharedBackground), DI_OK);
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(Read()[DIK_Z], 0x80);
  void* same = nullptr;
  EXPECT_EQ(device->QueryInterface(IID_IDirectInputDevice7A, &same), S_OK);
  EXPECT_EQ(same, device);
  EXPECT_EQ(device->Release(), 1u);
  EXPECT_EQ(device->QueryInterface(IID_IUnknown, &same), S_OK);
  EXPECT_EQ(same, static_cast<IUnknown*>(device));
  EXPECT_EQ(device->Release(), 1u);
  EXPECT_EQ(device->QueryInterface(IID_IDirectInput7A, &same), E_NOINTERFACE);
  EXPECT_EQ(same, nullptr);
}

TEST_F(CooperativeLevelTest, ExactlyOneOfEachPairOfFlags) {
  OpenKeyboard();
  for (DWORD flags : {0u, 1u, 2u, 4u, 8u, 3u, 12u, 7u, 13u, 15u, 5u | 0x10u, 6u | 0x100u}) {
    EXPECT_EQ(device->SetCooperativeLevel(window, flags), DIERR_INVALIDPARAM) << flags;
  }
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  // No program may keep the keyboard from all others while in the background.
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND),
            DIERR_UNSUPPORTED);
}

TEST_F(CooperativeLevelTest, ForegroundOrExclusiveNeedsAWindowAndAWindowMustExist) {
  OpenKeyboard();
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_HANDLE);
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  HWND noWindow = reinterpret_cast<HWND>(std::uintptr_t{0xDEAD0});
  EXPECT_EQ(device->SetCooperativeLevel(noWindow, kSharedBackground), E_HANDLE);
  // What the keyboard library asks when it lets go: no such level.
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
}

TEST_F(CooperativeLevelTest, CannotChangeWhileAcquired) {
  OpenKeyboard();
  desktop.Foreground(window);
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(device->SetCooperativeLevel(window, kSharedBackground), DIERR_ACQUIRED);
  EXPECT_EQ(device->SetDataFormat(&layout.format), DIERR_ACQUIRED);
  // Still foreground-only: taking the foreground away loses the input.
  desktop.Foreground(otherWindow);
  Read(DIERR_INPUTLOST);
  EXPECT_EQ(device->SetCooperativeLevel(window, kSharedBackground), DI_OK);
}

TEST_F(DataFormatTest, TheLibrarysLayoutIsTakenAndMalformedOnesAreNot) {
  OpenKeyboard();
  EXPECT_EQ(device->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
  auto refused = [&](auto change) {
    KeyboardFormat bad;
    change(bad);
    return device->SetDataFormat(&bad.format) == DIERR_INVALIDPARAM;
  };
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.format.dwSize = sizeof(DIDATAFORMAT) + 4; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.format.dwObjSize = 12; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.format.dwDataSize = 255; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.format.dwDataSize = 512; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.format.rgodf = nullptr; }));
  EXPECT_TRUE(
      refused([](KeyboardFormat& f) { f.objects[9].dwType = DIDFT_AXIS | DIDFT_MAKEINSTANCE(9); }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.objects[9].pguid = &GUID_XAxis; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.objects[9].dwOfs = 256; }));
  EXPECT_TRUE(refused([](KeyboardFormat& f) { f.objects[9].dwOfs = 8; }));
  EXPECT_TRUE(refused(
      [](KeyboardFormat& f) { f.objects[9].dwType = DIDFT_BUTTON | DIDFT_MAKEINSTANCE(8); }));
  EXPECT_TRUE(refused(
      [](KeyboardFormat& f) { f.objects[9].dwType = DIDFT_BUTTON | DIDFT_MAKEINSTANCE(300); }));
  EXPECT_EQ(device->SetDataFormat(&layout.format), DI_OK);
}

TEST_F(DataFormatTest, TheFormatSaysWhereEachKeyGoes) {
  OpenKeyboard();
  // Key A at byte 0, an absent optional key at byte 1, the next free key at byte 2; the
  // rest of the bytes name no key.
  KeyboardFormat moved;
  moved.objects[0] = {&GUID_Key, 0, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(DIK_A), 0};
  moved.objects[1] = {&GUID_Key, 1, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(400), 0};
  moved.objects[2] = {nullptr, 2, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0};
  moved.format.dwNumObjs = 3;
  ASSERT_EQ(device->SetDataFormat(&moved.format), DI_OK);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, kSharedBackground), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Hold({DIK_A, 0});
  std::array<BYTE, 256> keys = Read();
  EXPECT_EQ(keys[0], 0x80);
  EXPECT_EQ(keys[1], 0);
  EXPECT_EQ(keys[2], 0x80);  // the first free key is code 0
  for (int i = 3; i < 256; ++i) EXPECT_EQ(keys[i], 0) << i;
}

TEST_F(AcquisitionTest, NeedsAFormatAndTheForeground) {
  directInput = NewDirectInput();
  void* object = nullptr;
  ASSERT_EQ(
      directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &object, nullptr),
      DI_OK);
  device = static_cast<IDirectInputDevice7A*>(object);
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM);
  ASSERT_EQ(device->SetDataFormat(&layout.format), DI_OK);
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  desktop.Foreground(otherWindow);
  EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
  Read(DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Unacquire(), DI_NOEFFECT);
  desktop.Foreground(window);
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(device->Acquire(), S_FALSE);
  EXPECT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(device->Unacquire(), DI_NOEFFECT);
  Read(DIERR_NOTACQUIRED);
}

TEST_F(AcquisitionTest, TheForegroundGoneLosesTheInputOnce) {
  OpenKeyboard();
  desktop.Foreground(window);
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Hold({DIK_W});
  EXPECT_EQ(Read()[DIK_W], 0x80);
  desktop.Foreground(otherWindow);
  std::array<BYTE, 256> untouched = Read(DIERR_INPUTLOST);
  EXPECT_EQ(untouched[DIK_W], 0x55);
  Read(DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
  desktop.Foreground(window);
  // Getting the foreground back does not give the keyboard back by itself.
  Read(DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(Read()[DIK_W], 0x80);
}

TEST_F(AcquisitionTest, TheProgramLosingTheDesktopsFocusLosesTheInput) {
  OpenKeyboard();
  desktop.Foreground(window);
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  Read();
  desktop.Display().LoseFocus();
  Read(DIERR_INPUTLOST);
  EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
  // The focus back activates the window that had it.
  desktop.Display().GainFocus();
  EXPECT_EQ(device->Acquire(), DI_OK);
  Read();
}

TEST_F(AcquisitionTest, WithoutACooperativeLevelTheKeyboardIsSharedInTheBackground) {
  OpenKeyboard();
  desktop.Foreground(otherWindow);
  desktop.Hold({DIK_TAB});
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(Read()[DIK_TAB], 0x80);
}

TEST_F(AcquisitionTest, AWindowNeverShownCannotTakeTheKeyboard) {
  OpenKeyboard();
  ASSERT_EQ(device->SetCooperativeLevel(window, kExclusiveForeground), DI_OK);
  EXPECT_EQ(device->Acquire(), DIERR_OTHERAPPHASPRIO);
}

TEST_F(AcquisitionTest, ABackgroundKeyboardReadsWithoutTheForeground) {
  OpenKeyboard();
  ASSERT_EQ(device->SetCooperativeLevel(window, kSharedBackground), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  desktop.Foreground(otherWindow);
  desktop.Hold({DIK_F1, DIK_LSHIFT});
  std::array<BYTE, 256> keys = Read();
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(keys[code], code == DIK_F1 || code == DIK_LSHIFT ? 0x80 : 0) << code;
  }
  EXPECT_EQ(device->GetDeviceState(255, keys.data()), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
}

}  // namespace
