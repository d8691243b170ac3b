#include "Rtl/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace variant_detail {

// Shared text: one allocation holding the count, the length and the characters.
struct AnsiRep {
  using Char = char;
  std::atomic<std::int32_t> refs{1};
  std::int32_t length = 0;
};
struct WideRep {
  using Char = char16_t;
  std::atomic<std::int32_t> refs{1};
  std::int32_t length = 0;
};

struct ArrayRep {
  std::atomic<std::int32_t> refs{1};
  int low = 0;
  std::vector<Variant> items;
};

}  // namespace variant_detail

using variant_detail::AnsiRep;
using variant_detail::ArrayRep;
using variant_detail::WideRep;

namespace {

template <class Rep>
typename Rep::Char* Chars(Rep* r) {
  return reinterpret_cast<typename Rep::Char*>(r + 1);
}

template <class Rep>
std::basic_string_view<typename Rep::Char> View(Rep* r) {
  if (!r) return {};
  return {Chars(r), static_cast<std::size_t>(r->length)};
}

template <class Rep>
Rep* MakeRep(std::basic_string_view<typename Rep::Char> s) {
  using C = typename Rep::Char;
  if (s.empty()) return nullptr;  // the empty string needs no storage
  constexpr std::size_t kMax = (0x7FFFFFFF - sizeof(Rep)) / sizeof(C) - 1;
  if (s.size() > kMax) throw EOutOfMemory(RtlMessages::kOutOfMemory);
  void* mem = ::operator new(sizeof(Rep) + (s.size() + 1) * sizeof(C));
  Rep* r = new (mem) Rep;
  r->length = static_cast<std::int32_t>(s.size());
  std::memcpy(Chars(r), s.data(), s.size() * sizeof(C));
  Chars(r)[s.size()] = C(0);
  return r;
}

template <class Rep>
void Ref(Rep* r) {
  if (r) r->refs.fetch_add(1, std::memory_order_relaxed);
}

template <class Rep>
void Unref(Rep* r) {
  if (r && r->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    r->~Rep();
    ::operator delete(r);
  }
}

void UnrefArray(ArrayRep* r) {
  if (r && r->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete r;
}

bool IsInterfaceType(TVarType vt) { return vt == varUnknown || vt == varDispatch; }

// Text as plain ASCII for number parsing; false when it holds anything else.
bool AsciiText(std::u16string_view w, std::string& out) {
  out.clear();
  for (char16_t c : w) {
    if (c > 0x7F) return false;
    out.push_back(static_cast<char>(c));
  }
  out = Trim(out);
  if (!out.empty() && out[0] == '+') out.erase(0, 1);
  return true;
}

bool ParseInt64(const std::string& s, std::int64_t& out) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

// Round half to even, as the toolkit rounds; false when the result leaves Int64.
bool RoundToInt64(double d, std::int64_t& out) {
  if (!std::isfinite(d)) return false;
  double r = std::nearbyint(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
  out = static_cast<std::int64_t>(r);
  return true;
}

std::int64_t RoundCurrency(std::int64_t scaled) {
  std::int64_t q = scaled / Currency::kScale;
  std::int64_t rem = scaled % Currency::kScale;
  std::int64_t absRem = rem < 0 ? -rem : rem;
  if (absRem > Currency::kScale / 2 || (absRem == Currency::kScale / 2 && (q % 2) != 0)) {
    q += rem < 0 ? -1 : 1;
  }
  return q;
}

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

// Date values count days from 30 December 1899; the civil-date helpers count them
// from 1 January 1970, 25,569 days later.
constexpr std::int64_t kDaysFrom1899To1970 = 25569;
// Day counts outside years 1 … 9999 have no date text.
constexpr double kMinDate = -693593;
constexpr double kMaxDate = 2958466;

bool DateText(double value, std::string& out) {
  if (!std::isfinite(value) || value < kMinDate || value >= kMaxDate) return false;
  double whole = std::trunc(value);
  // Round to the second, carrying into the day.
  std::int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
  std::int64_t day = static_cast<std::int64_t>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += value < 0 ? -1 : 1;
  }
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(day - kDaysFrom1899To1970, y, m, d);
  char buf[48];
  int h = static_cast<int>(seconds / 3600), n = static_cast<int>(seconds / 60 % 60),
      s = static_cast<int>(seconds % 60);
  if (day == 0 && value >= 0) {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
  } else if (seconds == 0) {
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
  } else {
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(y), m,
                  d, h, n, s);
  }
  out = buf;
  return true;
}

// "yyyy-mm-dd", "hh:nn[:ss]" or both separated by a blank.
bool ParseDate(const std::string& s, double& out) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, sec = 0;
  char tail = 0;
  double days = 0;
  std::string timePart;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) >= 3) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    std::int64_t y2;
    unsigned m2, d2;
    std::int64_t z = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
    CivilFromDays(z, y2, m2, d2);
    if (d2 != static_cast<unsigned>(d)) return false;  // 31st of a short month
    days = static_cast<double>(z + kDaysFrom1899To1970);
    if (s.size() == 10) {
      out = days;
      return true;
    }
    if (tail != ' ') return false;
    timePart = s.substr(11);
  } else {
    timePart = s;
  }
  int fields = std::sscanf(timePart.c_str(), "%2d:%2d:%2d%c", &h, &n, &sec, &tail);
  if (fields < 2 || fields > 3 || h > 23 || n > 59 || sec > 59 || h < 0 || n < 0 || sec < 0) {
    return false;
  }
  double t = (h * 3600.0 + n * 60.0 + sec) / 86400.0;
  out = days < 0 ? days - t : days + t;
  return true;
}

