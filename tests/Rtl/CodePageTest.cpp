#include <gtest/gtest.h>

#include <string>

#include "Rtl/CodePage.h"

namespace {

using W = std::u16string;

TEST(Utf8, OneToThreeByteFormsAtTheirLimits) {
  EXPECT_EQ(Utf8ToWide("A\x7F"), u"A\u007F");
  EXPECT_EQ(Utf8ToWide("\xC2\x80\xC3\xA9\xDF\xBF"), u"\u0080\u00E9\u07FF");
  EXPECT_EQ(Utf8ToWide("\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF"), u"\u0800\u20AC\uFFFF");
  EXPECT_EQ(WideToUtf8(u"A\u0080\u07FF\u0800\u20AC\uFFFF"),
            "A\xC2\x80\xDF\xBF\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF");
  EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), W(u"a\0b", 3));
  EXPECT_EQ(WideToUtf8(W(u"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Utf8ToWide(""), u"");
}

TEST(Utf8, CharactersBeyondTheBasicPlaneBecomeSurrogatePairs) {
  // The first and last of the supplementary planes, and two with bits in every part.
  EXPECT_EQ(Utf8ToWide("\xF0\x90\x80\x80"), W({0xD800, 0xDC00}));
  EXPECT_EQ(Utf8ToWide("\xF4\x8F\xBF\xBF"), W({0xDBFF, 0xDFFF}));
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), W({0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToWide("x\xF0\x92\x8D\x85y"), W({u'x', 0xD808, 0xDF45, u'y'}));
  EXPECT_EQ(WideToUtf8(W({0xD800, 0xDC00})), "\xF0\x90\x80\x80");
  EXPECT_EQ(WideToUtf8(W({0xDBFF, 0xDFFF})), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(WideToUtf8(W({0xD83D, 0xDE00})), "\xF0\x9F\x98\x80");
  EXPECT_EQ(WideToUtf8(W({u'x', 0xD808, 0xDF45, u'y'})), "x\xF0\x92\x8D\x85y");
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(WideToUtf8(W({0xD800})), fffd);
  EXPECT_EQ(WideToUtf8(W({u'a', 0xD83D})), "a" + fffd);
  EXPECT_EQ(WideToUtf8(W({0xDE00, u'a'})), fffd + "a");
  EXPECT_EQ(WideToUtf8(W({0xDE00, 0xD83D})), fffd + fffd);  // a pair the wrong way round
  EXPECT_EQ(WideToUtf8(W({0xD83D, 0xD83D, 0xDE00})), fffd + "\xF0\x9F\x98\x80");
  // Surrogates written as UTF-8 are malformed too: each byte is replaced.
  EXPECT_EQ(Utf8ToWide("\xED\xA0\xBD\xED\xB8\x80"), W(6, 0xFFFD));
  EXPECT_EQ(Utf8ToWide("\xED\x9F\xBF"), u"\uD7FF");  // the last character before them
}

TEST(Utf8, MalformedInputIsReplacedAndTheTextAfterItKept) {
  EXPECT_EQ(Utf8ToWide("\x80z"), u"\uFFFDz");                      // stray continuation
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");              // overlong "/"
  EXPECT_EQ(Utf8ToWide("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");    // overlong, three bytes
  EXPECT_EQ(Utf8ToWide("\xF0\x8F\xBF\xBF"), W(4, 0xFFFD));         // overlong, four bytes
  EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), W(4, 0xFFFD));         // past U+10FFFF
  EXPECT_EQ(Utf8ToWide("\xF5\xFF"), u"\uFFFD\uFFFD");              // never a lead byte
  EXPECT_EQ(Utf8ToWide("\xE2\x82z"), u"\uFFFDz");                  // cut short, then text
  EXPECT_EQ(Utf8ToWide("ab\xF0\x9F\x98"), u"ab\uFFFD");            // cut short at the end
  EXPECT_EQ(Utf8ToWide("\xE2\x82\xE2\x82\xAC"), u"\uFFFD\u20AC");  // a new lead ends it
}

TEST(CodePage, AsciiAndNulsPassBothWaysAndUnknownCharactersBecomeQuestionMarks) {
  EXPECT_EQ(AnsiToWide("plain text"), u"plain text");
  EXPECT_EQ(WideToAnsi(u"plain text"), "plain text");
  EXPECT_EQ(AnsiToWide(std::string("a\0b", 3)), W(u"a\0b", 3));
  EXPECT_EQ(WideToAnsi(W(u"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(AnsiToWide(""), u"");
  EXPECT_EQ(WideToAnsi(u""), "");
  EXPECT_EQ(WideToAnsi(u"x\u65E5y"), "x?y");
}

}  // namespace
