// The DirectInput object shared by the keyboard and the mouse, with "DINPUT.DLL"
// replaced by doubles.
#include "input/directinput.h"

#include "input/input_state.h"
#include "runtime/runtime_state.h"
#include "tests/support/directinput_doubles.h"

namespace {

using testing::_;
using testing::DoAll;
using testing::Return;
using testing::SetArgPointee;
using testing::StrictMock;

using DirectInputBindingTest = InputLibraryTest;

TEST_F(DirectInputBindingTest, FirstOpenLoadsTheModuleAndCreatesAVersion7Object) {
  StrictMock<DirectInputDouble> object;
  EXPECT_CALL(create, Call(ProgramInstance, DWORD{0x0700}, IID_IDirectInput7A,
                           reinterpret_cast<LPVOID*>(&DirectInputState.object), nullptr))
      .WillOnce(DoAll(SetArgPointee<3>(&object), Return(DI_OK)));
  ASSERT_NE(ProgramInstance, nullptr);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(DirectInputState.object, &object);
  EXPECT_EQ(DirectInputState.module, GetModuleHandleA("DINPUT.DLL"));
  EXPECT_EQ(DirectInputState.users, 1);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.object, nullptr);
  EXPECT_EQ(DirectInputState.users, 0);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(DirectInputBindingTest, UsersShareOneObjectAndTheLastCloseReleasesIt) {
  StrictMock<DirectInputDouble> object;
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(DirectInputState.users, 2);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);

  CloseDirectInput();
  EXPECT_EQ(DirectInputState.object, &object);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
  testing::Mock::VerifyAndClearExpectations(&object);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.object, nullptr);
  EXPECT_EQ(DirectInputState.users, 0);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(DirectInputBindingTest, WithoutTheModuleEveryUserIsStillCounted) {
  standin::RemoveModule("DINPUT.DLL");
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(DirectInputState.users, 2);
  EXPECT_EQ(DirectInputState.module, nullptr);
  SetLastError(0);
  CloseDirectInput();
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.users, 0);
  // No FreeLibrary of the missing module was tried: it would have set an error.
  EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(DirectInputBindingTest, AModuleThatYieldsNoObjectStaysLoaded) {
  standin::InstallModule("DINPUT.DLL", {});
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_NE(DirectInputState.module, nullptr);
  EXPECT_EQ(DirectInputState.users, 1);
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.users, 0);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
}

TEST_F(DirectInputBindingTest, AFailedCreationLeavesNoObjectAndIsTriedAgain) {
  StrictMock<DirectInputDouble> written;
  EXPECT_CALL(create, Call)
      .WillOnce(DoAll(SetArgPointee<3>(&written), Return(DIERR_OUTOFMEMORY)))
      .WillOnce(Return(DIERR_BETADIRECTINPUTVERSION));
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(DirectInputState.object, nullptr);
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(DirectInputState.users, 2);
  // Each attempt loaded the module, and neither gives it back.
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);
  CloseDirectInput();
  CloseDirectInput();
  EXPECT_EQ(DirectInputState.users, 0);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);

  StrictMock<DirectInputDouble> object;
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);
}

}  // namespace
