// The modules that the stand-in system ships, put in kernel32's registry as the program
// starts, so that LoadLibraryA finds "DDRAW.DLL" and "DINPUT.DLL" by name while kernel32
// itself depends on neither. This file is linked into every program as an object of its
// own (see CMakeLists.txt): a static library would leave it out, since nothing calls it.
#include "platform/posix/ddraw/ddraw_private.h"
#include "platform/posix/dinput/dinput_private.h"
#include "platform/posix/kernel32/modules.h"

namespace standin {
namespace {

// An export as GetProcAddress hands it out; the caller casts it back to its real type.
template <class Function>
FARPROC Exported(Function* procedure) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(procedure));
}

[[maybe_unused]] const bool kShipped =
    ShipModule("DDRAW.DLL", {{"DirectDrawCreateEx", Exported(&DirectDrawCreateEx)}}) &&
    ShipModule("DINPUT.DLL", {{"DirectInputCreateEx", Exported(&DirectInputCreateEx)}});

}  // namespace
}  // namespace standin
