// The stand-in's run-time modules as a test scripts them: installed, removed and
// replaced under a name while loaded, and the program instance, which exports nothing.
#include <gtest/gtest.h>

#include "platform/posix/standin.h"
#include "platform/win32.h"

namespace {

INT_PTR Seven() { return 7; }
INT_PTR Eight() { return 8; }

class ModulesTest : public ::testing::Test {
 protected:
  void TearDown() override { standin::RestoreBuiltInModules(); }
};

TEST_F(ModulesTest, InstalledModuleIsFoundByNameWithoutCase) {
  standin::InstallModule("TEST.DLL", {{"Seven", Seven}});
  HMODULE module = LoadLibraryA("c:\\windows\\system32\\test");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibraryA("test.dll"), module);
  EXPECT_EQ(standin::ModuleReferences("Test.Dll"), 2);
  EXPECT_EQ(GetModuleHandleA("TEST.DLL"), module);
  FARPROC seven = GetProcAddress(module, "Seven");
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven(), 7);
  EXPECT_EQ(GetProcAddress(module, "Missing"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(standin::ModuleReferences("test.dll"), 0);
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleA("TEST.DLL"), nullptr);
}

TEST_F(ModulesTest, RemovedModuleIsNotFound) {
  standin::InstallModule("GONE.DLL", {{"Seven", Seven}});
  standin::RemoveModule("gone.dll");
  EXPECT_EQ(LoadLibraryA("GONE.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModulesTest, ALoadedModuleKeepsItsExportsWhenReplaced) {
  standin::InstallModule("SWAP.DLL", {{"Value", Seven}});
  HMODULE old = LoadLibraryA("SWAP.DLL");
  standin::InstallModule("SWAP.DLL", {{"Value", Eight}});
  EXPECT_EQ(GetProcAddress(old, "Value")(), 7);
  FreeLibrary(old);
  HMODULE fresh = LoadLibraryA("SWAP.DLL");
  EXPECT_EQ(GetProcAddress(fresh, "Value")(), 8);
  FreeLibrary(fresh);
}

TEST_F(ModulesTest, ProgramInstanceExportsNothing) {
  HMODULE instance = GetModuleHandleA(nullptr);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(GetProcAddress(instance, "Seven"), nullptr);
  EXPECT_EQ(LoadLibraryA("NOSUCH.DLL"), nullptr);
}

}  // namespace
