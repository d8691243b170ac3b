#include "FormFiles/FormFloat.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace {

constexpr int kExponentBias = 16383;
constexpr int kMaxBiasedExponent = 0x7FFE;
// The weight of the lowest significand bit of a denormal (and of the smallest normals).
constexpr int kMinLsbExponent = 1 - kExponentBias - 63;
constexpr std::size_t kMaxDigits = 4000;

// A non-negative integer of any size, just what exact decimal conversion needs.
class TBigNum {
 public:
  TBigNum() = default;
  explicit TBigNum(std::uint64_t v) {
    while (v != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(v));
      v >>= 32;
    }
  }

  bool IsZero() const { return limbs_.empty(); }

  int BitLength() const {
    if (limbs_.empty()) return 0;
    int bits = static_cast<int>(limbs_.size() - 1) * 32;
    for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1) ++bits;
    return bits;
  }

  void MulAddSmall(std::uint32_t mul, std::uint32_t add) {
    std::uint64_t carry = add;
    for (std::uint32_t& limb : limbs_) {
      std::uint64_t v = static_cast<std::uint64_t>(limb) * mul + carry;
      limb = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
    Trim();
  }

  void MulPow10(int n) {
    for (; n >= 9; n -= 9) MulAddSmall(1000000000u, 0);
    static const std::uint32_t kSmall[] = {1,      10,      100,      1000,     10000,
                                           100000, 1000000, 10000000, 100000000};
    if (n > 0) MulAddSmall(kSmall[n], 0);
  }

  void Mul(const TBigNum& b) {
    std::vector<std::uint32_t> product(limbs_.size() + b.limbs_.size(), 0);
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
        std::uint64_t v =
            static_cast<std::uint64_t>(limbs_[i]) * b.limbs_[j] + product[i + j] + carry;
        product[i + j] = static_cast<std::uint32_t>(v);
        carry = v >> 32;
      }
      product[i + b.limbs_.size()] = static_cast<std::uint32_t>(carry);
    }
    limbs_ = std::move(product);
    Trim();
  }

  void ShiftLeft(int bits) {
    if (limbs_.empty() || bits == 0) return;
    const std::size_t words = static_cast<std::size_t>(bits / 32);
    const int rest = bits % 32;
    if (rest != 0) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : limbs_) {
        std::uint32_t next = limb >> (32 - rest);
        limb = (limb << rest) | carry;
        carry = next;
      }
      if (carry != 0) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), words, 0);
  }

  // bits < 32
  void ShiftRightSmall(int bits) {
    if (bits == 0) return;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      limbs_[i] >>= bits;
      if (i + 1 < limbs_.size()) limbs_[i] |= limbs_[i + 1] << (32 - bits);
    }
    Trim();
  }

  std::size_t LimbCount() const { return limbs_.size(); }
  std::uint32_t Limb(std::size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }

  void Add(const TBigNum& b) {
    if (limbs_.size() < b.limbs_.size()) limbs_.resize(b.limbs_.size(), 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      std::uint64_t v = carry + limbs_[i] + (i < b.limbs_.size() ? b.limbs_[i] : 0);
      limbs_[i] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }

  // Requires *this >= b.
  void Sub(const TBigNum& b) {
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      std::int64_t v = static_cast<std::int64_t>(limbs_[i]) - borrow -
                       (i < b.limbs_.size() ? static_cast<std::int64_t>(b.limbs_[i]) : 0);
      borrow = v < 0 ? 1 : 0;
      limbs_[i] = static_cast<std::uint32_t>(v + (borrow << 32));
    }
    Trim();
  }

  static int Compare(const TBigNum& a, const TBigNum& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

  // Sum of two numbers compared with a third, without keeping the sum.
  static int CompareSum(const TBigNum& a, const TBigNum& b, const TBigNum& c) {
    TBigNum sum = a;
    sum.Add(b);
    return Compare(sum, c);
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  std::vector<std::uint32_t> limbs_;  // least significant first
};

TBigNum Pow2(int n) {
  TBigNum v(1);
  v.ShiftLeft(n);
  return v;
}

// floor(num / den) for a quotient below 2^64; num becomes the remainder. Long division
// by 32-bit digits: with the divisor's top bit set, the digit guessed from the top limbs
// is at most two too large.
std::uint64_t DivideSmallQuotient(TBigNum& num, const TBigNum& den) {
  if (TBigNum::Compare(num, den) < 0) return 0;
  const int shift = (32 - den.BitLength() % 32) % 32;
  TBigNum d = den;
  d.ShiftLeft(shift);
  num.ShiftLeft(shift);
  const std::size_t n = d.LimbCount();
  const std::uint64_t top = d.Limb(n - 1);
  std::uint64_t q = 0;
  for (std::size_t j = num.LimbCount() - n + 1; j-- > 0;) {
    std::uint64_t high = (static_cast<std::uint64_t>(num.Limb(j + n)) << 32) | num.Limb(j + n - 1);
    std::uint64_t digit = high / top;
    if (digit > 0xFFFFFFFFu) digit = 0xFFFFFFFFu;
    TBigNum part = d;
    part.MulAddSmall(static_cast<std::uint32_t>(digit), 0);
    part.ShiftLeft(static_cast<int>(32 * j));
    TBigNum step = d;
    step.ShiftLeft(static_cast<int>(32 * j));
    while (TBigNum::Compare(part, num) > 0) {
      part.Sub(step);
      --digit;
    }
    num.Sub(part);
    q = (q << 32) | digit;
  }
  num.ShiftRightSmall(shift);
  return q;
}

int BitLength64(std::uint64_t v) {
  int n = 0;
  for (; v != 0; v >>= 1) ++n;
  return n;
}

TExtended Make(bool negative, int biased, std::uint64_t significand) {
  TExtended x;
  x.significand = significand;
  x.signExponent = static_cast<std::uint16_t>((negative ? 0x8000 : 0) | biased);
  return x;
}

// The exact value num / den (positive) rounded into the format; false on overflow.
bool RoundToExtended(TBigNum num, TBigNum den, bool negative, TExtended& out) {
  int e = num.BitLength() - den.BitLength();
  {
    TBigNum n = num;
    TBigNum d = den;
    if (e >= 0) {
      d.ShiftLeft(e);
    } else {
      n.ShiftLeft(-e);
    }
    if (TBigNum::Compare(n, d) < 0) --e;  // now 2^e <= num/den < 2^(e+1)
  }
  if (e > kMaxBiasedExponent - kExponentBias) return false;
  int lsb = e - 63 < kMinLsbExponent ? kMinLsbExponent : e - 63;
  if (lsb >= 0) {
    den.ShiftLeft(lsb);
  } else {
    num.ShiftLeft(-lsb);
  }
  std::uint64_t q = DivideSmallQuotient(num, den);  // num is now the remainder
  num.ShiftLeft(1);
  int half = TBigNum::Compare(num, den);
  if (half > 0 || (half == 0 && (q & 1) != 0)) {
    ++q;
    if (q == 0) {  // carried out of 64 bits
      q = TExtended::kIntegerBit;
      ++lsb;
    }
  }
  if ((q & TExtended::kIntegerBit) == 0) {
    out = Make(negative, 0, q);  // a denormal, or zero
    return true;
  }
  int biased = lsb + 63 + kExponentBias;
  if (biased > kMaxBiasedExponent) return false;
  out = Make(negative, biased, q);
  return true;
}

}  // namespace

