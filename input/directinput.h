// The DirectInput object that the keyboard and mouse libraries share. The first user
// loads "DINPUT.DLL" and creates the object; the last one to close it releases the
// object and unloads the module.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Counts one more user and returns the shared object, creating it first if there is
// none; returns none when "DINPUT.DLL" or its object is not to be had.
IDirectInput7A* OpenDirectInput();
// Counts one user less; the last user's close releases the object and the module.
void CloseDirectInput();
