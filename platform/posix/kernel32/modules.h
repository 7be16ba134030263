// What kernel32's module registry offers the modules that the stand-in system ships:
// a way to be found by LoadLibraryA without kernel32 knowing them.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/standin.h"

namespace standin {

// Puts a module of the system under its name, found by LoadLibraryA from now on and
// brought back by RestoreBuiltInModules. Returns true, so that a module can ship itself
// from a static initialiser.
bool ShipModule(const std::string& name, std::vector<Export> exports);

}  // namespace standin