TExtended TExtended::Load(const std::uint8_t* bytes) {
  TExtended x;
  for (int i = 7; i >= 0; --i) x.significand = (x.significand << 8) | bytes[i];
  x.signExponent = static_cast<std::uint16_t>(bytes[8] | (bytes[9] << 8));
  return x;
}

void TExtended::Store(std::uint8_t* bytes) const {
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(significand >> (8 * i));
  bytes[8] = static_cast<std::uint8_t>(signExponent);
  bytes[9] = static_cast<std::uint8_t>(signExponent >> 8);
}

bool TExtended::IsValidFinite() const {
  int biased = BiasedExponent();
  if (biased == 0x7FFF) return false;
  bool integerBit = (significand & kIntegerBit) != 0;
  return biased == 0 ? !integerBit : integerBit;
}

TExtended ExtendedFromDouble(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bool negative = (bits >> 63) != 0;
  int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (exponent == 0x7FF) return Make(negative, 0x7FFF, TExtended::kIntegerBit | (fraction << 11));
  if (exponent == 0) {
    if (fraction == 0) return Make(negative, 0, 0);
    // A double denormal is a normal extended number.
    int shift = 64 - BitLength64(fraction);
    return Make(negative, kExponentBias + 63 - 1074 - shift, fraction << shift);
  }
  return Make(negative, exponent - 1023 + kExponentBias, TExtended::kIntegerBit | (fraction << 11));
}

