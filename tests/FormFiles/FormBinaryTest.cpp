#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "EmbeddedFiles.h"
#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "Rtl/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A form "object A: T" whose single property P has the value bytes given; the value
// starts at offset 10.
Bytes FormWithValue(const Bytes& value) {
  Bytes b = {'T', 'P', 'F', '0', 1, 'T', 1, 'A', 1, 'P'};
  for (std::uint8_t v : value) b.push_back(v);
  b.push_back(0);  // end of properties
  b.push_back(0);  // end of children
  return b;
}

std::string ReadError(const Bytes& bytes) {
  try {
    FormBinaryToText(bytes);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FormBinary, IntegersTakeTheSmallestTypeAndReadBack) {
  struct Case {
    std::int64_t value;
    TValueType type;
  };
  const Case cases[] = {
      {0, TValueType::vaInt8},
      {127, TValueType::vaInt8},
      {-128, TValueType::vaInt8},
      {128, TValueType::vaInt16},
      {-129, TValueType::vaInt16},
      {32767, TValueType::vaInt16},
      {-32769, TValueType::vaInt32},
      {INT32_MAX, TValueType::vaInt32},
      {INT32_MIN, TValueType::vaInt32},
      {static_cast<std::int64_t>(INT32_MAX) + 1, TValueType::vaInt64},
      {INT64_MIN, TValueType::vaInt64},
  };
  for (const Case& c : cases) {
    Bytes out;
    TBinaryFormWriter w(out);
    w.WriteInteger(c.value);
    EXPECT_EQ(out[0], static_cast<std::uint8_t>(c.type)) << c.value;
    TBinaryFormReader r(out);
    EXPECT_EQ(r.ReadInteger(), c.value);
    EXPECT_EQ(r.Position(), out.size()) << c.value;
  }
  EXPECT_EQ(static_cast<int>(TValueType::vaInt64), 0x13);
}

TEST(FormBinary, StringKindFollowsContentAndLength) {
  constexpr TValueType k8 = TValueType::vaString;
  constexpr TValueType kLong = TValueType::vaLString;
  constexpr TValueType kUtf8 = TValueType::vaUtf8String;
  constexpr TValueType kWide = TValueType::vaWString;
  struct Case {
    std::u16string text;
    TValueType type;      // as a property's value
    TValueType itemType;  // as a list item
  };
  const Case cases[] = {
      {u"", k8, k8},
      {std::u16string(255, u'a'), k8, k8},
      {std::u16string(256, u'a'), kLong, kLong},
      // Non-ASCII text: UTF-8 when it is shorter than UTF-16; on a tie, as the tools
      // store it in real forms, UTF-16 for a property and UTF-8 for a list item.
      {u"caf\u00E9", kUtf8, kUtf8},                  // 5 bytes against 8
      {u"\u0422\u0438\u043F \u043C", kUtf8, kUtf8},  // 9 against 10
      {u"\u041F\u0430", kWide, kUtf8},               // 4 against 4
      {u"\u20AC", kWide, kWide},                     // 3 against 2
      {u"\U0001F600", kWide, kUtf8},                 // 4 against 4
      {u"abcdef\xD83D", kWide, kWide},               // UTF-8 cannot carry a lone surrogate
  };
  for (const Case& c : cases) {
    for (bool item : {false, true}) {
      Bytes out;
      TBinaryFormWriter w(out);
      w.WriteString(c.text, item);
      EXPECT_EQ(out[0], static_cast<std::uint8_t>(item ? c.itemType : c.type)) << c.text.size();
      TBinaryFormReader r(out);
      EXPECT_EQ(r.ReadString(), c.text);
      EXPECT_EQ(r.Position(), out.size());
    }
  }
}

TEST(FormBinary, OrdinaryObjectsStartWithTheirClassNameAndOthersWithFlags) {
  Bytes out;
  TBinaryFormWriter w(out);
  w.WriteObjectHeader({0, 0, "TA", "A"});
  w.WriteObjectHeader({kFlagInherited, 0, "TB", ""});
  w.WriteObjectHeader({kFlagInline | kFlagChildPos, 300, "TC", "C"});
  const Bytes expected = {2,    'T',  'A',  1,    'A',                     // plain
                          0xF1, 2,    'T',  'B',  0,                       // inherited
                          0xF6, 0x03, 0x2C, 0x01, 2,   'T', 'C', 1, 'C'};  // inline [300]
  EXPECT_EQ(out, expected);

  TBinaryFormReader r(out);
  TObjectHeader h;
  r.ReadObjectHeader(h);
  EXPECT_EQ(h.flags, 0);
  EXPECT_EQ(h.className, "TA");
  r.ReadObjectHeader(h);
  EXPECT_EQ(h.flags, kFlagInherited);
  EXPECT_EQ(h.objectName, "");
  r.ReadObjectHeader(h);
  EXPECT_EQ(h.flags, kFlagInline | kFlagChildPos);
  EXPECT_EQ(h.childPos, 300);
  EXPECT_EQ(h.objectName, "C");
}

TEST(FormBinary, AClassNameWhoseLengthLooksLikeFlagsGetsAnEmptyFlagsByte) {
  const std::string longName = "T" + std::string(249, 'x');
  Bytes out;
  TBinaryFormWriter w(out);
  w.WriteSignature();
  w.WriteObjectHeader({0, 0, longName, "A"});
  w.WriteListEnd();
  w.WriteListEnd();
  EXPECT_EQ(out[4], 0xF0);
  EXPECT_EQ(out[5], 250);
  EXPECT_EQ(FormBinaryToText(out), "object A: " + longName + "\r\nend\r\n");
}

TEST(FormBinary, FloatsAreTenByteExtendedValues) {
  // 0.8 as stored by the development tools (a double's value widened).
  Bytes stored = FormWithValue({0x05, 0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFE, 0x3F});
  EXPECT_EQ(FormBinaryToText(stored), "object A: T\r\n  P = 0.8000000000000000444\r\nend\r\n");
  EXPECT_EQ(FormTextToBinary(FormBinaryToText(stored)), stored);
  // Text 0.8 is the extended value nearest to 0.8.
  Bytes nearest = FormTextToBinary("object A: T\r\n  P = 0.800000000000000000\r\nend");
  EXPECT_EQ(nearest,
            FormWithValue({0x05, 0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFE, 0x3F}));

  TBinaryFormReader r(stored);
  r.ReadSignature();
  TObjectHeader h;
  r.ReadObjectHeader(h);
  r.ReadPropertyName();
  EXPECT_EQ(r.ReadFloat(), 0.8);
}

TEST(FormBinary, FloatEncodingsThatAreNoNumberAreRefused) {
  const Bytes refused[] = {
      {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F},  // infinity
      {0x05, 1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F},  // NaN
      {0x05, 0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F},  // unnormal: no integer bit
      {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x00},  // pseudo-denormal
  };
  for (const Bytes& value : refused) {
    EXPECT_EQ(ReadError(FormWithValue(value)),
              "Invalid form data at offset 11: invalid floating-point value");
  }
  for (bool single : {false, true}) {
    Bytes value;
    TBinaryFormWriter w(value);
    if (single) {
      w.WriteSingle(std::numeric_limits<float>::quiet_NaN());
    } else {
      w.WriteDate(std::numeric_limits<double>::infinity());
    }
    EXPECT_EQ(ReadError(FormWithValue(value)),
              "Invalid form data at offset 11: invalid floating-point value");
  }
  // A denormal is a number.
  EXPECT_EQ(ReadError(FormWithValue({0x05, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0})), "no error");
}

TEST(FormBinary, EveryTruncationIsAReadErrorNotACrash) {
  for (const char* name : {"AllValues.dfm", "Utf8Names.dfm"}) {
    Bytes whole = AddFormResourceHeader(FormTextToBinary(TestForm(name).Text()));
    ASSERT_NO_THROW(FormBinaryToText(whole));
    for (std::size_t n = 0; n < whole.size(); ++n) {
      Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_THROW(FormBinaryToText(part), EReadError) << name << " " << n;
    }
  }
}

TEST(FormBinary, LengthsBeyondTheDataAreRefusedBeforeAnyAllocation) {
  const std::uint8_t kHuge[] = {0xFF, 0xFF, 0xFF, 0x7F};
  for (TValueType t : {TValueType::vaLString, TValueType::vaWString, TValueType::vaBinary,
                       TValueType::vaUtf8String}) {
    Bytes value = {static_cast<std::uint8_t>(t)};
    value.insert(value.end(), std::begin(kHuge), std::end(kHuge));
    value.push_back('x');
    EXPECT_EQ(ReadError(FormWithValue(value)),
              "Invalid form data at offset 15: unexpected end of data")
        << static_cast<int>(t);
  }
  EXPECT_EQ(ReadError(FormWithValue({0x06, 10, 'a'})),
            "Invalid form data at offset 12: unexpected end of data");
}

TEST(FormBinary, MalformedStructureNamesWhatIsWrong) {
  EXPECT_EQ(ReadError({'T', 'P', 'F', '1', 0xF0}),
            "Invalid form data at offset 0: missing signature \"TPF0\"");
  Bytes form = FormWithValue({0x02, 5});
  form.insert(form.begin() + 4, 0xF5);  // inherited and inline
  EXPECT_EQ(ReadError(form), "Invalid form data at offset 4: invalid object flags 245");
  form[4] = 0xF8;
  EXPECT_EQ(ReadError(form), "Invalid form data at offset 4: invalid object flags 248");
  form[4] = 0xF0;  // no flags: read, though the writer does not write it
  EXPECT_EQ(ReadError(form), "no error");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 0, 0, 0}),
            "Invalid form data at offset 5: invalid class name");
  EXPECT_EQ(ReadError(FormWithValue({0x15})),
            "Invalid form data at offset 10: unknown value type 21");
  EXPECT_EQ(ReadError(FormWithValue({0x00})), "Invalid form data at offset 11: value expected");
  EXPECT_EQ(ReadError(FormWithValue({0x0B, 1, 'a', 1, '.', 0})),
            "Invalid form data at offset 15: invalid set element");
  EXPECT_EQ(ReadError(FormWithValue({0x0E, 0x02})),
            "Invalid form data at offset 11: collection item expected");
  EXPECT_EQ(ReadError(FormWithValue({0x14, 2, 0, 0, 0, 0xC3, 0x28})),
            "Invalid form data at offset 11: invalid UTF-8 text");

  Bytes badClass = FormWithValue({0x02, 1});
  badClass[5] = ' ';
  EXPECT_EQ(ReadError(badClass), "Invalid form data at offset 6: invalid class name");
}