std::string DoubleText(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  std::size_t e = s.find('E');
  if (e != std::string::npos) {
    // The toolkit writes exponents without a plus sign or leading zeros: 1E20, 1E-5.
    std::string mant = s.substr(0, e);
    std::string ex = s.substr(e + 1);
    bool neg = !ex.empty() && ex[0] == '-';
    if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) ex.erase(0, 1);
    while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
    s = mant + "E" + (neg ? "-" : "") + ex;
  }
  return s;
}

std::string CurrencyText(std::int64_t scaled) {
  bool neg = scaled < 0;
  std::uint64_t mag =
      neg ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string s = std::to_string(mag / Currency::kScale);
  unsigned frac = static_cast<unsigned>(mag % Currency::kScale);
  if (frac != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%04u", frac);
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    s += f;
  }
  return neg ? "-" + s : s;
}

TVariantRelationship Relate(int c) {
  if (c < 0) return TVariantRelationship::vrLessThan;
  if (c > 0) return TVariantRelationship::vrGreaterThan;
  return TVariantRelationship::vrEqual;
}

template <class T>
TVariantRelationship RelateValues(T a, T b) {
  return a < b ? TVariantRelationship::vrLessThan
               : (b < a ? TVariantRelationship::vrGreaterThan : TVariantRelationship::vrEqual);
}

// An ordinal against a currency, exactly.
TVariantRelationship RelateOrdinalCurrency(std::int64_t o, std::int64_t scaled) {
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / Currency::kScale;
  if (o > kLimit) return TVariantRelationship::vrGreaterThan;
  if (o < -kLimit) return TVariantRelationship::vrLessThan;
  return RelateValues(o * Currency::kScale, scaled);
}

TVariantRelationship Invert(TVariantRelationship r) {
  if (r == TVariantRelationship::vrLessThan) return TVariantRelationship::vrGreaterThan;
  if (r == TVariantRelationship::vrGreaterThan) return TVariantRelationship::vrLessThan;
  return r;
}

}  // namespace

// ---- Currency and interfaces ----

Currency Currency::FromDouble(double v) {
  std::int64_t scaled;
  if (!RoundToInt64(v * kScale, scaled)) {
    throw EVariantOverflowError(Format(VariantMessages::kVarOverflow, Variant::TypeName(varDouble),
                                       Variant::TypeName(varCurrency)));
  }
  return Currency{scaled};
}

