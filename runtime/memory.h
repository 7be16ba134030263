// Numbered memory blocks in a private heap of their own; peek, poke and copy at raw
// addresses; colour values.
//
// Peek and poke check nothing: an address is used as it is given.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

void InitMemoryBlocks();
void EndMemoryBlocks();
// A zero-filled block of `size` bytes under the number, replacing any block held there;
// 0 when the size is not positive, the number is negative or the heap has no room.
Address MemoryAllocate(std::int32_t number, std::int32_t size);
// Frees the numbered block; a negative number frees every block.
void MemoryFree(std::int32_t number);
// The block that the last MemoryAllocate produced.
Address MemoryAddress();
// Copies `count` bytes and returns destination + count. Overlapping ranges are copied as
// if through a buffer; a negative count copies nothing.
Address MemoryCopy(Address source, Address destination, std::int32_t count);

std::int32_t PeekByte(Address address);
std::int32_t PeekWord(Address address);
std::int32_t PeekLong(Address address);
double PeekFloat(Address address);
char* PeekString(Address address);
char* PeekStringLimited(Address address, std::int32_t count);
void PokeByte(Address address, std::int32_t value);
void PokeWord(Address address, std::int32_t value);
void PokeLong(Address address, std::int32_t value);
void PokeFloat(Address address, float value);
std::int32_t PokeString(Address address, const char* text);
std::int32_t PokeStringLimited(Address address, const char* text, std::int32_t count);

// A colour value holds red in bits 0 to 7, green in 8 to 15, blue in 16 to 23: the byte
// layout of a palette entry.
std::uint32_t MakeRGB(std::int32_t red, std::int32_t green, std::int32_t blue);
std::int32_t ColorRed(std::uint32_t color);
std::int32_t ColorGreen(std::uint32_t color);
std::int32_t ColorBlue(std::uint32_t color);
