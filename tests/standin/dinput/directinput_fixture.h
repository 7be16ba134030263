// The stand-in's "DINPUT.DLL" as the system has it, and the headless desktop its devices
// read, with two hidden windows: what the keyboard and mouse device tests share.
#pragma once

#include <gtest/gtest.h>

#include "platform/posix/standin.h"
#include "runtime/runtime_state.h"
#include "tests/support/headless_desktop.h"
#include "tests/support/runtime_fixture.h"

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;

using CreateFunction = HRESULT (*)(HINSTANCE instance, DWORD version, REFIID interfaceId,
                                   LPVOID* object, LPUNKNOWN outer);

// "DINPUT.DLL" as the system has it, loaded, with its creator at hand. The object and the
// device that a test keeps in `directInput` and `device` are released after it.
class StandInDirectInputTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    module = LoadLibraryA("DINPUT.DLL");
    ASSERT_NE(module, nullptr);
    create = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectInputCreateEx")));
    ASSERT_NE(create, nullptr);
  }
  void TearDown() override {
    // The device holds a reference to the object: it goes first.
    if (device) {
      EXPECT_EQ(device->Release(), 0u);
    }
    if (directInput) {
      EXPECT_EQ(directInput->Release(), 0u);
    }
    FreeLibrary(module);
    RuntimeTest::TearDown();
  }

  IDirectInput7A* NewDirectInput() {
    void* object = nullptr;
    EXPECT_EQ(create(ProgramInstance, 0x0700, IID_IDirectInput7A, &object, nullptr), DI_OK);
    return static_cast<IDirectInput7A*>(object);
  }
  // A new object in `directInput` and its device of the kind in `device`.
  void OpenDevice(REFGUID kind) {
    directInput = NewDirectInput();
    ASSERT_NE(directInput, nullptr);
    void* object = nullptr;
    ASSERT_EQ(directInput->CreateDeviceEx(kind, IID_IDirectInputDevice7A, &object, nullptr), DI_OK);
    device = static_cast<IDirectInputDevice7A*>(object);
  }

  HeadlessDesktop desktop;
  // Showing one of them gives it the foreground.
  HWND window = desktop.NewWindow();
  HWND otherWindow = desktop.NewWindow();
  HMODULE module = nullptr;
  CreateFunction create = nullptr;
  IDirectInput7A* directInput = nullptr;
  IDirectInputDevice7A* device = nullptr;
};
