// The DirectInput object that the keyboard and mouse libraries share. The first user
// loads "DINPUT.DLL" and creates the object; the last one to close it releases the
// object and unloads the module.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct DirectInputBinding {
  // None until an OpenDirectInput succeeds, and again after the last user closes it.
  IDirectInput7A* object;
  // "DINPUT.DLL" once loaded; a module that loaded but yielded no object stays loaded.
  HMODULE module;
  // Opens minus closes, whether or not the object could be created.
  std::int32_t users;
};
extern DirectInputBinding DirectInputState;

// Counts one more user and returns the shared object, creating it first if there is
// none; returns none when "DINPUT.DLL" or its object is not to be had.
IDirectInput7A* OpenDirectInput();
// Counts one user less; the last user's close releases the object and the module.
void CloseDirectInput();