double ExtendedToDouble(const TExtended& x) {
  const bool negative = x.Negative();
  std::uint64_t sign = negative ? std::uint64_t{1} << 63 : 0;
  std::uint64_t bits;
  int biased = x.BiasedExponent();
  std::uint64_t m = x.significand;
  if (biased == 0x7FFF) {
    std::uint64_t fraction = (m << 1) >> 12;
    if ((m << 1) != 0 && fraction == 0) fraction = 1;  // keep a NaN a NaN
    bits = sign | (std::uint64_t{0x7FF} << 52) | fraction;
  } else if (m == 0) {
    bits = sign;
  } else {
    int lsb = biased == 0 ? kMinLsbExponent : biased - kExponentBias - 63;
    int top = BitLength64(m) - 1 + lsb;  // 2^top <= value < 2^(top+1)
    int dlsb = top - 52 < -1074 ? -1074 : top - 52;
    int shift = dlsb - lsb;  // at least 11
    std::uint64_t q;
    bool roundUp;
    if (shift >= 64) {
      q = 0;
      roundUp = shift == 64 && m > (std::uint64_t{1} << 63);
    } else {
      q = m >> shift;
      std::uint64_t rest = m & ((std::uint64_t{1} << shift) - 1);
      std::uint64_t half = std::uint64_t{1} << (shift - 1);
      roundUp = rest > half || (rest == half && (q & 1) != 0);
    }
    if (roundUp) ++q;
    if (q >> 53 != 0) {  // rounding carried into a new bit
      q >>= 1;
      ++dlsb;
    }
    if ((q >> 52) == 0) {
      bits = sign | q;  // a denormal double (or zero)
    } else {
      int exponent = dlsb + 52 + 1023;
      bits = exponent >= 0x7FF ? sign | (std::uint64_t{0x7FF} << 52)
                               : sign | (static_cast<std::uint64_t>(exponent) << 52) |
                                     (q & ((std::uint64_t{1} << 52) - 1));
    }
  }
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

TFloatParse ParseExtended(std::string_view text, TExtended& out) {
  std::size_t p = 0;
  bool negative = false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
  std::string digits;        // without leading and trailing zeros
  long long exponent10 = 0;  // of the last digit read
  long long zeros = 0;       // read behind `digits` and not yet appended
  bool seenDigit = false;
  bool afterPoint = false;
  for (; p < text.size(); ++p) {
    char c = text[p];
    if (c == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    seenDigit = true;
    if (afterPoint) --exponent10;
    if (c == '0') {
      if (!digits.empty()) ++zeros;
      continue;
    }
    if (digits.size() + static_cast<std::size_t>(zeros) >= kMaxDigits) {
      return TFloatParse::TooManyDigits;
    }
    digits.append(static_cast<std::size_t>(zeros), '0');
    zeros = 0;
    digits += c;
  }
  exponent10 += zeros;  // now of the last digit in `digits`
  if (!seenDigit) return TFloatParse::OutOfRange;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    ++p;
    bool expNegative = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) expNegative = text[p++] == '-';
    long long e = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
      if (e < 100000000) e = e * 10 + (text[p] - '0');
    }
    exponent10 += expNegative ? -e : e;
  }
  if (p != text.size()) return TFloatParse::OutOfRange;
  if (digits.empty()) {
    out = Make(negative, 0, 0);
    return TFloatParse::Ok;
  }
  const long long magnitude = static_cast<long long>(digits.size()) + exponent10;
  if (magnitude > 4934) return TFloatParse::OutOfRange;  // beyond 1.19e4932
  if (magnitude < -4952) {                               // below half the least denormal
    out = Make(negative, 0, 0);
    return TFloatParse::Ok;
  }
  TBigNum num;
  for (std::size_t i = 0; i < digits.size(); i += 9) {
    std::size_t n = digits.size() - i < 9 ? digits.size() - i : 9;
    std::uint32_t chunk = 0;
    for (std::size_t j = 0; j < n; ++j)
      chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i + j] - '0');
    static const std::uint32_t kPow[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
    num.MulAddSmall(kPow[n], chunk);
  }
  TBigNum den(1);
  if (exponent10 >= 0) {
    num.MulPow10(static_cast<int>(exponent10));
  } else {
    den.MulPow10(static_cast<int>(-exponent10));
  }
  return RoundToExtended(std::move(num), std::move(den), negative, out) ? TFloatParse::Ok
                                                                        : TFloatParse::OutOfRange;
}

