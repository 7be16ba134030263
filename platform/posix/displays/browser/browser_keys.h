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

// Every key a keyboard sends a scan code for; a code missing here has none.
std::span<const KeyName> KeyNames();

}  // namespace standin
