// Any command line: the tail found lies inside it and starts after the program's name.
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/command_line.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The system's command line is a C string: it ends at the first NUL.
  std::string line(reinterpret_cast<const char*>(data), size);
  line.resize(std::strlen(line.c_str()));
  const char* start = line.c_str();
  const char* tail = CommandLineTail(start);
  if (tail < start || tail > start + line.size()) fuzz::Fail("the tail is outside the line");
  if (tail != start && *tail == ' ') fuzz::Fail("the tail starts with a space");
  if (tail != start && *tail != '\0' && tail[-1] != ' ' && tail[-1] != '"') {
    fuzz::Fail("the tail starts inside the program's name");
  }
  return 0;
}