TEST(FormBinary, ChildPositionMustBeASmallInteger) {
  Bytes b = {'T', 'P', 'F', '0', 0xF2, 0x05, 'x', 1, 'T', 0, 0, 0};
  EXPECT_EQ(ReadError(b), "Invalid form data at offset 6: child position must be an integer");
  b[5] = 0x02;  // Int8 7
  b[6] = 7;
  EXPECT_EQ(FormBinaryToText(b), "object T [7]\r\nend\r\n");
}

TEST(FormBinary, AFormFileIsAResourceHeaderAndTheStream) {
  Bytes stream = FormTextToBinary("object Form1: TForm1\r\n  Left = 1\r\nend\r\n");
  Bytes file = AddFormResourceHeader(stream);
  Bytes header = {0xFF, 0x0A, 0x00, 'T', 'F', 'O', 'R', 'M', '1', 0, 0x30, 0x10};
  header.push_back(static_cast<std::uint8_t>(stream.size()));
  header.insert(header.end(), {0, 0, 0});
  ASSERT_EQ(file.size(), header.size() + stream.size());
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  EXPECT_EQ(AddFormResourceHeader(file), file);
  EXPECT_TRUE(IsBinaryForm(file.data(), file.size()));
  EXPECT_EQ(FormBinaryToText(file), FormBinaryToText(stream));

  TBinaryFormReader r(file);
  r.ReadSignature();
  EXPECT_TRUE(r.HasResourceHeader());
  EXPECT_EQ(r.StreamStart(), header.size());

  // The header's size bounds the form; bytes behind it are not read.
  Bytes shortened = file;
  shortened[header.size() - 4] -= 1;
  EXPECT_EQ(ReadError(shortened), "Invalid form data at offset " + std::to_string(file.size() - 1) +
                                      ": unexpected end of data");
  Bytes oversized = file;
  oversized[header.size() - 4] += 1;
  EXPECT_EQ(ReadError(oversized),
            "Invalid form data at offset 16: the resource header gives more bytes than there are");
  // A resource named by number.
  Bytes numbered = {0xFF, 0x0A, 0x00, 0xFF, 0x01, 0x00, 0x30, 0x10};
  numbered.push_back(static_cast<std::uint8_t>(stream.size()));
  numbered.insert(numbered.end(), {0, 0, 0});
  numbered.insert(numbered.end(), stream.begin(), stream.end());
  EXPECT_EQ(FormBinaryToText(numbered), FormBinaryToText(stream));
  EXPECT_EQ(ReadError({0xFF, 0x0A, 0x00, 'T', 'X'}),
            "Invalid form data at offset 5: unexpected end of data");
}

