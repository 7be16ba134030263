// The file library's state: the table of open files' handles by number and the current
// file. Callers of the file operations need only file/file.h.
#pragma once

#include <cstdint>

#include "platform/win32.h"

extern HANDLE* FileTable;
extern std::uint32_t FileTableCapacity;
extern HANDLE CurrentFile;
