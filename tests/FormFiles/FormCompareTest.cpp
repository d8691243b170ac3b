#include <gtest/gtest.h>

#include "FormFiles/FormCompare.h"
#include "Rtl/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TFormComparison Compare(const Bytes& a, const Bytes& b) {
  return CompareBinaryForms(a.data(), a.size(), b.data(), b.size());
}

// "object A: T" with the property bytes given, as a flagged (inherited) object or not.
Bytes Form(const Bytes& properties, std::uint8_t flagsByte = 0) {
  Bytes b = {'T', 'P', 'F', '0'};
  if (flagsByte) b.push_back(flagsByte);
  b.insert(b.end(), {1, 'T', 1, 'A'});
  b.insert(b.end(), properties.begin(), properties.end());
  b.insert(b.end(), {0, 0});
  return b;
}

TEST(FormCompare, TheSameContentInOtherKindsIsNoDifference) {
  // clang-format off
  Bytes stored = Form({1, 'I', 0x04, 5, 0, 0, 0,                 // Int32 5
                       1, 'S', 0x12, 2, 0, 0, 0, 'a', 0, 'b', 0,  // "ab" as UTF-16
                       1, 'B', 0x07, 4, 'T', 'R', 'U', 'E',       // the identifier TRUE
                       1, 'L', 0x0C, 1, 0, 0, 0, 0xE9},          // 8-bit, as a long string
                      0xF0);                                      // a flags byte, no flags
  Bytes canonical = Form({1, 'I', 0x02, 5,
                          1, 'S', 0x06, 2, 'a', 'b',
                          1, 'B', 0x09,
                          1, 'L', 0x06, 1, 0xE9});
  // clang-format on
  TFormComparison c = Compare(stored, canonical);
  EXPECT_TRUE(c.sameContent);
  EXPECT_EQ(c.kindChanges, 5);
  EXPECT_EQ(c.kindOffset, 4u);
  EXPECT_EQ(Compare(canonical, canonical).kindChanges, 0);
}

TEST(FormCompare, BytesOfACodePageAreNotTheCharactersOfAnother) {
  // The byte E9 of some code page against the character U+00E9, in UTF-8.
  Bytes eightBit = Form({1, 'S', 0x06, 1, 0xE9});
  Bytes utf8 = Form({1, 'S', 0x14, 2, 0, 0, 0, 0xC3, 0xA9});
  TFormComparison c = Compare(eightBit, utf8);
  EXPECT_FALSE(c.sameContent);
  EXPECT_EQ(c.contentOffset, 10u);
  // Other differences: a value, a name, a missing property.
  EXPECT_EQ(Compare(Form({1, 'I', 0x02, 5}), Form({1, 'I', 0x02, 6})).contentOffset, 10u);
  EXPECT_EQ(Compare(Form({1, 'I', 0x02, 5}), Form({1, 'J', 0x02, 5})).contentOffset, 8u);
  EXPECT_FALSE(Compare(Form({1, 'I', 0x02, 5}), Form({})).sameContent);
  EXPECT_THROW(Compare(Form({1, 'I', 0x11}), eightBit), EReadError);
}

TEST(FormCompare, StringsOfTextAndBinaryInOrder) {
  const std::string text =
      "object A: T\r\n"
      "  Data = {00FF}\r\n"
      "  Id = @{3100}\r\n"
      "  S = 'a' +\r\n"
      "    '\xE9'\r\n"
      "  L = (\r\n"
      "    #233\r\n"
      "    '')\r\n"
      "end\r\n";
  std::vector<TFormStringAt> strings = FormTextStrings(text);
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings[0].content, EightBitContent("a\xE9"));
  EXPECT_TRUE(strings[0].content.codePageBytes);
  EXPECT_EQ(strings[0].where, 4u);
  EXPECT_EQ(strings[1].content, CharContent(u"\u00E9"));
  EXPECT_EQ(strings[2].content, CharContent(u""));
  EXPECT_EQ(strings[2].where, 8u);

  Bytes b = Form({1, 'S', 0x06, 1, 0xE9, 1, 'L', 0x01, 0x14, 2, 0, 0, 0, 0xC3, 0xA9, 0x00});
  std::vector<TFormStringAt> inBinary = FormBinaryStrings(b.data(), b.size());
  ASSERT_EQ(inBinary.size(), 2u);
  EXPECT_EQ(inBinary[0].where, 10u);
  EXPECT_EQ(inBinary[1].where, 16u);
  EXPECT_EQ(FirstStringChange(strings, inBinary), 0u);
  strings.erase(strings.begin());
  EXPECT_EQ(FirstStringChange(strings, inBinary), 0u);
  inBinary.erase(inBinary.begin());
  EXPECT_EQ(FirstStringChange(strings, inBinary), 1u);  // one list ends early
  strings.pop_back();
  EXPECT_EQ(FirstStringChange(strings, inBinary), std::string::npos);
}

}  // namespace
