// The runtime's state: what it keeps for the whole process (the heap every library keeps
// its tables in, the instance handle, the executable's directory, the string work area),
// the memory blocks' table and the random generator. The start-up fills the first and the
// shutdown empties them; every library above reads them. Callers of the runtime's
// operations need only its public headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

extern HANDLE RuntimeHeap;
extern HINSTANCE ProgramInstance;
// Directory of the executable with its trailing backslash.
constexpr std::size_t kProgramDirectorySize = 500;
extern char ProgramDirectory[kProgramDirectorySize];

// The string work area (runtime/heap.h), kStringWorkAreaSize bytes in the runtime heap.
extern Address StringWorkArea;

// The memory blocks (runtime/memory.h): their own heap, and the table of their addresses
// by number.
extern HANDLE MemoryBlockHeap;
extern Address* MemoryBlockTable;
extern std::int32_t MemoryBlockCapacity;

struct RandomGenerator {
  // As 34 words: word 2k is the first and word 2k + 1 the second word of pair k.
  std::uint32_t words[34];
  std::int32_t firstIndex;
  std::int32_t secondIndex;
};
extern RandomGenerator RandomState;
