// Raw addresses of the process as the libraries pass them around: a plain integer wide
// enough for a pointer (32 bits on Windows, the host's width elsewhere).
#pragma once

#include <cstdint>

using Address = std::uintptr_t;

template <class T>
inline T* AtAddress(Address address) {
  return reinterpret_cast<T*>(address);
}

template <class T>
inline Address AddressOf(T* pointer) {
  return reinterpret_cast<Address>(pointer);
}
