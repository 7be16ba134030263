// The DirectInput object shared by the keyboard and the mouse, with "DINPUT.DLL"
// replaced by doubles.
#include "input/directinput.h"

#include "runtime/runtime_state.h"
#include "tests/support/directinput_doubles.h"

namespace {

using testing::DoAll;
using testing::NotNull;
using testing::Return;
using testing::SetArgPointee;
using testing::StrictMock;

using DirectInputBindingTest = InputLibraryTest;

TEST_F(DirectInputBindingTest, FirstOpenLoadsTheModuleAndCreatesAVersion7Object) {
  StrictMock<DirectInputDouble> object;
  EXPECT_CALL(create, Call(ProgramInstance, DWORD{0x0700}, IID_IDirectInput7A, NotNull(), nullptr))
      .WillOnce(DoAll(SetArgPointee<3>(&object), Return(DI_OK)));
  ASSERT_NE(ProgramInstance, nullptr);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
  testing::Mock::VerifyAndClearExpectations(&object);

  // The object is forgotten with the module: the next open creates one again.
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
}

TEST_F(DirectInputBindingTest, UsersShareOneObjectAndTheLastCloseReleasesIt) {
  StrictMock<DirectInputDouble> object;
  // The strict creator is asked once, and the strict object refuses an early Release.
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);

  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
  EXPECT_EQ(OpenDirectInput(), &object);
  CloseDirectInput();
  testing::Mock::VerifyAndClearExpectations(&object);

  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(DirectInputBindingTest, WithoutTheModuleEveryUserIsStillCounted) {
  standin::RemoveModule("DINPUT.DLL");
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(OpenDirectInput(), nullptr);
  SetLastError(0);
  CloseDirectInput();
  // No FreeLibrary of the missing module was tried: it would have set an error.
  EXPECT_EQ(GetLastError(), 0u);

  // One of the two users is still open, so the object that the module yields later is
  // released only after it closes too.
  InstallDoubleModule();
  StrictMock<DirectInputDouble> object;
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  CloseDirectInput();
  testing::Mock::VerifyAndClearExpectations(&object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 0);
}

TEST_F(DirectInputBindingTest, AModuleThatYieldsNoObjectStaysLoaded) {
  standin::InstallModule("DINPUT.DLL", {});
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 1);
}

TEST_F(DirectInputBindingTest, AFailedCreationLeavesNoObjectAndIsTriedAgain) {
  // The strict object that the failing creator wrote would refuse a Release.
  StrictMock<DirectInputDouble> written;
  EXPECT_CALL(create, Call)
      .WillOnce(DoAll(SetArgPointee<3>(&written), Return(DIERR_OUTOFMEMORY)))
      .WillOnce(Return(DIERR_BETADIRECTINPUTVERSION));
  EXPECT_EQ(OpenDirectInput(), nullptr);
  EXPECT_EQ(OpenDirectInput(), nullptr);
  // Each attempt loaded the module, and neither gives it back.
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);
  CloseDirectInput();
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);

  StrictMock<DirectInputDouble> object;
  WillCreate(&object);
  EXPECT_EQ(OpenDirectInput(), &object);
  EXPECT_CALL(object, Release).WillOnce(Return(0));
  CloseDirectInput();
  EXPECT_EQ(standin::ModuleReferences("DINPUT.DLL"), 2);
}

}  // namespace