std::string ShortestDigits(const TExtended& x, int& k) {
  const std::uint64_t m = x.significand;
  const int biased = x.BiasedExponent();
  const int e = biased == 0 ? kMinLsbExponent : biased - kExponentBias - 63;
  // The gap below a power of two is half the gap above it.
  const bool unequalGaps = m == TExtended::kIntegerBit && biased > 1;
  const bool even = (m & 1) == 0;
  // r / s is the value, mPlus / s and mMinus / s the half gaps to its neighbours.
  TBigNum r(m), s, mPlus, mMinus;
  if (e >= 0) {
    r.ShiftLeft(e + (unequalGaps ? 2 : 1));
    s = TBigNum(unequalGaps ? 4 : 2);
    mPlus = Pow2(unequalGaps ? e + 1 : e);
    mMinus = Pow2(e);
  } else {
    r.ShiftLeft(unequalGaps ? 2 : 1);
    s = Pow2((unequalGaps ? 2 : 1) - e);
    mPlus = TBigNum(unequalGaps ? 2 : 1);
    mMinus = TBigNum(1);
  }
  // A lower bound of log10(value); the loop below raises it where needed.
  constexpr double kLog10Of2 = 0.30102999566398119521;
  double estimate = (BitLength64(m) - 1 + e) * kLog10Of2 - 1e-9;
  k = static_cast<int>(estimate);
  if (static_cast<double>(k) < estimate) ++k;  // ceiling
  if (k >= 0) {
    s.MulPow10(k);
  } else {
    TBigNum scale(1);
    scale.MulPow10(-k);
    r.Mul(scale);
    mPlus.Mul(scale);
    mMinus.Mul(scale);
  }
  while (TBigNum::CompareSum(r, mPlus, s) >= (even ? 0 : 1)) {
    s.MulPow10(1);
    ++k;
  }
  std::string digits;
  for (;;) {
    r.MulAddSmall(10, 0);
    mPlus.MulAddSmall(10, 0);
    mMinus.MulAddSmall(10, 0);
    int d = 0;
    while (TBigNum::Compare(r, s) >= 0) {
      r.Sub(s);
      ++d;
    }
    int low = TBigNum::Compare(r, mMinus);
    bool closeBelow = even ? low <= 0 : low < 0;
    int high = TBigNum::CompareSum(r, mPlus, s);
    bool closeAbove = even ? high >= 0 : high > 0;
    if (!closeBelow && !closeAbove) {
      digits += static_cast<char>('0' + d);
      continue;
    }
    if (closeBelow && closeAbove) {
      TBigNum twice = r;
      twice.ShiftLeft(1);
      int c = TBigNum::Compare(twice, s);
      if (c > 0 || (c == 0 && (d & 1) != 0)) ++d;
    } else if (closeAbove) {
      ++d;
    }
    digits += static_cast<char>('0' + d);
    break;
  }
  return digits;
}

void AppendFormFloat(std::string& out, const TExtended& v) {
  constexpr int kDecimals = 18;
  if (v.Negative()) out += '-';
  if (v.significand == 0) {
    out += "0.";
    out.append(kDecimals, '0');
    return;
  }
  int k = 0;
  const std::string digits = ShortestDigits(v, k);
  const int n = static_cast<int>(digits.size());
  if (k > kDecimals || k < 1 - kDecimals) {
    out += digits[0];
    if (n > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += k - 1 < 0 ? '-' : '+';
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, k - 1 < 0 ? 1 - k : k - 1);
    out.append(buf, r.ptr);
    return;
  }
  std::size_t fractionStart;
  if (k <= 0) {
    out += "0.";
    fractionStart = out.size();
    out.append(static_cast<std::size_t>(-k), '0');
    out += digits;
  } else if (n <= k) {
    out += digits;
    out.append(static_cast<std::size_t>(k - n), '0');
    out += '.';
    fractionStart = out.size();
  } else {
    out.append(digits, 0, static_cast<std::size_t>(k));
    out += '.';
    fractionStart = out.size();
    out.append(digits, static_cast<std::size_t>(k), std::string::npos);
  }
  std::size_t decimals = out.size() - fractionStart;
  if (decimals < kDecimals) out.append(kDecimals - decimals, '0');
}

namespace {

// `digits` significant digits, or the shortest that read back when those would not.
template <typename T>
void AppendRoundTrip(std::string& out, T v, int digits) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  T back = 0;
  std::from_chars(buf, r.ptr, back);
  if (std::memcmp(&back, &v, sizeof v) != 0) r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

}  // namespace

void AppendFormDate(std::string& out, double v) { AppendRoundTrip(out, v, 15); }

void AppendFormSingle(std::string& out, float v) { AppendRoundTrip(out, v, 7); }
