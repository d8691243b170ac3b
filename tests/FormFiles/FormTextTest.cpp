#include <gtest/gtest.h>

#include "EmbeddedFiles.h"
#include "FormFiles/FormBinary.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "Rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ParseError(std::string_view text) {
  try {
    FormTextToBinary(text);
  } catch (const EParserError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FormText, TestFormsRoundTripExactlyBothWays) {
  ASSERT_GE(kTestFormsCount, 2u);
  for (std::size_t i = 0; i < kTestFormsCount; ++i) {
    const EmbeddedFile& f = kTestForms[i];
    SCOPED_TRACE(f.name);
    Bytes binary = FormTextToBinary(f.Text());
    ASSERT_TRUE(IsBinaryForm(binary.data(), binary.size()));
    std::string text = FormBinaryToText(binary);
    EXPECT_EQ(text, f.Text());
    EXPECT_EQ(FormTextToBinary(text), binary);
  }
}

TEST(FormText, NonCanonicalBinaryReadsAndConvertsToCanonical) {
  // clang-format off
  Bytes b = {'T', 'P', 'F', '0', 0xF1, 1, 'T', 0,
             1,   'I', 0x04, 5,   0,   0,    0,             // I = Int32 5
             1,   'S', 0x06, 4,   'c', 'a',  'f', 0xE9,     // S = 8-bit "caf" + code page e-acute
             1,   'B', 0x07, 4,   'T', 'r',  'u', 'e',      // B = the identifier True
             0,   0,   'j',  'u', 'n', 'k'};                // trailing bytes are not read
  // clang-format on
  std::string text = FormBinaryToText(b);
  EXPECT_EQ(text, "inherited T\r\n  I = 5\r\n  S = 'caf'#233\r\n  B = True\r\nend\r\n");
  Bytes canonical = FormTextToBinary(text);
  EXPECT_LT(canonical.size(), b.size());
  EXPECT_EQ(FormBinaryToText(canonical), text);
  TBinaryFormReader r(canonical);
  r.ReadSignature();
  TObjectHeader h;
  r.ReadObjectHeader(h);
  EXPECT_EQ(h.flags, kFlagInherited);
  EXPECT_EQ(r.ReadPropertyName(), "I");
  EXPECT_EQ(r.ReadValueType(), TValueType::vaInt8);
}

TEST(FormText, LongValuesContinueOneLevelDeeper) {
  const std::u16string s65 = std::u16string(64, u'a') + u"b";
  Bytes b;
  TBinaryFormWriter w(b);
  w.WriteSignature();
  w.WriteObjectHeader({0, 0, "T", "A"});
  w.WritePropertyName("S");
  w.WriteString(s65);
  w.WritePropertyName("L");
  w.WriteListBegin();
  w.WriteString(s65);
  w.WriteListEnd();
  w.WritePropertyName("D");
  const Bytes data(33, 0xAB);
  w.WriteBinary(data.data(), data.size());
  w.WriteListEnd();
  w.WriteListEnd();

  const std::string a64(64, 'a');
  std::string hexLine;
  for (int i = 0; i < 32; ++i) hexLine += "AB";
  // clang-format off
  EXPECT_EQ(FormBinaryToText(b),
            "object A: T\r\n"
            "  S = \r\n"
            "    '" + a64 + "' +\r\n"
            "    'b'\r\n"
            "  L = (\r\n"
            "    '" + a64 + "' +\r\n"
            "      'b')\r\n"
            "  D = {\r\n"
            "    " + hexLine + "\r\n"
            "    AB}\r\n"
            "end\r\n");
  // clang-format on
}

TEST(FormText, KeywordsIgnoreCaseAndAPropertyMayBeNamedLikeOne) {
  Bytes b = FormTextToBinary(
      "OBJECT a: T\r\n  End = 1\r\n  Object = True\r\n  Inline x: Y\r\n  END\r\nEnd");
  EXPECT_EQ(FormBinaryToText(b),
            "object a: T\r\n  End = 1\r\n  Object = True\r\n  inline x: Y\r\n  end\r\nend\r\n");
}

TEST(FormText, TextErrorsNameTheLine) {
  EXPECT_EQ(ParseError("thing A: T\r\nend"),
            "'object', 'inherited' or 'inline' expected on line 1");
  EXPECT_EQ(ParseError("object A: T\r\n  P = 'a' +\r\n    5\r\nend"), "String expected on line 3");
  EXPECT_EQ(ParseError("object A: T\r\n  P 5\r\nend"), "'end' expected on line 2");
  EXPECT_EQ(ParseError("object A: T\r\n"), "'end' expected on line 2");
  EXPECT_EQ(ParseError("object A: T\r\n  P = ]\r\nend"), "Invalid property value on line 2");
  EXPECT_EQ(ParseError("object A: T\r\nend\r\nobject B: T\r\nend"),
            "End of text expected on line 3");
  EXPECT_EQ(ParseError("object A: T\r\n  P = [a, b.c]\r\nend"), "Invalid name on line 2");
  EXPECT_EQ(ParseError("object A: T\r\n  P = [a b]\r\nend"), "']' expected on line 2");
  EXPECT_EQ(ParseError("object A: T\r\n  P = <\r\n    X = 1>\r\nend"), "'item' expected on line 3");
  // "end" is just an identifier inside a list.
  EXPECT_EQ(ParseError("object A: T\r\n  P = (1\r\nend"), "')' expected on line 3");
  EXPECT_EQ(ParseError("object A: T\r\n  P = (1"), "')' expected on line 2");
  EXPECT_EQ(ParseError("object A: T [x]\r\nend"), "Integer expected on line 1");
  EXPECT_EQ(ParseError("object A: T [9999999999]\r\nend"), "Number out of range on line 1");
  EXPECT_EQ(ParseError("object " + std::string(256, 'a') + "\r\nend"),
            "Identifier too long on line 1");
}

TEST(FormText, StreamFormsAppendTheConversion) {
  std::string text(TestForm("Translatable.dfm").Text());
  TMemoryStream in(Bytes(text.begin(), text.end()));
  TMemoryStream binary;
  ObjectTextToBinary(in, binary);
  binary.SetPosition(0);
  TMemoryStream back;
  ObjectBinaryToText(binary, back);
  EXPECT_EQ(std::string(back.Bytes().begin(), back.Bytes().end()), text);
}

TEST(FormText, AppendFormStringCutsAt64AndEscapesTheRest) {
  std::string out;
  AppendFormString(out, u"", 2, true);
  EXPECT_EQ(out, "''");
  out.clear();
  AppendFormString(out, u"a'b\u00E9\x01", 2, true);
  EXPECT_EQ(out, "'a'#39'b'#233#1");
  out.clear();
  // Codes count towards the 64 characters of a line too.
  AppendFormString(out, std::u16string(70, u'\x7F') + u"\t", 2, false);
  EXPECT_EQ(out, "'" + std::string(64, '\x7F') + "' +\r\n  '" + std::string(6, '\x7F') + "'#9");
  out.clear();
  AppendFormString(out, std::u16string(65, u'\n'), 0, false);
  std::string codes;
  for (int i = 0; i < 64; ++i) codes += "#10";
  EXPECT_EQ(out, codes + " +\r\n#10");
}

}  // namespace
