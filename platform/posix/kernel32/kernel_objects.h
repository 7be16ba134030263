// Kernel objects of the stand-in and the handle table that names them. A handle is a
// small multiple of 4, as on Windows; a closed or foreign handle finds nothing, so a
// stale handle is refused rather than followed.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/posix/include/winapi.h"

namespace standin {

struct KernelObject {
  virtual ~KernelObject() = default;
};

HANDLE AddObject(std::unique_ptr<KernelObject> object);
// The object of a handle if it is of type T, else null.
KernelObject* FindObject(HANDLE handle);
template <class T>
T* Find(HANDLE handle) {
  return dynamic_cast<T*>(FindObject(handle));
}
// Removes the handle; the object is destroyed.
bool RemoveObject(HANDLE handle);

}  // namespace standin
