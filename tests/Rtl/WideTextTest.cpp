#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Rtl/WideText.h"

namespace {

TEST(WideText, TrimRemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("\x01 x "), "x ");
  EXPECT_EQ(TrimRight(" x\x1F"), " x");
  EXPECT_EQ(Trim(" \t\r\n"), "");
  EXPECT_EQ(Trim(""), "");
  // Bytes above 127 are letters of the code page, not blanks, though a char holds
  // them as negative numbers.
  EXPECT_EQ(Trim("\xA0x\xE9"), "\xA0x\xE9");
  EXPECT_EQ(Trim(u"\u0001 x y\u001F"), u"x y");
  EXPECT_EQ(TrimLeft(u" \u00A0x "), u"\u00A0x ");
  EXPECT_EQ(TrimRight(u" x\u3000"), u" x\u3000");
}

TEST(WideText, LetterCaseOf8BitTextIsAscii) {
  EXPECT_EQ(UpperCase("abz[`{\xE9"), "ABZ[`{\xE9");
  EXPECT_EQ(LowerCase("ABZ@[\xC9"), "abz@[\xC9");
}

TEST(WideText, CompareTextIgnoresAsciiCaseAndPutsAPrefixFirst) {
  EXPECT_EQ(CompareText("SQLDMO.dll", "sqldmo.DLL"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("abc", "ab"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  // Letters compare as upper case: "_" (0x5F) sorts after "Z" (0x5A), though before
  // "z"; other bytes by their unsigned value.
  EXPECT_GT(CompareText("a_", "az"), 0);
  EXPECT_LT(CompareText("a\x7F", "a\xE9"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("ab", "abc"));
  EXPECT_FALSE(SameText("\xE9", "\xC9"));
}

TEST(WideText, WideLetterCaseAndLocaleComparison) {
  EXPECT_EQ(WideUpperCase(u"abc \u00E9t\u00E9"), u"ABC \u00C9T\u00C9");
  EXPECT_EQ(WideLowerCase(u"ABC \u00C9T\u00C9"), u"abc \u00E9t\u00E9");
  EXPECT_EQ(WideCompareText(u"Binn", u"BINN"), 0);
  EXPECT_NE(WideCompareStr(u"Binn", u"BINN"), 0);
  EXPECT_LT(WideCompareText(u"ab", u"ABC"), 0);
  EXPECT_GT(WideCompareStr(u"abc", u"ab"), 0);
  EXPECT_LT(WideCompareStr(u"", u"a"), 0);
  EXPECT_LT(WideCompareText(u"apple", u"Banana"), 0);
  EXPECT_TRUE(WideSameText(u"\u00E9t\u00E9", u"\u00C9T\u00C9"));
  EXPECT_FALSE(WideSameText(u"a", u"ab"));
}

TEST(WideText, NumbersAsText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToWide(-42), u"-42");
  EXPECT_EQ(IntToWide(LLONG_MAX), u"9223372036854775807");
}

TEST(WideText, SplitLinesAtEveryKindOfLineBreak) {
  using Wide = std::vector<std::u16string>;
  EXPECT_EQ(SplitLines(u"a\r\nb\rc\nd"), (Wide{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(SplitLines(u"a\n\nb\r\n"), (Wide{u"a", u"", u"b"}));
  EXPECT_EQ(SplitLines(u"\r\n"), (Wide{u""}));
  EXPECT_EQ(SplitLines(u"\n\r"), (Wide{u"", u""}));  // LF CR is two breaks
  EXPECT_TRUE(SplitLines(u"").empty());
  EXPECT_EQ(SplitLines(std::string_view("x\r\ny")), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