Currency Currency::FromInt64(std::int64_t v) {
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / kScale;
  if (v > kLimit || v < -kLimit) {
    throw EVariantOverflowError(Format(VariantMessages::kVarOverflow, Variant::TypeName(varInt64),
                                       Variant::TypeName(varCurrency)));
  }
  return Currency{v * kScale};
}

void TInterfacedObject::AddRef() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }

void TInterfacedObject::Release() noexcept {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

// ---- Construction and lifetime ----

Variant::Variant(std::string_view ansi) : vt_(varString) { u_.ansi = MakeRep<AnsiRep>(ansi); }
Variant::Variant(const char* ansi) : Variant(std::string_view(ansi ? ansi : "")) {}
Variant::Variant(const std::string& ansi) : Variant(std::string_view(ansi)) {}
Variant::Variant(std::u16string_view wide) : vt_(varOleStr) { u_.wide = MakeRep<WideRep>(wide); }
Variant::Variant(const char16_t* wide) : Variant(std::u16string_view(wide ? wide : u"")) {}
Variant::Variant(const std::u16string& wide) : Variant(std::u16string_view(wide)) {}

Variant::Variant(const TInterfaceRef& intf, bool dispatch)
    : vt_(dispatch ? varDispatch : varUnknown) {
  u_.intf = intf.get();
  if (u_.intf) u_.intf->AddRef();
}

Variant Variant::Null() {
  Variant v;
  v.vt_ = varNull;
  return v;
}

void Variant::CopyFrom(const Variant& o) noexcept {
  vt_ = o.vt_;
  u_ = o.u_;
  if (vt_ == varString) {
    Ref(u_.ansi);
  } else if (vt_ == varOleStr) {
    Ref(u_.wide);
  } else if (IsInterfaceType(vt_)) {
    if (u_.intf) u_.intf->AddRef();
  } else if (IsArray()) {
    u_.arr->refs.fetch_add(1, std::memory_order_relaxed);
  }
}

void Variant::Release() noexcept {
  if (vt_ == varString) {
    Unref(u_.ansi);
  } else if (vt_ == varOleStr) {
    Unref(u_.wide);
  } else if (IsInterfaceType(vt_)) {
    if (u_.intf) u_.intf->Release();
  } else if (IsArray()) {
    UnrefArray(u_.arr);
  }
  vt_ = varEmpty;
  u_.i64 = 0;
}

Variant::Variant(const Variant& o) { CopyFrom(o); }

Variant::Variant(Variant&& o) noexcept : vt_(o.vt_), u_(o.u_) {
  o.vt_ = varEmpty;
  o.u_.i64 = 0;
}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
  if (this != &o) {
    Release();
    vt_ = o.vt_;
    u_ = o.u_;
    o.vt_ = varEmpty;
    o.u_.i64 = 0;
  }
  return *this;
}

// ---- Type information ----

bool Variant::IsOrdinal() const {
  switch (vt_) {
    case varSmallint:
    case varInteger:
    case varWord:
    case varInt64:
    case varBoolean:
      return true;
    default:
      return false;
  }
}

bool Variant::IsNumeric() const {
  return IsOrdinal() || vt_ == varDouble || vt_ == varCurrency || vt_ == varDate;
}

std::string Variant::TypeName(TVarType vt) {
  if (vt & varArray) return "Array " + TypeName(static_cast<TVarType>(vt & ~varArray));
  switch (vt) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varDispatch:
      return "Dispatch";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varUnknown:
      return "Unknown";
    case varWord:
      return "Word";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return Format("$%.4X", static_cast<unsigned>(vt));
  }
}

void Variant::RaiseUnsignedOverflow() {
  throw EVariantOverflowError(
      Format(VariantMessages::kVarOverflow, std::string("UInt64"), TypeName(varInt64)));
}

void Variant::RaiseCast(TVarType target) const {
  throw EVariantTypeCastError(
      Format(VariantMessages::kInvalidVarCast, TypeName(vt_), TypeName(target)));
}

