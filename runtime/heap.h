// Dimensioned arrays, strings and the string work area, all kept in the runtime heap.
//
// An array block is an element count, an element type code and then count + 1 elements;
// the array variable holds the address of the first element. Beside each array its
// owner keeps a dimension list, one 32-bit word per dimension: the sizes before
// allocation, the index multipliers after it, so that element (i1, ..., in) lies at
// i1 * word1 + ... + i(n-1) * word(n-1) + in elements from the first.
//
// A string value is the address of a zero-terminated text in its own heap block, or 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/address.h"

// Element type codes that owners write after allocation.
constexpr std::int32_t kWordElements = 3;
constexpr std::int32_t kLongElements = 5;

// Both return the address of the block's type code field, or 0; an array variable then
// takes that address + 4.
Address AllocateArray(std::uint32_t elementSize, std::int32_t dimensions,
                      std::uint32_t* dimensionList);
Address AllocateElements(std::uint32_t elementSize, std::uint32_t count);
void FreeArray(Address firstElement);

void NewString(char** variable, const char* text);
void AssignString(char** variable, const char* text);
void FreeString(char* text);

// The string work area: texts are built at the work pointer, which always rests on the
// terminator of the text being built.
constexpr std::size_t kStringWorkAreaSize = 64000;
char* WorkPointer();
void SetWorkPointer(char* pointer);
// One past the last byte of the area.
char* WorkAreaEnd();
// Copies up to `limit` characters of the text (all of it for a negative limit) to the
// work pointer with a terminator, as far as the area has room, leaves the work pointer
// on the terminator and returns where the copy began.
char* CopyToWorkArea(const char* text, std::int32_t limit);
void AppendWorkString(const char* text);
void StoreWorkString(char** variable, char* start);

// Comparisons of string values; 0 counts as the empty text, bytes compare unsigned.
std::int32_t StringEqual(const char* first, const char* second);
std::int32_t StringLess(const char* first, const char* second);
std::int32_t StringGreater(const char* first, const char* second);

// Called by the start-up once the work area exists, and to forget it at shutdown.
void ResetStringWorkArea(Address area);

// A library's table in the runtime heap resized to `count` entries of `entrySize` bytes,
// the entries added zero-filled (allocated when there is no table yet). Null when its
// size does not fit a heap block or the heap refuses; the old table then stays as it was.
void* ResizeTable(void* table, std::uint64_t count, std::size_t entrySize);

// Dimensions an array variable the way every owner does: frees the array it holds,
// allocates one for the sizes already stored in the dimension list (AllocateElements for
// one dimension), writes the type code and keeps the first element's address in the
// variable, or 0 when the heap has no room.
void DimensionArray(Address* variable, std::uint32_t elementSize, std::int32_t typeCode,
                    std::int32_t dimensions, std::uint32_t* dimensionList);
