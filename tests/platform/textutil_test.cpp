// SPDX-License-Identifier: MIT
// The byte-string helpers every layer shares.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "textutil.h"

namespace tessary {
namespace {

TEST(SplitText, PiecesSlotsAndCount) {
  std::array<std::string, 4> slots{"old", "old", "old", "old"};
  EXPECT_EQ(SplitText("", slots, ';'), 0);
  EXPECT_EQ(slots[0], "") << "every slot is emptied first";

  EXPECT_EQ(SplitText("a=1;;b=2", slots, ';'), 3);
  EXPECT_EQ(slots[0], "a=1");
  EXPECT_EQ(slots[1], "") << "adjacent separators give an empty slot";
  EXPECT_EQ(slots[2], "b=2");

  EXPECT_EQ(SplitText("a;b;", slots, ';'), 3) << "a trailing separator counts";
  EXPECT_EQ(slots[2], "");

  EXPECT_EQ(SplitText("a;b;c;d;e;f", slots, ';'), 6) << "pieces beyond the table are counted";
  EXPECT_EQ(slots[3], "d");

  EXPECT_EQ(SplitText("x$y", slots, '$'), 2);
  EXPECT_EQ(slots[1], "y");
}

TEST(TextHelpers, Trim) {
  EXPECT_EQ(Trim("\t  a b \r\n"), "a b");
  EXPECT_EQ(Trim(std::string_view("\0 x\x1f", 4)), "x");
  EXPECT_EQ(Trim("   "), "");
}

}  // namespace
}  // namespace tessary
