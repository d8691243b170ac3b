#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "Rtl/Variant.h"

namespace {

using R = TVariantRelationship;

TEST(Variant, IntegersTakeTheTypeOfTheirDeclaredWidth) {
  EXPECT_EQ(Variant(std::int16_t{-5}).Type(), varSmallint);
  EXPECT_EQ(Variant(std::uint16_t{65535}).Type(), varWord);
  EXPECT_EQ(Variant(7).Type(), varInteger);
  EXPECT_EQ(Variant(std::int64_t{1} << 40).Type(), varInt64);
  EXPECT_EQ(Variant(std::uint32_t{4000000000u}).AsInt64(), 4000000000);
  EXPECT_THROW(Variant(std::numeric_limits<std::uint64_t>::max()), EVariantOverflowError);
  EXPECT_EQ(Variant("x").Type(), varString);  // not a Boolean through the pointer
  EXPECT_EQ(Variant(u"x").Type(), varOleStr);
}

TEST(Variant, Int64KeepsEveryDigit) {
  const std::int64_t big = 9007199254740993;  // not representable as a double
  Variant v(big);
  EXPECT_EQ(v.AsInt64(), big);
  EXPECT_EQ(v.AsAnsiString(), "9007199254740993");
  EXPECT_EQ(Variant(u"9007199254740993").AsInt64(), big);
  EXPECT_EQ(VarCompareValue(Variant(big), Variant(big - 1)), R::vrGreaterThan);
}

TEST(Variant, NarrowingConversionsRoundHalfToEvenAndCheckRange) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency{25000}).AsInteger(), 2);  // 2.5
  EXPECT_EQ(Variant(Currency{-35000}).AsInteger(), -4);
  EXPECT_EQ(Variant(40000).AsWord(), 40000);
  EXPECT_THROW(Variant(70000).AsWord(), EVariantOverflowError);
  EXPECT_THROW(Variant(-1).AsWord(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(std::numeric_limits<double>::quiet_NaN()).AsInteger(),
               EVariantOverflowError);
  EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EVariantOverflowError);
}

TEST(Variant, NullConvertsToNothingWhileEmptyIsZero) {
  Variant empty;
  EXPECT_EQ(empty.AsInteger(), 0);
  EXPECT_EQ(empty.AsWideString(), u"");
  EXPECT_FALSE(empty.AsBoolean());
  try {
    Variant::Null().AsInteger();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Integer)");
  }
  EXPECT_THROW(Variant::Null().AsWideString(), EVariantTypeCastError);
  EXPECT_EQ(VarToWideStr(Variant::Null()), u"");
}

TEST(Variant, StringsConvertToNumbersOnlyWhenTheyReadAsOne) {
  EXPECT_EQ(Variant(u" 42 ").AsInteger(), 42);
  EXPECT_EQ(Variant("+7").AsInt64(), 7);
  EXPECT_DOUBLE_EQ(Variant(u"1.25").AsDouble(), 1.25);
  EXPECT_EQ(Variant(u"2.5").AsInteger(), 2);
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  try {
    Variant(u"12abc").AsInteger();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (OleStr) into type (Integer)");
  }
  EXPECT_THROW(Variant(u"\u0661").AsInteger(), EVariantTypeCastError);  // not ASCII digits
  EXPECT_THROW(Variant(u"maybe").AsBoolean(), EVariantTypeCastError);
}

TEST(Variant, TextOfValues) {
  EXPECT_EQ(Variant(true).AsWideString(), u"True");
  EXPECT_EQ(Variant(0.1).AsAnsiString(), "0.1");
  EXPECT_EQ(Variant(1e20).AsAnsiString(), "1E20");
  EXPECT_EQ(Variant(1.5e-7).AsAnsiString(), "1.5E-7");
  EXPECT_EQ(Variant(Currency::FromDouble(-12.5)).AsAnsiString(), "-12.5");
  EXPECT_EQ(Variant(Currency::FromDouble(3)).AsAnsiString(), "3");
  EXPECT_EQ(Variant::FromDate(2).AsAnsiString(), "1900-01-01");
  EXPECT_EQ(Variant::FromDate(0.75).AsAnsiString(), "18:00:00");
  EXPECT_EQ(Variant::FromDate(36526.5).AsAnsiString(), "2000-01-01 12:00:00");
  EXPECT_DOUBLE_EQ(Variant(u"2000-01-01 12:00:00").AsDateTime(), 36526.5);
  EXPECT_THROW(Variant(u"2001-02-29").AsDateTime(), EVariantTypeCastError);
  EXPECT_THROW(Variant::FromDate(1e12).AsAnsiString(), EVariantTypeCastError);
  EXPECT_EQ(Variant(u"\u00e9t\u00e9").AsAnsiString(), "\xe9t\xe9");  // system code page
}

TEST(Variant, CurrencyRoundsToFourDecimalsAndRefusesOverflow) {
  EXPECT_EQ(Currency::FromDouble(12.34567).scaled, 123457);
  EXPECT_EQ(Currency::FromDouble(-0.00004).scaled, 0);
  EXPECT_EQ(Variant(7).AsCurrency().scaled, 70000);
  EXPECT_THROW(Currency::FromDouble(1e16), EVariantOverflowError);
  EXPECT_THROW(Variant(std::int64_t{1} << 62).AsCurrency(), EVariantOverflowError);
}

