// The runtime core started for one test (without the screen and input libraries), ended
// again without ending the process.
#pragma once

#include <gtest/gtest.h>

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Ends the libraries and the runtime heap as EndProgram does, but returns.
void StopRuntime();

// The screen library's window went with the desktop it was made on (a new
// HeadlessDesktop): the library makes a new one at its next start.
void ForgetScreenWindow();
