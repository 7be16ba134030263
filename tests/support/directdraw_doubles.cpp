// GoogleMock doubles of DirectDraw installed in the module registry's place of
// "DDRAW.DLL".
#include "tests/support/directdraw_doubles.h"

namespace {

IDirectDraw7* handedOut = nullptr;

HRESULT WINAPI CreateDouble(GUID*, LPVOID* object, REFIID, IUnknown*) {
  *object = handedOut;
  return handedOut ? DD_OK : DDERR_GENERIC;
}

}  // namespace

void InstallDirectDrawDouble(IDirectDraw7* object) {
  handedOut = object;
  standin::InstallModule(
      "DDRAW.DLL", {{"DirectDrawCreateEx",
                     reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CreateDouble))}});
}
