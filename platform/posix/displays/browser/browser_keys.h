// The keys of a web page's keyboard events by their physical key (KeyboardEvent.code) and
// the DirectInput scan codes they stand for.
#pragma once

#include <span>

#include "platform/posix/include/winapi.h"

namespace standin {

struct KeyName {
  const char* code;  // as KeyboardEvent.code names the key
  BYTE scanCode;
};

// Every key of the standard keyboard; a code missing here has no scan code.
std::span<const KeyName> KeyNames();

}  // namespace standin
