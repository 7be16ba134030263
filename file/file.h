// Numbered files, opened relative to the program's directory and read, written and
// positioned as bytes, 16- and 32-bit integers (low byte first), single-precision
// floats, texts, lines and blocks. Reads, writes and positioning act on the current file,
// which every open sets and FileSelect changes.
//
// Every scalar read and write goes through one 4-byte transfer buffer that is never
// cleared: a read that transfers less than it asks for returns what the buffer already
// held, so reading past the end of a file repeats the last byte transferred.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

void InitFileLibrary();
// Open files stay open until the process ends.
void EndFileLibrary();

// Each opener returns the file's handle, or 0; the file is positioned at its start.
HANDLE FileCreate(std::uint32_t number, const char* name);         // new, empty, write only
HANDLE FileOpen(std::uint32_t number, const char* name);           // read and write, created
HANDLE FileOpenExclusive(std::uint32_t number, const char* name);  // existing, unshared
HANDLE FileOpenRead(std::uint32_t number, const char* name);       // existing, read only

// Makes the program's folder the current directory, as every open above does, so that
// what opens names from the current directory (the sprite and palette loaders) finds the
// files beside the program however it was started. Nonzero on success, 0 if not.
BOOL WorkBesideProgram();

HANDLE FileSelect(std::uint32_t number);
BOOL FileClose(std::uint32_t number);
// -1 at the end of the numbered file or when nothing can be read from it, else 0.
std::int32_t FileAtEnd(std::uint32_t number);

DWORD FileSeek(std::int32_t offset);
DWORD FilePosition();
DWORD FileLength();

std::int32_t FileReadByte();
std::int32_t FileReadWord();
std::int32_t FileReadLong();
double FileReadFloat();
// The next line, without its line end, as a text built in the string work area.
char* FileReadLine();
std::int32_t FileReadBlock(Address destination, std::int32_t count);

BOOL FileWriteByte(std::int32_t value);
BOOL FileWriteWord(std::int32_t value);
BOOL FileWriteLong(std::int32_t value);
BOOL FileWriteFloat(double value);
BOOL FileWriteText(const char* text);
BOOL FileWriteLine(const char* text);
std::int32_t FileWriteBlock(Address source, std::int32_t count);
