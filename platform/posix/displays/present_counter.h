// A display that counts the pictures presented through another and rewrites a file with
// the count after each present, for runs of a delivered executable that a test watches
// from outside (tests/e2e/leak_run.sh, tools/measure_display.sh). Installed only when the
// environment asks for it (current_display.cpp).
#pragma once

#include <memory>
#include <string>

#include "platform/posix/displays/display.h"

namespace standin {

// The display, everything passed through to it, counting presents into the file.
std::unique_ptr<Display> CountPresents(std::unique_ptr<Display> display, std::string file);

}  // namespace standin
