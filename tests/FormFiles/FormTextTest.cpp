#include <gtest/gtest.h>

#include <algorithm>

#include "EmbeddedFiles.h"
#include "FormFiles/FormBinary.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "Rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A form "object A: T" whose single property P has the value bytes given.
Bytes FormWithValue(const Bytes& value) {
  Bytes b = {'T', 'P', 'F', '0', 1, 'T', 1, 'A', 1, 'P'};
  b.insert(b.end(), value.begin(), value.end());
  b.push_back(0);
  b.push_back(0);
  return b;
}

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
             1,   'S', 0x12, 1,   0,   0,    0,   'x', 0,    // S = "x" as UTF-16
             1,   'B', 0x07, 4,   'T', 'r',  'u', 'e',      // B = the identifier True
             0,   0,   'j',  'u', 'n', 'k'};                // trailing bytes are not read
  // clang-format on
  std::string text = FormBinaryToText(b);
  EXPECT_EQ(text, "inherited T\r\n  I = 5\r\n  S = 'x'\r\n  B = True\r\nend\r\n");
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
  w.WriteString(u"short");
  w.WriteString(s65);
  w.WriteListEnd();
  w.WritePropertyName("D");
  const Bytes data(33, 0xAB);
  w.WriteBinary(data.data(), data.size());
  w.WritePropertyName("E");
  w.WriteBinary(data.data(), 32);
  w.WriteListEnd();
  w.WriteListEnd();

  const std::string a64(64, 'a');
  std::string hexLine;
  for (int i = 0; i < 32; ++i) hexLine += "AB";
  // clang-format off
  const std::string text =
      "object A: T\r\n"
      "  S = \r\n"
      "    '" + a64 + "' +\r\n"
      "    'b'\r\n"
      "  L = (\r\n"
      "    'short'\r\n"
      "    \r\n"  // a long item starts on a line of its own, too
      "      '" + a64 + "' +\r\n"
      "      'b')\r\n"
      "  D = {\r\n"
      "    " + hexLine + "\r\n"
      "    AB}\r\n"
      "  E = {" + hexLine + "}\r\n"
      "end\r\n";
  // clang-format on
  EXPECT_EQ(FormBinaryToText(b), text);
  EXPECT_EQ(FormTextToBinary(text), b);
}

TEST(FormText, FloatsDatesAndCurrencyInTheirTextLayout) {
  const std::string text =
      "object A: T\r\n"
      "  Zoom = 1.000000000000000000\r\n"
      "  Ratio = -0.750000000000000000\r\n"
      "  Width = 64.677180000000010000\r\n"
      "  Empty = 0d\r\n"
      "  Stamp = 42264.8488657407d\r\n"
      "  Price = -12.34c\r\n"
      "  Free = 0c\r\n"
      "  Budget = 424300000c\r\n"
      "  Scale = 0.1s\r\n"
      "  Origin = 0s\r\n"
      "end\r\n";
  Bytes b = FormTextToBinary(text);
  EXPECT_EQ(FormBinaryToText(b), text);
  TBinaryFormReader r(b);
  r.ReadSignature();
  TObjectHeader h;
  r.ReadObjectHeader(h);
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadValueType(), TValueType::vaExtended);
  EXPECT_EQ(r.ReadExtendedBody(), ExtendedFromDouble(1.0));
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadFloat(), -0.75);
  r.ReadPropertyName();
  r.ReadFloat();
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadValueType(), TValueType::vaDate);
  EXPECT_EQ(r.ReadDateBody(), 0.0);
  r.ReadPropertyName();
  r.ReadValueType();
  r.ReadDateBody();
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadValueType(), TValueType::vaCurrency);
  EXPECT_EQ(r.ReadCurrencyBody(), -123400);
  for (int i = 0; i < 2; ++i) {
    r.ReadPropertyName();
    r.ReadValueType();
    r.ReadCurrencyBody();
  }
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadValueType(), TValueType::vaSingle);
  EXPECT_EQ(r.ReadSingleBody(), 0.1f);
  // Other spellings read as the same values and come back in the layout above.
  EXPECT_EQ(FormBinaryToText(FormTextToBinary("object A: T\r\n  Zoom = 1.0\r\n  Ratio = -75E-2\r\n"
                                              "  Width = 64.67718000000001\r\n  Empty = 0.0d\r\n"
                                              "  Stamp = 4.22648488657407E4d\r\n"
                                              "  Price = -12.3400c\r\n  Free = 0.0c\r\n"
                                              "  Budget = 424300000.0000c\r\n"
                                              "  Scale = 1E-1s\r\n  Origin = 0.0s\r\nend")),
            text);
}

