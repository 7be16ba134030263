// The displays' key tables: a key pressed in a web page and the same key pressed in the
// SDL window read as the same DirectInput key, and no key has two entries. Two names may
// stand for one key (a page's older "OSLeft" for "MetaLeft", the ISO keyboard's key
// beside Enter for the backslash).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/posix/displays/browser/browser_keys.h"
#include "platform/posix/displays/sdl/sdl_keys.h"

namespace {

TEST(KeyTablesTest, EachKeyHasOneEntry) {
  std::set<std::string> names;
  for (const standin::KeyName& key : standin::KeyNames()) {
    EXPECT_TRUE(names.insert(key.code).second) << key.code;
    EXPECT_NE(key.scanCode, 0) << key.code;
  }
  std::set<int> usages;
  for (const standin::KeyMapping& key : standin::kSdlKeys) {
    EXPECT_TRUE(usages.insert(key.scancode).second) << key.scancode;
    EXPECT_NE(key.scanCode, 0) << key.scancode;
  }
}

TEST(KeyTablesTest, TheBrowserAndSdlReachTheSameKeys) {
  std::set<int> browserCodes;
  for (const standin::KeyName& key : standin::KeyNames()) browserCodes.insert(key.scanCode);
  std::set<int> sdlCodes;
  for (const standin::KeyMapping& key : standin::kSdlKeys) sdlCodes.insert(key.scanCode);
  EXPECT_EQ(browserCodes, sdlCodes);
}

}  // namespace
