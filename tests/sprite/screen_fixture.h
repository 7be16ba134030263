// The sprite library on the stand-in's headless display: a started screen library, a
// screen opened at the depth and layout a test asks for, and a directory for its files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "startup/startup.h"
#include "tests/support/bitmaps.h"
#include "tests/support/headless_desktop.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

class SpriteScreenTest : public RuntimeTest {
 protected:
  void SetUp() override {
    ForgetScreenWindow();
    RuntimeTest::SetUp();
    ASSERT_NE(InitScreenLibrary(), 0u);
  }
  void TearDown() override {
    RuntimeTest::TearDown();
    standin::RefuseHeapAllocations({});
  }
  void Open(std::int32_t depth, bool fiveSixFive = true, bool redLow = false) {
    standin::SetDisplayPixelLayout16(fiveSixFive);
    standin::SetDisplayRedInLowByte(redLow);
    ASSERT_EQ(OpenScreen(800, 600, depth, "sprites"), 1);
  }
  // Writes the file and gives its name as the libraries take it.
  std::string Write(const std::string& name, const Bytes& bytes) {
    dir.Write(name, bytes);
    return dir.WindowsPath(name);
  }
  static void* Storage(std::int32_t sprite) { return SpriteTable[sprite].storage; }

  HeadlessDesktop desktop;
  standin::HeadlessDisplay* display = &desktop.Display();
  TempDir dir;
};
