#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

#include "FormFiles/FormFloat.h"

namespace {

TExtended Ext(std::uint16_t signExponent, std::uint64_t significand) {
  TExtended x;
  x.signExponent = signExponent;
  x.significand = significand;
  return x;
}

TExtended Parse(std::string_view text) {
  TExtended x;
  EXPECT_EQ(ParseExtended(text, x), TFloatParse::Ok) << text;
  return x;
}

std::string FormFloat(const TExtended& x) {
  std::string s;
  AppendFormFloat(s, x);
  return s;
}

std::string FormDate(double v) {
  std::string s;
  AppendFormDate(s, v);
  return s;
}

constexpr std::uint64_t kOne = TExtended::kIntegerBit;

TEST(FormFloat, ParsingRoundsToNearestAndTiesToEven) {
  EXPECT_EQ(Parse("1"), Ext(0x3FFF, kOne));
  EXPECT_EQ(Parse("-2.5"), Ext(0xC000, 0xA000000000000000));
  EXPECT_EQ(Parse("0.8"), Ext(0x3FFE, 0xCCCCCCCCCCCCCCCD));
  EXPECT_EQ(Parse("8E-1"), Parse("0.800000000000000000"));
  EXPECT_EQ(Parse("-0.0"), Ext(0x8000, 0));
  // 1 + 2^-64 lies halfway between 1 and the next value: it goes to the even one, 1.
  EXPECT_EQ(Parse("1.0000000000000000000542101086242752217003726400434970855712890625"),
            Ext(0x3FFF, kOne));
  // 1 + 3 * 2^-64 lies halfway between odd 1 + 2^-63 and even 1 + 2^-62.
  EXPECT_EQ(Parse("1.0000000000000000001626303258728256651011179201304912567138671875"),
            Ext(0x3FFF, kOne | 2));
  // A hair above the halfway point goes up.
  EXPECT_EQ(Parse("1.00000000000000000005421010862427522170037264004349708557128906251"),
            Ext(0x3FFF, kOne | 1));
}

TEST(FormFloat, ParsingCoversTheWholeRangeAndRefusesWhatIsBeyond) {
  // The largest finite value, and the smallest denormal with half of it.
  EXPECT_EQ(Parse("1.18973149535723176502E+4932"), Ext(0x7FFE, ~std::uint64_t{0}));
  EXPECT_EQ(Parse("3.6451995318824746025E-4951"), Ext(0x0000, 1));
  EXPECT_EQ(Parse("1.8225997659412373012E-4951"), Ext(0x0000, 0));  // below half: zero
  EXPECT_EQ(Parse("1E-99999"), Ext(0x0000, 0));
  TExtended x;
  EXPECT_EQ(ParseExtended("1.2E+4932", x), TFloatParse::OutOfRange);
  EXPECT_EQ(ParseExtended("1E+99999999999", x), TFloatParse::OutOfRange);
  EXPECT_EQ(ParseExtended("0." + std::string(5000, '1'), x), TFloatParse::TooManyDigits);
  // Zeros do not count as digits.
  EXPECT_EQ(ParseExtended("0." + std::string(5000, '0') + "1", x), TFloatParse::Ok);
  EXPECT_EQ(ParseExtended("1" + std::string(4000, '0') + ".0", x), TFloatParse::Ok);
}

TEST(FormFloat, FormTextPadsTheShortestDigitsToEighteenDecimals) {
  EXPECT_EQ(FormFloat(Parse("0.75")), "0.750000000000000000");
  EXPECT_EQ(FormFloat(Parse("64.67718000000001")), "64.677180000000010000");
  EXPECT_EQ(FormFloat(Parse("-1046.92981")), "-1046.929810000000000000");
  EXPECT_EQ(FormFloat(Ext(0x0000, 0)), "0.000000000000000000");
  EXPECT_EQ(FormFloat(Ext(0x8000, 0)), "-0.000000000000000000");
  EXPECT_EQ(FormFloat(Parse("123456789012345678")), "123456789012345678.000000000000000000");
  EXPECT_EQ(FormFloat(Parse("0.000000000000000001")), "0.000000000000000001");
  // A double's value widened needs more digits than 18 decimals: all of them are kept.
  EXPECT_EQ(FormFloat(ExtendedFromDouble(0.8)), "0.8000000000000000444");
  // Beyond the fixed range the exponent takes over.
  EXPECT_EQ(FormFloat(Parse("1E18")), "1E+18");
  EXPECT_EQ(FormFloat(Parse("-2.5E-19")), "-2.5E-19");
  // The least denormal's neighbours are 0 and twice it: one digit tells it apart.
  EXPECT_EQ(FormFloat(Ext(0x0000, 1)), "4E-4951");
}

TEST(FormFloat, EveryValueReadsBackFromItsTextExactly) {
  std::mt19937_64 rng(2024);
  for (int i = 0; i < 20000; ++i) {
    TExtended x;
    x.significand = rng();
    // Mostly everyday magnitudes, some anywhere in the range (slow to convert, and never
    // seen in forms), some denormals.
    int kind = i % 32;
    int biased = kind == 0   ? static_cast<int>(rng() % 0x7FFF)
                 : kind == 1 ? 0
                             : 16383 - 80 + static_cast<int>(rng() % 160);
    if (biased == 0) {
      x.significand &= ~kOne;
    } else {
      x.significand |= kOne;
    }
    if (kind == 2) x.significand &= 0xFFFFFFFFFFFFF800u;  // a double's value
    x.signExponent = static_cast<std::uint16_t>(biased | (rng() % 2 ? 0x8000 : 0));
    std::string text = FormFloat(x);
    ASSERT_EQ(Parse(text), x) << text;
    if (x.significand == 0) continue;
    // No decimal one digit shorter reads back as the value: neither the digits cut nor
    // the digits cut and rounded up.
    int k = 0;
    std::string digits = ShortestDigits(x, k);
    if (digits.size() < 2) continue;
    std::string cut = digits.substr(0, digits.size() - 1);
    std::string up = cut;
    std::size_t p = up.size();
    while (p > 0 && up[p - 1] == '9') up[--p] = '0';
    if (p == 0) {
      up.insert(0, "1");
    } else {
      ++up[p - 1];
    }
    const TExtended magnitude = Ext(x.signExponent & 0x7FFF, x.significand);
    EXPECT_FALSE(Parse("0." + cut + "E" + std::to_string(k)) == magnitude) << text;
    int kUp = p == 0 ? k + 1 : k;
    EXPECT_FALSE(Parse("0." + up + "E" + std::to_string(kUp)) == magnitude) << text;
  }
}

TEST(FormFloat, AgreesWithTheHardwareWhereLongDoubleIsExtended) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "no 80-bit long double";
  std::mt19937_64 rng(7);
  for (int i = 0; i < 5000; ++i) {
    std::string s = std::to_string(rng() % 1000000) + "." + std::to_string(rng());
    if (i % 3 == 0) s += "E" + std::to_string(static_cast<int>(rng() % 9000) - 4500);
    long double hw = std::strtold(s.c_str(), nullptr);
    std::uint8_t bytes[16] = {};
    std::memcpy(bytes, &hw, TExtended::kSize);
    ASSERT_EQ(Parse(s), TExtended::Load(bytes)) << s;
    double d = ExtendedToDouble(Parse(s));
    double expected = static_cast<double>(hw);
    ASSERT_EQ(std::memcmp(&d, &expected, sizeof d), 0) << s;
  }
}