TEST(Variant, NullAndEmptyAreOnlyEqualToThemselves) {
  EXPECT_EQ(VarCompareValue(Variant(), Variant()), R::vrEqual);
  EXPECT_EQ(VarCompareValue(Variant::Null(), Variant::Null()), R::vrEqual);
  EXPECT_EQ(VarCompareValue(Variant::Null(), Variant()), R::vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant::Null(), Variant(0)), R::vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(u""), Variant()), R::vrNotEqual);
}

TEST(Variant, OrderingAcrossNumericTypes) {
  EXPECT_EQ(VarCompareValue(Variant(std::int16_t{3}), Variant(std::int64_t{3})), R::vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(2), Variant(2.5)), R::vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(Currency{25000}), Variant(2.5)), R::vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(Currency{20001}), Variant(2)), R::vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant(std::numeric_limits<std::int64_t>::max()),
                            Variant(Currency{std::numeric_limits<std::int64_t>::max()})),
            R::vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant(false), Variant(true)), R::vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(std::numeric_limits<double>::quiet_NaN()), Variant(1.0)),
            R::vrNotEqual);
}

TEST(Variant, StringsOrderByTextAndAgainstNumbersOnlyWhenNumeric) {
  EXPECT_EQ(VarCompareValue(Variant(u"apple"), Variant("banana")), R::vrLessThan);
  // Case counts; which comes first is the locale's business.
  R caseOrder = VarCompareValue(Variant(u"b"), Variant(u"B"));
  EXPECT_TRUE(caseOrder == R::vrLessThan || caseOrder == R::vrGreaterThan);
  EXPECT_NE(VarCompareValue(Variant(u"B"), Variant(u"b")), caseOrder);
  EXPECT_EQ(VarCompareValue(Variant(u"10"), Variant(9)), R::vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant(9), Variant(u"10")), R::vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(u"ten"), Variant(9)), R::vrNotEqual);
}

TEST(Variant, ArraysHaveBoundsAndCopyOnWrite) {
  Variant a = VarArrayCreate(2, 4);
  EXPECT_EQ(a.DimCount(), 1);
  EXPECT_EQ(a.LowBound(), 2);
  EXPECT_EQ(a.HighBound(), 4);
  EXPECT_TRUE(a.GetElement(3).IsEmpty());
  a.PutElement(3, Variant(u"x"));
  Variant b = a;
  b.PutElement(3, Variant(5));
  EXPECT_EQ(a.GetElement(3).AsWideString(), u"x");
  EXPECT_EQ(b.GetElement(3).AsInteger(), 5);
  EXPECT_THROW(a.GetElement(1), EVariantBadIndexError);
  EXPECT_THROW(a.PutElement(5, Variant(1)), EVariantBadIndexError);
  EXPECT_THROW(Variant(1).LowBound(), EVariantError);
  EXPECT_THROW(VarArrayCreate(3, 1), EVariantError);

  Variant empty = VarArrayCreate(0, -1);
  EXPECT_EQ(empty.HighBound(), -1);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1, u"a"}), VarArrayOf({1, u"a"})), R::vrEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1, u"a"}), VarArrayOf({1, u"b"})), R::vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), Variant(1)), R::vrNotEqual);
  EXPECT_THROW(VarArrayOf({1}).AsInteger(), EVariantTypeCastError);
}

class Counted : public TInterfacedObject {
 public:
  explicit Counted(bool& destroyed) : destroyed_(destroyed) {}
  ~Counted() override { destroyed_ = true; }

 private:
  bool& destroyed_;
};

TEST(Variant, InterfaceReferencesAreCountedAndCompareByIdentity) {
  bool destroyed = false;
  {
    TInterfaceRef ref(new Counted(destroyed));
    Variant v(ref);
    Variant copy = v;
    EXPECT_EQ(static_cast<Counted*>(ref.get())->RefCount(), 3);
    EXPECT_EQ(VarCompareValue(v, copy), R::vrEqual);
    EXPECT_EQ(Variant(ref, true).Type(), varDispatch);
    EXPECT_THROW(v.AsInteger(), EVariantTypeCastError);
    bool other = false;
    EXPECT_EQ(VarCompareValue(v, Variant(TInterfaceRef(new Counted(other)))), R::vrNotEqual);
    EXPECT_TRUE(other);
  }
  EXPECT_TRUE(destroyed);
}

TEST(Variant, CopiesAndMovesShareTextSafely) {
  Variant a(u"shared text that is longer than any small buffer");
  Variant b = a;
  Variant c = std::move(a);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(b.WideView(), c.WideView());
  EXPECT_EQ(b.WideView().data(), c.WideView().data());  // one copy of the text
  b = b;
  c = Variant(1);
  EXPECT_EQ(b.AsWideString(), u"shared text that is longer than any small buffer");
}

}  // namespace