TEST(FormText, ShortTextStoredAsALongStringKeepsItsType) {
  const std::string text = "object A: T\r\n  S = 'Connect' + ''\r\n  T = 'Connect'\r\nend\r\n";
  Bytes b = FormTextToBinary(text);
  const Bytes lstring = {0x0C, 7, 0, 0, 0, 'C', 'o', 'n', 'n', 'e', 'c', 't'};
  EXPECT_NE(std::search(b.begin(), b.end(), lstring.begin(), lstring.end()), b.end());
  EXPECT_EQ(FormBinaryToText(b), text);
  // Where the type follows from the text anyway, the empty piece changes nothing.
  Bytes wide = FormTextToBinary("object A: T\r\n  S = 'caf'#233 + ''\r\nend");
  EXPECT_EQ(FormBinaryToText(wide), "object A: T\r\n  S = 'caf'#233\r\nend\r\n");
}

bool Holds(const Bytes& b, const Bytes& part) {
  return std::search(b.begin(), b.end(), part.begin(), part.end()) != b.end();
}

Bytes StringValue(std::uint8_t kind, std::string_view body) {
  Bytes v = {kind};
  if (kind == 0x06) {
    v.push_back(static_cast<std::uint8_t>(body.size()));
  } else {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
  }
  v.insert(v.end(), body.begin(), body.end());
  return v;
}

TEST(FormText, EightBitStringsKeepTheirBytesWhateverTheCodePage) {
  // Code page 1251 "Отмена" stands raw in 8-bit text, as the older tools wrote it; no
  // reader knows the code page, so the bytes stay bytes both ways.
  const std::string cancel = "\xCE\xF2\xEC\xE5\xED\xE0";
  const std::string wide(70, '\xB1');  // double-byte text is cut by bytes, as the tools do
  const std::string text =
      "object A: T\r\n"
      "  Caption = '" +
      cancel +
      "'#13#10'!'\r\n"
      "  Hint = '" +
      cancel +
      "' + ''\r\n"
      "  Filter = \r\n"
      "    '" +
      wide.substr(0, 64) +
      "' +\r\n"
      "    '" +
      wide.substr(64) +
      "'\r\n"
      "  Items.Strings = (\r\n"
      "    '" +
      cancel +
      "'\r\n"
      "    '')\r\n"
      "end\r\n";
  Bytes b = FormTextToBinary(text);
  EXPECT_TRUE(Holds(b, StringValue(0x06, cancel + "\r\n!")));
  EXPECT_TRUE(Holds(b, StringValue(0x0C, cancel)));
  EXPECT_TRUE(Holds(b, StringValue(0x06, wide)));
  EXPECT_EQ(FormBinaryToText(b), text);
  // Codes above 127 are characters, never bytes of a code page.
  EXPECT_EQ(FormTextToBinary("object A: T\r\n  P = #206#242\r\nend"),
            FormWithValue({0x12, 2, 0, 0, 0, 0xCE, 0, 0xF2, 0}));
  EXPECT_EQ(ParseError("object A: T\r\n  S = '\xCE' +\r\n    #1054\r\nend"),
            "8-bit characters beside character codes above 127 (save the form as UTF-8) on "
            "line 3");
  // UTF-8 text has no place for bytes of a code page, nor 8-bit text for UTF-8 names.
  Bytes named = FormTextToBinary("\xEF\xBB\xBFobject \xD0\x90: T\r\nend");
  named.insert(named.end() - 2, {1, 'S'});
  const Bytes value = StringValue(0x06, "\xCE");
  named.insert(named.end() - 2, value.begin(), value.end());
  try {
    FormBinaryToText(named);
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(),
              "Invalid form data at offset 11: 8-bit text beyond ASCII in a form with "
              "non-ASCII names");
  }
}

