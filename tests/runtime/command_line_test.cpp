// Finding the command-line tail after quoted and unquoted program names.

#include "runtime/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineTail, QuotedProgramPathThenSpacesThenArgument) {
  EXPECT_STREQ(CommandLineTail("\"C:\\Program Files\\bump.exe\"  -x"), "-x");
}

TEST(CommandLineTail, UnquotedNameThenSpacesThenTwoWords) {
  EXPECT_STREQ(CommandLineTail("bump.exe   one two"), "one two");
}

TEST(CommandLineTail, UnclosedQuoteGivesTheWholeLine) {
  EXPECT_STREQ(CommandLineTail("\"C:\\bump.exe one"), "\"C:\\bump.exe one");
}

TEST(CommandLineTail, NameAloneGivesEmptyTail) {
  EXPECT_STREQ(CommandLineTail("bump.exe"), "");
  EXPECT_STREQ(CommandLineTail("\"C:\\bump.exe\""), "");
  EXPECT_STREQ(CommandLineTail(""), "");
}

TEST(CommandLineTail, OnlySpacesSeparate) {
  EXPECT_STREQ(CommandLineTail("\"C:\\bump.exe\"\tword"), "\tword");
  EXPECT_STREQ(CommandLineTail("bump.exe\tfirst second"), "second");
}

TEST(CommandLineTail, TrailingSpacesAfterQuotedName) {
  EXPECT_STREQ(CommandLineTail("\"a b\"   "), "");
}

}  // namespace
