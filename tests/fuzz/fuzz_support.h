// What every fuzz target shares: one program directory for the whole process, the
// runtime started and ended around each input, and the check that nothing an input
// made outlives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Every target starts as LLVMFuzzerInitialize does: a fresh directory is made the
// executable's, and the headless display is put in place.

// The Windows name of a file in the program's directory.
std::string WindowsPath(const std::string& name);

// Writes the bytes as the named file of the program's directory.
void WriteProgramFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Starts the runtime core with the program state block, and the screen library when asked.
void StartRuntime(bool withScreenLibrary, void* programState = nullptr,
                  std::size_t programStateSize = 0);

// Ends the runtime, then aborts (a finding) when a heap, a file descriptor or a reference
// to "DDRAW.DLL" is left over from the input.
void EndRuntime();

// Aborts with the message: a property of the result did not hold.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
