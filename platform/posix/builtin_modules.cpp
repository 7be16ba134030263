#include "platform/posix/builtin_modules.h"

#include "platform/posix/ddraw_internal.h"

namespace standin {

// "DINPUT.DLL"'s one export, defined in dinput.cpp.
HRESULT DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID interfaceId, LPVOID* object,
                            LPUNKNOWN outer);

namespace {

// An export as GetProcAddress hands it out; the caller casts it back to its real type.
template <class Function>
FARPROC Exported(Function* procedure) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(procedure));
}

}  // namespace

// The system's own modules; a program that asks for any other finds none.
std::vector<std::pair<std::string, std::vector<Export>>> BuiltInModules() {
  return {
      {"DDRAW.DLL", {{"DirectDrawCreateEx", Exported(&DirectDrawCreateEx)}}},
      {"DINPUT.DLL", {{"DirectInputCreateEx", Exported(&DirectInputCreateEx)}}},
  };
}

}  // namespace standin
