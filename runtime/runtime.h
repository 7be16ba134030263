// What the runtime keeps for the whole process: the heap every library keeps its tables
// in, the instance handle and the executable's directory. The start-up fills them and the
// shutdown empties them; every library above reads them.
#pragma once

#include <cstddef>

#include "platform/win32.h"

extern HANDLE RuntimeHeap;
extern HINSTANCE ProgramInstance;
// Directory of the executable with its trailing backslash.
constexpr std::size_t kProgramDirectorySize = 500;
extern char ProgramDirectory[kProgramDirectorySize];

// The part of a command line after the program's name: the name is either quoted, up to
// the closing quote, or runs to the first space.
const char* CommandLineTail(const char* commandLine);
