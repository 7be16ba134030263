// Number of blocks a heap holds, from the heap itself: the stand-in counts them, Windows
// walks the heap.
#pragma once

#include <cstddef>

#include "platform/win32.h"

std::size_t LiveBlocks(HANDLE heap);
// Whether the heaps are the stand-in's, which keep a 32-bit process's limits on any host.
bool StandInHeaps();
