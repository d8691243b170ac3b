#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EmbeddedFiles.h"
#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "Rtl/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A form "object A: T" whose single property P has the value bytes given.
Bytes FormWithValue(const Bytes& value) {
  Bytes b = {'T', 'P', 'F', '0', 0xF0, 1, 'T', 1, 'A', 1, 'P'};
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
}

TEST(FormBinary, StringKindFollowsContentAndLength) {
  struct Case {
    std::u16string text;
    TValueType type;
  };
  const Case cases[] = {
      {u"", TValueType::vaString},
      {std::u16string(255, u'a'), TValueType::vaString},
      {std::u16string(256, u'a'), TValueType::vaLString},
      {u"caf\u00E9", TValueType::vaWString},  // code-page independent
      {u"\u20AC", TValueType::vaWString},
  };
  for (const Case& c : cases) {
    Bytes out;
    TBinaryFormWriter w(out);
    w.WriteString(c.text);
    EXPECT_EQ(out[0], static_cast<std::uint8_t>(c.type)) << c.text.size();
    TBinaryFormReader r(out);
    EXPECT_EQ(r.ReadString(), c.text);
  }
}

TEST(FormBinary, EveryTruncationIsAReadErrorNotACrash) {
  Bytes whole = FormTextToBinary(TestForm("AllValues.dfm").Text());
  ASSERT_NO_THROW(FormBinaryToText(whole));
  for (std::size_t n = 0; n < whole.size(); ++n) {
    Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(FormBinaryToText(part), EReadError) << n;
  }
}

TEST(FormBinary, LengthsBeyondTheDataAreRefusedBeforeAnyAllocation) {
  const std::uint8_t kHuge[] = {0xFF, 0xFF, 0xFF, 0x7F};
  for (TValueType t : {TValueType::vaLString, TValueType::vaWString, TValueType::vaBinary}) {
    Bytes value = {static_cast<std::uint8_t>(t)};
    value.insert(value.end(), std::begin(kHuge), std::end(kHuge));
    value.push_back('x');
    EXPECT_EQ(ReadError(FormWithValue(value)),
              "Invalid form data at offset 16: unexpected end of data")
        << static_cast<int>(t);
  }
  EXPECT_EQ(ReadError(FormWithValue({0x06, 10, 'a'})),
            "Invalid form data at offset 13: unexpected end of data");
}

TEST(FormBinary, MalformedStructureNamesWhatIsWrong) {
  EXPECT_EQ(ReadError({'T', 'P', 'F', '1', 0xF0}),
            "Invalid form data at offset 0: missing signature \"TPF0\"");
  Bytes form = FormWithValue({0x02, 5});
  form[4] = 0xF5;  // inherited and inline
  EXPECT_EQ(ReadError(form), "Invalid form data at offset 4: invalid object flags 245");
  form[4] = 0x00;
  EXPECT_EQ(ReadError(form), "Invalid form data at offset 4: invalid object flags 0");
  EXPECT_EQ(ReadError(FormWithValue({0x13})),
            "Invalid form data at offset 11: unknown value type 19");
  EXPECT_EQ(ReadError(FormWithValue({0x00})), "Invalid form data at offset 12: value expected");
  EXPECT_EQ(ReadError(FormWithValue({0x07, 2, '1', 'a'})),
            "Invalid form data at offset 15: invalid identifier");
  EXPECT_EQ(ReadError(FormWithValue({0x0B, 1, 'a', 1, '.', 0})),
            "Invalid form data at offset 16: invalid set element");
  EXPECT_EQ(ReadError(FormWithValue({0x0E, 0x02})),
            "Invalid form data at offset 12: collection item expected");

  Bytes badClass = FormWithValue({0x02, 1});
  badClass[6] = ' ';
  EXPECT_EQ(ReadError(badClass), "Invalid form data at offset 7: invalid class name");
}

TEST(FormBinary, NonFiniteFloatsAreRefused) {
  for (double d : {std::numeric_limits<double>::infinity(), std::nan("")}) {
    Bytes out;
    TBinaryFormWriter w(out);
    w.WriteDouble(d);
    EXPECT_EQ(ReadError(FormWithValue(out)),
              "Invalid form data at offset 12: floating-point value is not finite");
  }
}

TEST(FormBinary, ChildPositionMustBeASmallInteger) {
  Bytes b = {'T', 'P', 'F', '0', 0xF2, 0x05, 'x', 1, 'T', 0, 0, 0};
  EXPECT_EQ(ReadError(b), "Invalid form data at offset 6: child position must be an integer");
  b[5] = 0x02;  // Int8 7
  b[6] = 7;
  EXPECT_EQ(FormBinaryToText(b), "object T [7]\r\nend\r\n");
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
                                                        std::to_string(11 + kMaxFormDepth) +
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
  EXPECT_TRUE(IsDottedIdentifier("Font.Name"));
  EXPECT_TRUE(IsDottedIdentifier("a"));
  EXPECT_FALSE(IsDottedIdentifier("a..b"));
  EXPECT_FALSE(IsDottedIdentifier("a."));
  EXPECT_FALSE(IsDottedIdentifier(".a"));
}

}  // namespace
