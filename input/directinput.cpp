// The DirectInput object that the keyboard and mouse share, with "DINPUT.DLL" loaded on
// first use and unloaded when the last user closes it.
#include "input/directinput.h"

#include "input/input_state.h"
#include "runtime/runtime_state.h"

DirectInputBinding DirectInputState = {nullptr, nullptr, 0};

namespace {

using DirectInputCreateExFunction = HRESULT(WINAPI*)(HINSTANCE instance, DWORD version,
                                                     REFIID interfaceId, LPVOID* object,
                                                     LPUNKNOWN outer);

// Going through void (*)() is the one cast from FARPROC to the real signature that the
// compiler accepts as deliberate.
DirectInputCreateExFunction AsCreateFunction(FARPROC procedure) {
  return reinterpret_cast<DirectInputCreateExFunction>(reinterpret_cast<void (*)()>(procedure));
}

}  // namespace

IDirectInput7A* OpenDirectInput() {
  if (!DirectInputState.object) {
    DirectInputState.module = LoadLibraryA("DINPUT.DLL");
    if (DirectInputState.module) {
      FARPROC create = GetProcAddress(DirectInputState.module, "DirectInputCreateEx");
      // A creator that fails may still have written to the object reference.
      if (create && FAILED(AsCreateFunction(create)(
                        ProgramInstance, DIRECTINPUT_VERSION, IID_IDirectInput7A,
                        reinterpret_cast<LPVOID*>(&DirectInputState.object), nullptr))) {
        DirectInputState.object = nullptr;
      }
    }
  }
  ++DirectInputState.users;
  return DirectInputState.object;
}

void CloseDirectInput() {
  --DirectInputState.users;
  if (DirectInputState.object && DirectInputState.users == 0) {
    DirectInputState.object->Release();
    FreeLibrary(DirectInputState.module);
    DirectInputState.object = nullptr;
  }
}
