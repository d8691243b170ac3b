#include "Rtl/Win.h"
#include <gtest/gtest.h>

#include "Rtl/CodePage.h"

namespace {

// The test machine's system code page is the Western one, 1252.
TEST(CodePageWindows, WesternCodePageBothWays) {
  ASSERT_EQ(GetACP(), 1252u);
  EXPECT_EQ(WideToAnsi(u"\u20AC \u00E9\u00FF \u0152"), "\x80 \xE9\xFF \x8C");
  EXPECT_EQ(AnsiToWide("\x80 \xE9\xFF \x8C"), u"\u20AC \u00E9\u00FF \u0152");
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);  // every byte survives the round trip
}

TEST(CodePageWindows, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(WideToAnsi(u"\u4E2D\u6587"), "??");
  EXPECT_EQ(WideToAnsi(u"a\u0411b"), "a?b");
  std::string pair = WideToAnsi(u"x\U0001F600y");
  EXPECT_EQ(pair.front(), 'x');
  EXPECT_EQ(pair.back(), 'y');
  EXPECT_EQ(pair.find_first_not_of("x?y"), std::string::npos);
}

TEST(CodePageWindows, LongTextConvertsWhole) {
  std::u16string text(100000, u'\u00E9');
  std::string ansi = WideToAnsi(text);
  EXPECT_EQ(ansi, std::string(100000, '\xE9'));
  EXPECT_EQ(AnsiToWide(ansi), text);
}

}  // namespace
