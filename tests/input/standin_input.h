// The stand-in's "DINPUT.DLL" as the system has it, and the desktop its devices read:
// what the stand-in keyboard and mouse tests share.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "input/directinput.h"
#include "platform/posix/display.h"
#include "platform/posix/standin.h"
#include "runtime/runtime_state.h"
#include "tests/support/runtime_fixture.h"

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;

using CreateFunction = HRESULT (*)(HINSTANCE instance, DWORD version, REFIID interfaceId,
                                   LPVOID* object, LPUNKNOWN outer);

// The desktop as a test scripts it: a headless display with its keys, and two hidden
// windows of a registered class; showing one gives it the foreground.
class InputDesktop {
 public:
  InputDesktop() : display_(standin::UseHeadlessDisplay()) {
    standin::ResetDesktop();
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassExA(&windowClass);
    window_ = NewWindow();
    otherWindow_ = NewWindow();
  }
  ~InputDesktop() {
    standin::ResetDesktop();
    standin::UseSdlDisplay();
  }
  InputDesktop(const InputDesktop&) = delete;
  InputDesktop& operator=(const InputDesktop&) = delete;

  HWND Window() const { return window_; }
  HWND OtherWindow() const { return otherWindow_; }
  void Foreground(HWND window) { ShowWindow(window, SW_SHOW); }
  // Only these keys are down.
  void Hold(std::initializer_list<BYTE> codes) {
    for (int code = 0; code < 256; ++code) display_.SetKey(static_cast<BYTE>(code), false);
    for (BYTE code : codes) display_.SetKey(code, true);
  }
  standin::HeadlessDisplay& Display() { return display_; }

 private:
  static constexpr char kClass[] = "Input Test";
  HWND NewWindow() {
    HWND window = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    return window;
  }
  standin::HeadlessDisplay& display_;
  HWND window_ = nullptr;
  HWND otherWindow_ = nullptr;
};

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

  InputDesktop desktop;
  HMODULE module = nullptr;
  CreateFunction create = nullptr;
  IDirectInput7A* directInput = nullptr;
  IDirectInputDevice7A* device = nullptr;
};