void Variant::RaiseOverflow(TVarType target) const {
  throw EVariantOverflowError(
      Format(VariantMessages::kVarOverflow, TypeName(vt_), TypeName(target)));
}

// ---- Conversions ----

std::int64_t Variant::OrdinalValue() const {
  switch (vt_) {
    case varSmallint:
      return u_.i16;
    case varInteger:
      return u_.i32;
    case varWord:
      return u_.u16;
    case varInt64:
      return u_.i64;
    case varBoolean:
      return u_.b ? -1 : 0;  // the toolkit's True is all bits set
    default:
      return 0;
  }
}

std::int64_t Variant::ToInt64Checked(TVarType target, std::int64_t lo, std::int64_t hi) const {
  std::int64_t v = 0;
  if (vt_ == varEmpty) {
    v = 0;
  } else if (IsOrdinal()) {
    v = OrdinalValue();
  } else if (vt_ == varDouble || vt_ == varDate) {
    if (!RoundToInt64(u_.d, v)) RaiseOverflow(target);
  } else if (vt_ == varCurrency) {
    v = RoundCurrency(u_.i64);
  } else if (IsString()) {
    std::string text;
    double d;
    if (!AsciiText(AsWideString(), text)) RaiseCast(target);
    if (!ParseInt64(text, v)) {
      if (!ParseDouble(text, d)) RaiseCast(target);
      if (!RoundToInt64(d, v)) RaiseOverflow(target);
    }
  } else {
    RaiseCast(target);
  }
  if (v < lo || v > hi) RaiseOverflow(target);
  return v;
}

std::int16_t Variant::AsSmallint() const {
  return static_cast<std::int16_t>(ToInt64Checked(varSmallint, -32768, 32767));
}

