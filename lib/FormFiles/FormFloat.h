// Floating-point values of form files.
//
// Binary forms store floats in the 10-byte extended format: a 64-bit significand with an
// explicit integer bit, a 15-bit exponent (bias 16383) and a sign bit, little-endian.
// Form text writes them as the shortest decimal digits that read back as the same
// extended value, in fixed notation with at least 18 decimals ("0.750000000000000000").
// Dates are 8-byte doubles, written with 15 significant digits and a "d"; single-precision
// values 4-byte floats, written with 7 significant digits and an "s".
//
// Every conversion is done in software with exact integer arithmetic, so the results are
// the same on every compiler and target, whatever `long double` means there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct TExtended {
  static constexpr std::size_t kSize = 10;
  static constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

  std::uint64_t significand = 0;
  std::uint16_t signExponent = 0;  // the sign in bit 15, the biased exponent below

  static TExtended Load(const std::uint8_t* bytes);
  void Store(std::uint8_t* bytes) const;

  bool Negative() const { return (signExponent & 0x8000) != 0; }
  int BiasedExponent() const { return signExponent & 0x7FFF; }
  // A finite value in an encoding the format defines: zero, a denormal (exponent 0 and no
  // integer bit) or a normal number (integer bit set). Infinities, NaNs and the
  // unnormal and pseudo-denormal encodings are not.
  bool IsValidFinite() const;

  friend bool operator==(const TExtended& a, const TExtended& b) {
    return a.significand == b.significand && a.signExponent == b.signExponent;
  }
};

// Exact: every double is an extended value.
TExtended ExtendedFromDouble(double v);
// Rounded to nearest, ties to even; beyond the double range the result is an infinity.
double ExtendedToDouble(const TExtended& v);

enum class TFloatParse { Ok, OutOfRange, TooManyDigits };

// Reads [-]digits[.digits][(e|E)[+|-]digits], correctly rounded to nearest, ties to even.
// A value too small for the format becomes zero; one too large is OutOfRange. More than
// 4,000 significant digits are refused rather than computed.
TFloatParse ParseExtended(std::string_view text, TExtended& out);

// The shortest digits d1 d2 ... dn (no leading or trailing zero) and the exponent k with
// v = 0.d1d2...dn * 10^k that read back as exactly `v` (finite, not zero). Among equally
// short candidates the nearest one.
std::string ShortestDigits(const TExtended& v, int& k);

// A float as form text writes it: fixed notation with the shortest exact digits padded
// to 18 decimals ("-1.500000000000000000", "0.8000000000000000444"), or, below 1e-18 and
// from 1e18 on, the shortest digits with an exponent ("1E+30", "2.5E-20").
void AppendFormFloat(std::string& out, const TExtended& v);
// A date as form text writes it, without the "d": 15 significant digits ("0",
// "42264.8488657407"), or more when 15 would not read back as the same double.
void AppendFormDate(std::string& out, double v);
// A single-precision value as form text writes it, without the "s": 7 significant digits
// ("0", "1.5"), or more when 7 would not read back as the same float.
void AppendFormSingle(std::string& out, float v);
