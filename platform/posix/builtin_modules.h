// The modules that the stand-in system ships, found by LoadLibraryA under their names.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/posix/standin.h"

namespace standin {

std::vector<std::pair<std::string, std::vector<Export>>> BuiltInModules();

}  // namespace standin