TEST(FormText, StringsOfCharactersTakeTheKindTheToolsGiveThem) {
  // A tie between UTF-8 and UTF-16 goes to UTF-16 for a property, to UTF-8 in a list.
  Bytes b = FormTextToBinary(
      "object A: T\r\n  P = #1055#1072\r\n  L = (\r\n    #1055#1072\r\n"
      "    #20013)\r\nend");
  EXPECT_TRUE(Holds(b, {1, 'P', 0x12, 2, 0, 0, 0, 0x1F, 0x04, 0x30, 0x04}));
  EXPECT_TRUE(
      Holds(b, {0x01, 0x14, 4, 0, 0, 0, 0xD0, 0x9F, 0xD0, 0xB0, 0x12, 1, 0, 0, 0, 0x2D, 0x4E}));
}

TEST(FormText, AnIdentifierValueThatIsNoIdentifierKeepsItsBytes) {
  // Some writers stored memory garbage as an identifier value.
  Bytes b = FormWithValue({0x07, 3, '1', 0x00, '\r'});
  std::string text = FormBinaryToText(b);
  EXPECT_EQ(text, "object A: T\r\n  P = @{31000D}\r\nend\r\n");
  EXPECT_EQ(FormTextToBinary(text), b);
  EXPECT_EQ(ParseError("object A: T\r\n  P = @{" + std::string(512, '0') + "}\r\nend"),
            "Identifier too long on line 2");
  EXPECT_EQ(ParseError("object A: T\r\n  P = @{54727565}\r\nend"),
            "Identifier written in @{} (write it as it is) on line 2");
}

TEST(FormText, NonAsciiIdentifiersMakeUtf8TextWithAByteOrderMark) {
  const EmbeddedFile& f = TestForm("Utf8Names.dfm");
  ASSERT_TRUE(HasUtf8Bom(f.Text()));
  Bytes b = FormTextToBinary(f.Text());
  const Bytes name = {0xD0, 0xA4, 0xD0, 0xBE, 0xD1,
                      0x80, 0xD0, 0xBC, 0xD0, 0xB0};  // UTF-8 there too
  EXPECT_NE(std::search(b.begin(), b.end(), name.begin(), name.end()), b.end());
  EXPECT_EQ(FormBinaryToText(b), f.Text());
  // Without the mark the text is 8-bit, where identifiers are ASCII.
  EXPECT_EQ(ParseError(f.Text().substr(3)), "Identifier expected on line 1");
  // ASCII-only forms stay free of the mark, even when read from UTF-8 text.
  EXPECT_EQ(
      FormBinaryToText(FormTextToBinary("\xEF\xBB\xBFobject A: T\r\n  S = 'caf\xC3\xA9'\r\nend")),
      "object A: T\r\n  S = 'caf'#233\r\nend\r\n");
  EXPECT_EQ(ParseError("\xEF\xBB\xBFobject A: T\r\n  S = 'caf\xE9'\r\nend"),
            "Invalid UTF-8 text on line 2");
  EXPECT_EQ(ParseError("\xEF\xBB\xBFobject A: T\r\n  P\xFF = 1\r\nend"),
            "Invalid UTF-8 text on line 2");
}

TEST(FormText, LineOffsetsPointIntoTheBinary) {
  Bytes b = FormTextToBinary(TestForm("Translatable.dfm").Text());
  std::vector<std::size_t> offsets;
  std::string text = FormBinaryToText(b.data(), b.size(), &offsets);
  std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  ASSERT_EQ(offsets.size(), lines);
  EXPECT_EQ(offsets[0], 4u);  // the root's header, behind the signature
  EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
  // Line 2 ("  Left = 192") starts where its property name does.
  const std::string left = "\x04Left";
  EXPECT_EQ(offsets[1], static_cast<std::size_t>(
                            std::search(b.begin(), b.end(), left.begin(), left.end()) - b.begin()));
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
  // A byte-order mark is not a line: errors still name the line they are on.
  EXPECT_EQ(ParseError("\xEF\xBB\xBFobject A: T\r\n  P = 1\r\n  Q 2\r\nend"),
            "'end' expected on line 3");
  EXPECT_EQ(ParseError("\xEF\xBB\xBF\r\n\r\nthing"),
            "'object', 'inherited' or 'inline' expected on line 3");
  EXPECT_EQ(ParseError("object A: T\r\n  P = 1.5E99999\r\nend"), "Number out of range on line 2");
  EXPECT_EQ(ParseError(std::string("\xFF\xFEo\0b\0", 6)),
            "UTF-16 text is not read (save the form as UTF-8 or 8-bit text) on line 1");
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
