#include <gtest/gtest.h>

#include "FormFiles/FormParser.h"
#include "Rtl/CodePage.h"

namespace {

std::string ErrorOf(std::string_view text) {
  try {
    TParser p(text);
    while (p.Kind() != TTokenKind::EndOfText) p.NextToken();
  } catch (const EParserError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FormParser, StringTokensJoinQuotedRunsAndCharacterCodes) {
  TParser p("'It'#39's'#$20AC'x''y' 'next'");
  ASSERT_EQ(p.Kind(), TTokenKind::String);
  EXPECT_EQ(p.TokenString().chars, u"It's\u20ACx'y");
  EXPECT_FALSE(p.TokenString().IsEightBit());
  EXPECT_EQ(p.TokenText(), "'It'#39's'#$20AC'x''y'");
  p.NextToken();
  ASSERT_EQ(p.Kind(), TTokenKind::String);
  EXPECT_EQ(p.TokenString().bytes, "next");
  EXPECT_TRUE(p.TokenString().IsEightBit());
  p.NextToken();
  EXPECT_EQ(p.Kind(), TTokenKind::EndOfText);
  p.NextToken();  // stays at the end
  EXPECT_EQ(p.Kind(), TTokenKind::EndOfText);
}

TEST(FormParser, EightBitCharactersInQuotesAreBytesAndCodesAreCharacters) {
  // Code page 1251 "Да": the bytes stand as they are, read in the system code page.
  TParser p("'\xC4\xE0'#13#10'!'");
  const TFormString& bytes = p.TokenString();
  EXPECT_TRUE(bytes.IsEightBit());
  EXPECT_EQ(bytes.bytes, "\xC4\xE0\r\n!");
  EXPECT_EQ(bytes.Wide(), AnsiToWide("\xC4\xE0\r\n!"));
  // A code above 127 is a character: #233 is not the byte E9.
  TParser q("'caf'#233");
  EXPECT_FALSE(q.TokenString().IsEightBit());
  EXPECT_EQ(q.TokenString().Wide(), u"caf\u00E9");
  TParser mixed("'\xE9'#233");
  EXPECT_TRUE(mixed.TokenString().IsMixed());
  // In UTF-8 text, quotes hold characters.
  TParser utf8("'caf\xC3\xA9'", true);
  EXPECT_FALSE(utf8.TokenString().IsEightBit());
  EXPECT_EQ(utf8.TokenString().chars, u"caf\u00E9");
  TParser empty("''");
  EXPECT_EQ(empty.Kind(), TTokenKind::String);
  EXPECT_TRUE(empty.TokenString().IsEightBit());
  EXPECT_EQ(empty.TokenString().bytes, "");
}

TEST(FormParser, NumbersIdentifiersAndSymbols) {
  TParser p(
      "-12 $1F -$10 1.5 2e3 12.3456c -0.5c 45000.25d "
      "1.0000001788139343261718749s -2E3S Font.Name a.1 +");
  auto next = [&] { p.NextToken(); };
  ASSERT_EQ(p.Kind(), TTokenKind::Integer);
  EXPECT_EQ(p.TokenInt(), -12);
  next();
  EXPECT_EQ(p.TokenInt(), 0x1F);
  next();
  EXPECT_EQ(p.TokenInt(), -16);
  next();
  ASSERT_EQ(p.Kind(), TTokenKind::Float);
  EXPECT_EQ(p.TokenFloat(), 1.5);
  EXPECT_EQ(p.FloatSuffix(), 0);
  next();
  EXPECT_EQ(p.TokenFloat(), 2000.0);
  next();
  EXPECT_EQ(p.FloatSuffix(), 'c');
  EXPECT_EQ(p.TokenCurrency(), 123456);
  next();
  EXPECT_EQ(p.TokenCurrency(), -5000);
  next();
  EXPECT_EQ(p.FloatSuffix(), 'd');
  EXPECT_EQ(p.TokenFloat(), 45000.25);
  next();
  EXPECT_EQ(p.FloatSuffix(), 's');
  // Rounded once: by way of a double it would land on the midpoint and round up.
  EXPECT_EQ(p.TokenSingle(), 1.0f + 0x1p-23f);
  next();
  EXPECT_EQ(p.TokenSingle(), -2000.0f);
  next();
  ASSERT_EQ(p.Kind(), TTokenKind::Identifier);
  EXPECT_EQ(p.TokenText(), "Font.Name");
  next();
  EXPECT_EQ(p.TokenText(), "a");  // a dot joins identifiers only
  next();
  EXPECT_TRUE(p.IsSymbol('.'));
  next();
  EXPECT_EQ(p.TokenInt(), 1);
  next();
  EXPECT_TRUE(p.IsSymbol('+'));
}

TEST(FormParser, CurrencyStaysExactAtTheLimits) {
  TParser p("922337203685477.5807c -922337203685477.5808c");
  EXPECT_EQ(p.TokenCurrency(), INT64_MAX);
  p.NextToken();
  EXPECT_EQ(p.TokenCurrency(), INT64_MIN);
  EXPECT_EQ(ErrorOf("922337203685477.5808c"), "Number out of range on line 1");
  EXPECT_EQ(ErrorOf("1.23456c"), "Invalid currency value on line 1");
}

TEST(FormParser, PeekCharLooksPastBlanksWithoutMoving) {
  TParser p("Caption  \r\n = 'x'");
  EXPECT_EQ(p.PeekChar(), '=');
  EXPECT_EQ(p.TokenText(), "Caption");
  TParser end("x");
  EXPECT_EQ(end.PeekChar(), '\0');
}

TEST(FormParser, ErrorsNameWhatAndTheLineOfTheToken) {
  EXPECT_EQ(ErrorOf("a\r\nb\r\n'open"), "Unterminated string on line 3");
  EXPECT_EQ(ErrorOf("'two\r\nlines'"), "Unterminated string on line 1");
  EXPECT_EQ(ErrorOf("#65536"), "Invalid character code on line 1");
  EXPECT_EQ(ErrorOf("'a'#"), "Invalid character code on line 1");
  EXPECT_EQ(ErrorOf("\n\n99999999999999999999"), "Number out of range on line 3");
  EXPECT_EQ(ErrorOf("12abc"), "Invalid number on line 1");
  EXPECT_EQ(ErrorOf("-$"), "Invalid number on line 1");
  EXPECT_EQ(ErrorOf("1e99999"), "Number out of range on line 1");
  EXPECT_EQ(ErrorOf("1e999d"), "Number out of range on line 1");  // dates are doubles
  EXPECT_EQ(ErrorOf("1e39s"), "Number out of range on line 1");
  EXPECT_EQ(ErrorOf("1.5x"), "Invalid number on line 1");

  TParser p("+\n5");
  p.NextToken();
  try {
    p.CheckKind(TTokenKind::String);
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "String expected on line 2");
  }
  EXPECT_THROW(p.CheckSymbol(')'), EParserError);
}

TEST(FormParser, HexBinaryReadsDigitPairsAcrossLines) {
  TParser p("{00ff\r\n  A5 7A}x");
  std::vector<std::uint8_t> bytes;
  p.ReadHexBinary(bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0xFF, 0xA5, 0x7A}));
  EXPECT_EQ(p.TokenText(), "x");

  auto error = [](std::string_view text) {
    TParser q(text);
    std::vector<std::uint8_t> b;
    try {
      q.ReadHexBinary(b);
    } catch (const EParserError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(error("{ABC}"), "Invalid binary value on line 1");
  EXPECT_EQ(error("{AG}"), "Invalid binary value on line 1");
  EXPECT_EQ(error("{00\r\n11"), "'}' expected on line 2");
}

}  // namespace
