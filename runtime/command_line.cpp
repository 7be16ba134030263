// Finding the command-line tail.
#include "runtime/command_line.h"

#include <cstring>

// The program's name is either quoted, up to the closing quote, or runs to the first
// space. Only the space separates: a tab belongs to the name or to the tail.
const char* CommandLineTail(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    const char* closing = std::strchr(p + 1, '"');
    if (!closing) return commandLine;
    p = closing + 1;
  } else {
    while (*p != '\0' && *p != ' ') ++p;
  }
  while (*p == ' ') ++p;
  return p;
}