TEST(FormFloat, DoublesConvertExactlyOneWayAndRoundTheOther) {
  const double doubles[] = {0.0,
                            -0.0,
                            1.0,
                            0.1,
                            -1e300,
                            5e-324 /* least denormal */,
                            2.2250738585072014e-308,
                            std::numeric_limits<double>::max()};
  for (double d : doubles) {
    double back = ExtendedToDouble(ExtendedFromDouble(d));
    EXPECT_EQ(std::memcmp(&back, &d, sizeof d), 0) << d;
  }
  EXPECT_EQ(ExtendedFromDouble(1.0), Ext(0x3FFF, kOne));
  EXPECT_EQ(ExtendedFromDouble(5e-324), Ext(0x3FFF - 1074, kOne));
  // 1 + 2^-53 is halfway between two doubles: even wins; a bit more rounds up.
  EXPECT_EQ(ExtendedToDouble(Ext(0x3FFF, kOne | (std::uint64_t{1} << 10))), 1.0);
  EXPECT_EQ(ExtendedToDouble(Ext(0x3FFF, kOne | (std::uint64_t{3} << 10))), 1.0 + 0x1p-51);
  EXPECT_EQ(ExtendedToDouble(Ext(0x3FFF, kOne | (std::uint64_t{1} << 10) | 1)), 1.0 + 0x1p-52);
  EXPECT_EQ(ExtendedToDouble(Ext(0x7FFE, kOne)), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExtendedToDouble(Ext(0x0001, kOne)), 0.0);
  EXPECT_EQ(ExtendedToDouble(Parse("3E-320")), 3e-320);  // a double denormal
}

TEST(FormFloat, DatesUseFifteenDigitsUnlessTheyWouldChangeTheValue) {
  EXPECT_EQ(FormDate(0.0), "0");
  EXPECT_EQ(FormDate(42264.8488657407), "42264.8488657407");
  EXPECT_EQ(FormDate(45000.5), "45000.5");
  EXPECT_EQ(FormDate(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(FormDate(-0.0), "-0");
}

TEST(FormFloat, BytesAreLittleEndianWithTheSignAndExponentLast) {
  const std::uint8_t bytes[] = {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFE, 0xBF};
  TExtended x = TExtended::Load(bytes);
  EXPECT_EQ(x, Ext(0xBFFE, 0xCCCCCCCCCCCCD000));
  EXPECT_TRUE(x.Negative());
  EXPECT_EQ(x.BiasedExponent(), 0x3FFE);
  std::uint8_t out[TExtended::kSize];
  x.Store(out);
  EXPECT_EQ(std::memcmp(out, bytes, sizeof out), 0);
  EXPECT_TRUE(x.IsValidFinite());
  EXPECT_FALSE(Ext(0x7FFF, kOne).IsValidFinite());
  EXPECT_FALSE(Ext(0x3FFF, 1).IsValidFinite());
  EXPECT_FALSE(Ext(0x0000, kOne).IsValidFinite());
}

}  // namespace