TEST(FormBinary, NestingIsBoundedInBothDirections) {
  auto nestedBinary = [](int lists) {
    Bytes value(static_cast<std::size_t>(lists), 0x01);
    value.insert(value.end(), static_cast<std::size_t>(lists), 0x00);
    return FormWithValue(value);
  };
  // The object itself counts as one level.
  EXPECT_NO_THROW(FormBinaryToText(nestedBinary(kMaxFormDepth - 1)));
  EXPECT_EQ(ReadError(nestedBinary(kMaxFormDepth)), "Invalid form data at offset " +
                                                        std::to_string(10 + kMaxFormDepth) +
                                                        ": form nested too deeply");

  auto nestedText = [](int lists) {
    return "object A: T\r\n  P = " + std::string(static_cast<std::size_t>(lists), '(') +
           std::string(static_cast<std::size_t>(lists), ')') + "\r\nend\r\n";
  };
  EXPECT_NO_THROW(FormTextToBinary(nestedText(kMaxFormDepth - 1)));
  EXPECT_THROW(FormTextToBinary(nestedText(kMaxFormDepth)), Exception);
}

TEST(FormBinary, IdentifierSyntax) {
  EXPECT_TRUE(IsIdentifier("_a1"));
  EXPECT_FALSE(IsIdentifier("1a"));
  EXPECT_FALSE(IsIdentifier(""));
  EXPECT_FALSE(IsIdentifier("a.b"));
  EXPECT_TRUE(IsIdentifier("\xD0\xA1hange"));  // a Cyrillic letter first
  EXPECT_TRUE(
      IsIdentifier("Gr\xC3\xB6\xC3\x9F"
                   "e"));
  EXPECT_FALSE(IsIdentifier("a\xC3"));          // cut sequence
  EXPECT_FALSE(IsIdentifier("a\xC0\xAF"));      // overlong
  EXPECT_FALSE(IsIdentifier("a\xED\xA0\x80"));  // surrogate
  EXPECT_TRUE(IsDottedIdentifier("Font.Name"));
  EXPECT_TRUE(IsDottedIdentifier("a"));
  EXPECT_FALSE(IsDottedIdentifier("a..b"));
  EXPECT_FALSE(IsDottedIdentifier("a."));
  EXPECT_FALSE(IsDottedIdentifier(".a"));
}

}  // namespace
