// GoogleMock doubles of the DirectInput 7 interfaces and of "DINPUT.DLL" itself, put in
// the module registry's place so that the libraries load them as they would the real one.
#pragma once

#include <gmock/gmock.h>

#include <array>
#include <vector>

#include "input/directinput.h"
#include "input/input_state.h"
#include "input/keyboard.h"
#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "tests/support/runtime_fixture.h"

class DirectInputDouble : public IDirectInput7A {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID interfaceId, void** object), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, CreateDeviceEx,
              (REFGUID device, REFIID interfaceId, LPVOID* object, LPUNKNOWN outer), (override));
};

class DeviceDouble : public IDirectInputDevice7A {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID interfaceId, void** object), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, Acquire, (), (override));
  MOCK_METHOD(HRESULT, GetDeviceData,
              (DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags),
              (override));
  MOCK_METHOD(HRESULT, GetDeviceState, (DWORD size, LPVOID data), (override));
  MOCK_METHOD(HRESULT, GetProperty, (REFGUID property, LPDIPROPHEADER header), (override));
  MOCK_METHOD(HRESULT, SetCooperativeLevel, (HWND window, DWORD flags), (override));
  MOCK_METHOD(HRESULT, SetDataFormat, (LPCDIDATAFORMAT format), (override));
  MOCK_METHOD(HRESULT, SetProperty, (REFGUID property, LPCDIPROPHEADER header), (override));
  MOCK_METHOD(HRESULT, Unacquire, (), (override));
};

using CreateFunction = HRESULT(HINSTANCE instance, DWORD version, REFIID interfaceId,
                               LPVOID* object, LPUNKNOWN outer);

// A started runtime with "DINPUT.DLL" replaced by a module whose DirectInputCreateEx
// asks `create`, and the input libraries' state as at process start, before the
// start-up's InitKeyboard. The screen's window
// is a made-up handle: the doubles only compare it.
class InputLibraryTest : public RuntimeTest {
 protected:
  static inline const HWND kWindow = reinterpret_cast<HWND>(std::uintptr_t{0x5150});

  void SetUp() override {
    RuntimeTest::SetUp();
    // Give back a keyboard that the start-up may have opened over the system's
    // "DINPUT.DLL" (StartRuntime does, the runtime core alone does not), and begin from
    // the state of a process that never had one.
    EndKeyboard();
    current = this;
    InstallDoubleModule();
    KeyboardState = {};
    DirectInputState = {};
    savedWindow = ScreenState.window;
    ScreenState.window = kWindow;
  }

  void TearDown() override {
    // Nothing of this test's doubles may be reached after it, not even by the EndKeyboard
    // of the runtime's end.
    KeyboardState = {};
    DirectInputState = {};
    ScreenState.window = savedWindow;
    while (HMODULE module = GetModuleHandleA("DINPUT.DLL")) FreeLibrary(module);
    standin::RestoreBuiltInModules();
    current = nullptr;
    RuntimeTest::TearDown();
  }

  // "DINPUT.DLL" is again the module whose DirectInputCreateEx asks `create`.
  static void InstallDoubleModule() {
    standin::InstallModule("DINPUT.DLL", {{"DirectInputCreateEx", Export()}});
  }

  // The next DirectInputCreateEx hands out the object.
  void WillCreate(IDirectInput7A* object) {
    EXPECT_CALL(create, Call)
        .WillOnce(testing::DoAll(testing::SetArgPointee<3>(object), testing::Return(DI_OK)));
  }

  // The next CreateDeviceEx of the object hands out the device.
  static void WillCreateDevice(DirectInputDouble& object, IDirectInputDevice7A* device) {
    EXPECT_CALL(object, CreateDeviceEx)
        .WillOnce(testing::DoAll(testing::SetArgPointee<2>(device), testing::Return(DI_OK)));
  }

  // What SetDataFormat gave a device: the format and a copy of its objects.
  struct GivenFormat {
    DIDATAFORMAT format{};
    std::vector<DIOBJECTDATAFORMAT> objects;
  };
  // The next CreateDeviceEx of the object must ask for the system device `kind` and hands
  // out the device, whose one SetDataFormat succeeds and is kept.
  static void WillOpenDevice(DirectInputDouble& object, REFGUID kind, DeviceDouble& device,
                             GivenFormat* given) {
    EXPECT_CALL(object, CreateDeviceEx(kind, IID_IDirectInputDevice7A, testing::NotNull(), nullptr))
        .WillOnce(testing::DoAll(testing::SetArgPointee<2>(&device), testing::Return(DI_OK)));
    EXPECT_CALL(device, SetDataFormat).WillOnce([given](LPCDIDATAFORMAT format) {
      given->format = *format;
      given->objects.assign(format->rgodf, format->rgodf + format->dwNumObjs);
      return DI_OK;
    });
  }
  testing::StrictMock<testing::MockFunction<CreateFunction>> create;
  HWND savedWindow = nullptr;

 private:
  static HRESULT Create(HINSTANCE instance, DWORD version, REFIID interfaceId, LPVOID* object,
                        LPUNKNOWN outer) {
    return current->create.Call(instance, version, interfaceId, object, outer);
  }
  static FARPROC Export() {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Create));
  }
  static inline InputLibraryTest* current = nullptr;
};

// A keyboard snapshot with the given keys holding the given bytes and all others 0.
using Keys = std::array<BYTE, 256>;
inline Keys KeysWith(std::initializer_list<std::pair<int, BYTE>> held) {
  Keys keys{};
  for (auto [code, value] : held) keys[code] = value;
  return keys;
}

// A GetDeviceState that fills the buffer with the snapshot and succeeds.
inline auto Deliver(Keys keys) {
  return [keys](DWORD size, LPVOID data) {
    std::memcpy(data, keys.data(), size < keys.size() ? size : keys.size());
    return DI_OK;
  };
}
