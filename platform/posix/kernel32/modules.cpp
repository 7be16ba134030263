// Run-time modules: LoadLibraryA, GetProcAddress and FreeLibrary over a registry of
// modules built into the program. The system's own modules are shipped to the registry
// as the program starts (ShipModule); a test may take one away or put its own double
// under the same name.
#include "platform/posix/kernel32/modules.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/posix/standin.h"

namespace standin {
namespace {

struct Module {
  std::vector<Export> exports;
};

// A module once loaded keeps its exports until its last FreeLibrary, even if the registry
// entry is replaced or removed meanwhile, as a loaded DLL stays mapped on Windows.
struct LoadedModule {
  std::string name;
  std::vector<Export> exports;
  int references = 0;
};

const HMODULE kProgramInstance = reinterpret_cast<HMODULE>(std::uintptr_t{0x400000});

std::map<std::string, Module>& Registry() {
  static std::map<std::string, Module> registry;
  return registry;
}

// The system's own modules, as RestoreBuiltInModules brings them back.
std::map<std::string, Module>& Shipped() {
  static std::map<std::string, Module> shipped;
  return shipped;
}

std::map<std::uintptr_t, LoadedModule>& Loaded() {
  static std::map<std::uintptr_t, LoadedModule> loaded;
  return loaded;
}

std::uintptr_t nextHandle = 0x10000000;

// "c:\windows\ddraw" and "DDRAW.DLL" name the same module.
std::string Canonical(const std::string& name) {
  std::string base = name.substr(name.find_last_of("\\/") + 1);
  std::transform(base.begin(), base.end(), base.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (base.find('.') == std::string::npos) base += ".DLL";
  return base;
}

LoadedModule* FindLoaded(HMODULE module) {
  auto found = Loaded().find(reinterpret_cast<std::uintptr_t>(module));
  return found == Loaded().end() ? nullptr : &found->second;
}

}  // namespace

bool ShipModule(const std::string& name, std::vector<Export> exports) {
  Shipped()[Canonical(name)] = Module{exports};
  Registry()[Canonical(name)] = Module{std::move(exports)};
  return true;
}

void InstallModule(const std::string& name, std::vector<Export> exports) {
  Registry()[Canonical(name)] = Module{std::move(exports)};
}

void RemoveModule(const std::string& name) { Registry().erase(Canonical(name)); }

void RestoreBuiltInModules() { Registry() = Shipped(); }

int ModuleReferences(const std::string& name) {
  int references = 0;
  for (auto& [handle, module] : Loaded()) {
    if (module.name == Canonical(name)) references += module.references;
  }
  return references;
}

}  // namespace standin

using namespace standin;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (!moduleName) return kProgramInstance;
  for (auto& [handle, module] : Loaded()) {
    if (module.name == Canonical(moduleName)) return reinterpret_cast<HMODULE>(handle);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string name = Canonical(fileName);
  for (auto& [handle, module] : Loaded()) {
    if (module.name == name) {
      ++module.references;
      return reinterpret_cast<HMODULE>(handle);
    }
  }
  auto found = Registry().find(name);
  if (found == Registry().end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::uintptr_t handle = nextHandle;
  nextHandle += 0x10000;
  Loaded()[handle] = LoadedModule{name, found->second.exports, 1};
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  LoadedModule* loaded = FindLoaded(module);
  // Names below 0x10000 are ordinals, which no built-in module exports.
  if (!loaded || reinterpret_cast<std::uintptr_t>(procName) < 0x10000) {
    SetLastError(loaded ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  for (const Export& entry : loaded->exports) {
    if (entry.name == procName) return entry.procedure;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
  LoadedModule* loaded = FindLoaded(module);
  if (!loaded) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--loaded->references == 0) Loaded().erase(reinterpret_cast<std::uintptr_t>(module));
  return TRUE;
}
