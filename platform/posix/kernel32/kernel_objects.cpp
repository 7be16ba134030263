// The kernel's handle table of kernel_objects.h.
#include "platform/posix/kernel32/kernel_objects.h"

#include <vector>

#include "platform/posix/standin.h"

namespace standin {
namespace {

std::vector<std::unique_ptr<KernelObject>>& Table() {
  static std::vector<std::unique_ptr<KernelObject>> table;
  return table;
}

// Handle value for slot i, and back. Slot 0 is handle 4: 0 and -1 never name anything.
HANDLE HandleOf(std::size_t slot) { return reinterpret_cast<HANDLE>((slot + 1) * 4); }

bool SlotOf(HANDLE handle, std::size_t* slot) {
  auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value == 0 || value % 4 != 0) return false;
  *slot = value / 4 - 1;
  return *slot < Table().size() && Table()[*slot] != nullptr;
}

}  // namespace

HANDLE AddObject(std::unique_ptr<KernelObject> object) {
  auto& table = Table();
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    if (!table[slot]) {
      table[slot] = std::move(object);
      return HandleOf(slot);
    }
  }
  table.push_back(std::move(object));
  return HandleOf(table.size() - 1);
}

KernelObject* FindObject(HANDLE handle) {
  std::size_t slot;
  return SlotOf(handle, &slot) ? Table()[slot].get() : nullptr;
}

std::size_t HandleCount() {
  std::size_t count = 0;
  for (const auto& object : Table()) count += object != nullptr;
  return count;
}

bool RemoveObject(HANDLE handle) {
  std::size_t slot;
  if (!SlotOf(handle, &slot)) return false;
  Table()[slot].reset();
  return true;
}

}  // namespace standin
