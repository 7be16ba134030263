// Number of blocks a heap holds, from the heap itself: the stand-in counts them, Windows
// walks the heap.
#pragma once

#include <cstddef>

#include "platform/win32.h"

std::size_t LiveBlocks(HANDLE heap);