std::int32_t Variant::AsInteger() const {
  return static_cast<std::int32_t>(ToInt64Checked(varInteger,
                                                  std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
}

std::uint16_t Variant::AsWord() const {
  return static_cast<std::uint16_t>(ToInt64Checked(varWord, 0, 65535));
}

std::int64_t Variant::AsInt64() const {
  return ToInt64Checked(varInt64, std::numeric_limits<std::int64_t>::min(),
                        std::numeric_limits<std::int64_t>::max());
}

double Variant::AsDouble() const {
  if (vt_ == varEmpty) return 0;
  if (IsOrdinal()) return static_cast<double>(OrdinalValue());
  if (vt_ == varDouble || vt_ == varDate) return u_.d;
  if (vt_ == varCurrency) return Currency{u_.i64}.ToDouble();
  if (IsString()) {
    std::string text;
    double d;
    if (AsciiText(AsWideString(), text) && ParseDouble(text, d)) return d;
  }
  RaiseCast(varDouble);
}

Currency Variant::AsCurrency() const {
  if (vt_ == varCurrency) return Currency{u_.i64};
  if (vt_ == varEmpty) return Currency{};
  if (IsOrdinal()) {
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / Currency::kScale;
    std::int64_t o = OrdinalValue();
    if (o > kLimit || o < -kLimit) RaiseOverflow(varCurrency);
    return Currency{o * Currency::kScale};
  }
  double d = AsDouble();  // raises the cast error for other types
  std::int64_t scaled;
  if (!RoundToInt64(d * Currency::kScale, scaled)) RaiseOverflow(varCurrency);
  return Currency{scaled};
}

double Variant::AsDateTime() const {
  if (IsString()) {
    std::string text;
    double d;
    if (AsciiText(AsWideString(), text) && (ParseDate(text, d) || ParseDouble(text, d))) return d;
    RaiseCast(varDate);
  }
  if (vt_ == varEmpty || IsNumeric()) return AsDouble();
  RaiseCast(varDate);
}

bool Variant::AsBoolean() const {
  if (vt_ == varEmpty) return false;
  if (vt_ == varBoolean) return u_.b;
  if (IsOrdinal()) return OrdinalValue() != 0;
  if (vt_ == varDouble || vt_ == varDate) return u_.d != 0;
  if (vt_ == varCurrency) return u_.i64 != 0;
  if (IsString()) {
    std::string text;
    if (AsciiText(AsWideString(), text)) {
      if (SameText(text, "True")) return true;
      if (SameText(text, "False")) return false;
      double d;
      if (ParseDouble(text, d)) return d != 0;
    }
  }
  RaiseCast(varBoolean);
}

std::u16string Variant::AsWideString() const {
  switch (vt_) {
    case varEmpty:
      return u"";
    case varOleStr:
      return std::u16string(View(u_.wide));
    case varString:
      return AnsiToWide(View(u_.ansi));
    default:
      if (vt_ == varNull || IsArray() || IsInterfaceType(vt_)) RaiseCast(varOleStr);
      return AnsiToWide(AsAnsiString());
  }
}

std::string Variant::AsAnsiString() const {
  switch (vt_) {
    case varEmpty:
      return "";
    case varString:
      return std::string(View(u_.ansi));
    case varOleStr:
      return WideToAnsi(View(u_.wide));
    case varSmallint:
    case varInteger:
    case varWord:
    case varInt64:
      return std::to_string(OrdinalValue());
    case varBoolean:
      return u_.b ? "True" : "False";
    case varDouble:
      return DoubleText(u_.d);
    case varCurrency:
      return CurrencyText(u_.i64);
    case varDate: {
      std::string s;
      if (!DateText(u_.d, s)) RaiseCast(varString);
      return s;
    }
    default:
      RaiseCast(varString);
  }
}

TInterfaceRef Variant::AsInterface() const {
  if (vt_ == varEmpty) return {};
  if (IsInterfaceType(vt_)) return TInterfaceRef(u_.intf);
  RaiseCast(varUnknown);
}

std::u16string_view Variant::WideView() const {
  return vt_ == varOleStr ? View(u_.wide) : std::u16string_view();
}

std::string_view Variant::AnsiView() const {
  return vt_ == varString ? View(u_.ansi) : std::string_view();
}

// ---- Arrays ----

ArrayRep& Variant::ArrayOrRaise() const {
  if (!IsArray()) throw EVariantError(VariantMessages::kVarNotArray);
  return *u_.arr;
}

int Variant::LowBound() const { return ArrayOrRaise().low; }

int Variant::HighBound() const {
  const ArrayRep& a = ArrayOrRaise();
  return static_cast<int>(static_cast<std::int64_t>(a.low) +
                          static_cast<std::int64_t>(a.items.size()) - 1);
}

const Variant& Variant::GetElement(int index) const {
  const ArrayRep& a = ArrayOrRaise();
  std::int64_t i = static_cast<std::int64_t>(index) - a.low;
  if (i < 0 || i >= static_cast<std::int64_t>(a.items.size())) {
    throw EVariantBadIndexError(VariantMessages::kVarArrayBounds);
  }
  return a.items[static_cast<std::size_t>(i)];
}

void Variant::PutElement(int index, const Variant& v) {
  ArrayRep& a = ArrayOrRaise();
  std::int64_t i = static_cast<std::int64_t>(index) - a.low;
  if (i < 0 || i >= static_cast<std::int64_t>(a.items.size())) {
    throw EVariantBadIndexError(VariantMessages::kVarArrayBounds);
  }
  if (a.refs.load(std::memory_order_acquire) > 1) {
    // Shared with another copy: write into a copy of our own.
    auto own = std::make_unique<ArrayRep>();
    own->low = a.low;
    own->items = a.items;
    UnrefArray(u_.arr);
    u_.arr = own.release();
  }
  u_.arr->items[static_cast<std::size_t>(i)] = v;
}

Variant VarArrayCreate(int low, int high) {
  std::int64_t count = static_cast<std::int64_t>(high) - low + 1;
  if (count < 0 || count > 0x7FFFFFF) throw EVariantError(VariantMessages::kVarArrayCreate);
  auto rep = std::make_unique<ArrayRep>();
  rep->low = low;
  rep->items.resize(static_cast<std::size_t>(count));
  Variant v;
  v.vt_ = varArray | varVariant;
  v.u_.arr = rep.release();
  return v;
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  Variant v = VarArrayCreate(0, static_cast<int>(values.size()) - 1);
  int i = 0;
  for (const Variant& e : values) v.PutElement(i++, e);
  return v;
}

// ---- Comparison ----

namespace {

bool StringToNumber(const Variant& v, double& out) {
  std::string text;
  return AsciiText(v.AsWideString(), text) && ParseDouble(text, out);
}

TVariantRelationship RelateNumbers(const Variant& a, const Variant& b) {
  if (a.Type() == varBoolean && b.Type() == varBoolean) {
    return RelateValues(a.AsBoolean(), b.AsBoolean());
  }
  if (a.IsOrdinal() && b.IsOrdinal()) return RelateValues(a.AsInt64(), b.AsInt64());
  bool aExact = a.IsOrdinal() || a.Type() == varCurrency;
  bool bExact = b.IsOrdinal() || b.Type() == varCurrency;
  if (aExact && bExact) {
    if (a.Type() == varCurrency && b.Type() == varCurrency) {
      return RelateValues(a.AsCurrency().scaled, b.AsCurrency().scaled);
    }
    if (a.Type() == varCurrency)
      return Invert(RelateOrdinalCurrency(b.AsInt64(), a.AsCurrency().scaled));
    return RelateOrdinalCurrency(a.AsInt64(), b.AsCurrency().scaled);
  }
  double x = a.AsDouble(), y = b.AsDouble();
  if (std::isnan(x) || std::isnan(y)) return TVariantRelationship::vrNotEqual;
  return RelateValues(x, y);
}

}  // namespace

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  using R = TVariantRelationship;
  if (a.IsEmpty()) return b.IsEmpty() ? R::vrEqual : R::vrNotEqual;
  if (a.IsNull()) return b.IsNull() ? R::vrEqual : R::vrNotEqual;
  if (b.IsEmptyOrNull()) return R::vrNotEqual;
  if (a.IsArray() || b.IsArray()) {
    if (!a.IsArray() || !b.IsArray()) return R::vrNotEqual;
    if (a.LowBound() != b.LowBound() || a.HighBound() != b.HighBound()) return R::vrNotEqual;
    for (int i = a.LowBound(); i <= a.HighBound(); ++i) {
      if (VarCompareValue(a.GetElement(i), b.GetElement(i)) != R::vrEqual) return R::vrNotEqual;
    }
    return R::vrEqual;
  }
  if (IsInterfaceType(a.Type()) || IsInterfaceType(b.Type())) {
    if (!IsInterfaceType(a.Type()) || !IsInterfaceType(b.Type())) return R::vrNotEqual;
    return a.AsInterface() == b.AsInterface() ? R::vrEqual : R::vrNotEqual;
  }
  if (a.IsString() && b.IsString()) {
    if (a.Type() == varOleStr && b.Type() == varOleStr) {
      return Relate(WideCompareStr(a.WideView(), b.WideView()));
    }
    return Relate(WideCompareStr(a.AsWideString(), b.AsWideString()));
  }
  if (a.IsString() || b.IsString()) {
    // A string against a number compares as a number when it reads as one.
    double x, y;
    if (a.IsString()) {
      if (!StringToNumber(a, x)) return R::vrNotEqual;
      y = b.AsDouble();
    } else {
      x = a.AsDouble();
      if (!StringToNumber(b, y)) return R::vrNotEqual;
    }
    if (std::isnan(x) || std::isnan(y)) return R::vrNotEqual;
    return RelateValues(x, y);
  }
  return RelateNumbers(a, b);
}

bool VarSameValue(const Variant& a, const Variant& b) {
  return VarCompareValue(a, b) == TVariantRelationship::vrEqual;
}

std::u16string VarToWideStr(const Variant& v) { return v.IsNull() ? u"" : v.AsWideString(); }

std::string VarToStr(const Variant& v) { return v.IsNull() ? "" : v.AsAnsiString(); }
