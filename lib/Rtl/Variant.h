// Variant: a 16-byte tagged value of the toolkit's variant types.
//
// Types: empty, Null, 16/32-bit signed, 16-bit unsigned, 64-bit signed, Boolean,
// double, currency (fixed point, four decimals), date-time (double day count since
// 1899-12-30), 8-bit string (system code page), wide string, interface reference, and
// one-dimensional arrays of variants with chosen bounds.
//
// Variants have value semantics. Strings and arrays are shared between copies and
// copied on write, so copying a variant never copies its text.
//
// Conversions follow the toolkit's rules: empty converts to 0, "" or false; Null
// converts to nothing and raises EVariantTypeCastError; a value out of the target's
// range raises EVariantOverflowError.
#pragma once

#include <atomic>
#include <compare>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

#include "Rtl/Exceptions.h"

KIV_DECLARE_EXCEPTION(EVariantError, Exception);
KIV_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
KIV_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
KIV_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);

namespace VariantMessages {
inline constexpr const char* kInvalidVarCast =
    "Could not convert variant of type (%s) into type (%s)";
inline constexpr const char* kVarOverflow =
    "Overflow while converting variant of type (%s) into type (%s)";
inline constexpr const char* kVarArrayBounds = "Variant or safe array index out of bounds";
inline constexpr const char* kVarNotArray = "Variant is not an array";
inline constexpr const char* kVarArrayCreate = "Error creating variant or safe array";
}  // namespace VariantMessages

using TVarType = std::uint16_t;
inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varArray = 0x2000;

// Fixed point with four decimals, held as the value times 10,000.
struct Currency {
  static constexpr std::int64_t kScale = 10000;
  std::int64_t scaled = 0;

  // Rounds half to even at the fourth decimal; out of range raises EVariantOverflowError.
  static Currency FromDouble(double v);
  static Currency FromInt64(std::int64_t v);
  double ToDouble() const { return static_cast<double>(scaled) / kScale; }
  friend auto operator<=>(Currency, Currency) = default;
};

// A date-time as a day count; the fraction is the time of day.
struct TDateTime {
  double value = 0;
};

// Root of interface references: reference counted, released on the last Release.
class IRefCounted {
 public:
  virtual void AddRef() noexcept = 0;
  virtual void Release() noexcept = 0;

 protected:
  ~IRefCounted() = default;
};

// Base for objects handed out through interface references.
class TInterfacedObject : public IRefCounted {
 public:
  void AddRef() noexcept override;
  void Release() noexcept override;
  int RefCount() const { return refs_.load(); }

 protected:
  virtual ~TInterfacedObject() = default;

 private:
  std::atomic<int> refs_{0};
};

// An owning interface reference (null allowed).
class TInterfaceRef {
 public:
  TInterfaceRef() = default;
  TInterfaceRef(IRefCounted* p) : p_(p) {  // NOLINT: takes a reference like an assignment
    if (p_) p_->AddRef();
  }
  TInterfaceRef(const TInterfaceRef& o) : TInterfaceRef(o.p_) {}
  TInterfaceRef(TInterfaceRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  TInterfaceRef& operator=(TInterfaceRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~TInterfaceRef() {
    if (p_) p_->Release();
  }
  IRefCounted* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const TInterfaceRef& a, const TInterfaceRef& b) { return a.p_ == b.p_; }

 private:
  IRefCounted* p_ = nullptr;
};

namespace variant_detail {
struct AnsiRep;
struct WideRep;
struct ArrayRep;
}  // namespace variant_detail

class Variant {
 public:
  Variant() noexcept : vt_(varEmpty) { u_.i64 = 0; }
  Variant(const Variant& o);
  Variant(Variant&& o) noexcept;
  Variant& operator=(const Variant& o);
  Variant& operator=(Variant&& o) noexcept;
  ~Variant() { Release(); }

  // Integers pick the narrowest toolkit type of their declared type: 16-bit signed →
  // Smallint, 16-bit unsigned → Word, 32-bit signed → Integer, wider → Int64 (an
  // unsigned value above the Int64 range raises EVariantOverflowError).
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char16_t> &&
           !std::same_as<T, wchar_t>)
      Variant(T v) {  // NOLINT: implicit by design, like the toolkit's variants
    u_.i64 = 0;
    if constexpr (std::is_signed_v<T> && sizeof(T) <= 2) {
      vt_ = varSmallint;
      u_.i16 = static_cast<std::int16_t>(v);
    } else if constexpr (std::is_unsigned_v<T> && sizeof(T) <= 2) {
      vt_ = varWord;
      u_.u16 = static_cast<std::uint16_t>(v);
    } else if constexpr (std::is_signed_v<T> && sizeof(T) == 4) {
      vt_ = varInteger;
      u_.i32 = static_cast<std::int32_t>(v);
    } else {
      if constexpr (std::is_unsigned_v<T> && sizeof(T) == 8) {
        if (v > static_cast<T>(std::numeric_limits<std::int64_t>::max())) RaiseUnsignedOverflow();
      }
      vt_ = varInt64;
      u_.i64 = static_cast<std::int64_t>(v);
    }
  }
  Variant(bool v) : vt_(varBoolean) {  // NOLINT
    u_.i64 = 0;
    u_.b = v;
  }
  Variant(double v) : vt_(varDouble) { u_.d = v; }               // NOLINT
  Variant(Currency v) : vt_(varCurrency) { u_.i64 = v.scaled; }  // NOLINT
  Variant(TDateTime v) : vt_(varDate) { u_.d = v.value; }        // NOLINT
  Variant(std::string_view ansi);                                // NOLINT: 8-bit string
  Variant(const char* ansi);                                     // NOLINT
  Variant(const std::string& ansi);                              // NOLINT
  Variant(std::u16string_view wide);                             // NOLINT: wide string
  Variant(const char16_t* wide);                                 // NOLINT
  Variant(const std::u16string& wide);                           // NOLINT
  Variant(const TInterfaceRef& intf, bool dispatch = false);     // NOLINT

  static Variant Null();
  static Variant FromDate(double days) { return Variant(TDateTime{days}); }
  static Variant FromCurrency(double v) { return Variant(Currency::FromDouble(v)); }

  TVarType Type() const { return vt_; }
  bool IsEmpty() const { return vt_ == varEmpty; }
  bool IsNull() const { return vt_ == varNull; }
  bool IsEmptyOrNull() const { return vt_ == varEmpty || vt_ == varNull; }
  bool IsArray() const { return (vt_ & varArray) != 0; }
  bool IsString() const { return vt_ == varOleStr || vt_ == varString; }
  bool IsOrdinal() const;  // Smallint, Integer, Word, Int64, Boolean
  bool IsNumeric() const;  // ordinal, double, currency, date

  // Conversions; see the header comment for the rules.
  std::int16_t AsSmallint() const;
  std::int32_t AsInteger() const;
  std::uint16_t AsWord() const;
  std::int64_t AsInt64() const;
  bool AsBoolean() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  double AsDateTime() const;
  std::string AsAnsiString() const;
  std::u16string AsWideString() const;
  TInterfaceRef AsInterface() const;

  // Views of the text of a string variant without a copy (empty for other types).
  std::u16string_view WideView() const;
  std::string_view AnsiView() const;

  // Arrays. These raise EVariantError "Variant is not an array" on other types, and
  // EVariantBadIndexError for an index outside the bounds.
  int DimCount() const { return IsArray() ? 1 : 0; }
  int LowBound() const;
  int HighBound() const;
  const Variant& GetElement(int index) const;
  void PutElement(int index, const Variant& v);

  // The toolkit's name of a variant type ("Integer", "OleStr", "Array Variant"...).
  static std::string TypeName(TVarType vt);

 private:
  friend Variant VarArrayCreate(int low, int high);

  [[noreturn]] static void RaiseUnsignedOverflow();
  [[noreturn]] void RaiseCast(TVarType target) const;
  [[noreturn]] void RaiseOverflow(TVarType target) const;
  std::int64_t OrdinalValue() const;  // for ordinal types only
  std::int64_t ToInt64Checked(TVarType target, std::int64_t lo, std::int64_t hi) const;
  void Release() noexcept;
  void CopyFrom(const Variant& o) noexcept;
  variant_detail::ArrayRep& ArrayOrRaise() const;

  TVarType vt_;
  union {
    std::int16_t i16;
    std::int32_t i32;
    std::uint16_t u16;
    std::int64_t i64;  // also currency (scaled)
    bool b;
    double d;  // also date
    variant_detail::AnsiRep* ansi;
    variant_detail::WideRep* wide;
    IRefCounted* intf;
    variant_detail::ArrayRep* arr;
  } u_;
};

static_assert(sizeof(Variant) == 16, "a variant is 16 bytes");

// Relationship of two variants. Values of different kinds that cannot be ordered
// (Null or empty against a value, strings that are not numbers against numbers,
// interfaces, arrays that differ) are vrNotEqual.
enum class TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Empty equals empty and Null equals Null; strings compare by the user's locale, case
// sensitively; numbers by value; arrays are equal when bounds and elements are equal.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);
inline bool operator==(const Variant& a, const Variant& b) { return VarSameValue(a, b); }

// A one-dimensional array of empty variants with bounds low … high (high = low − 1
// makes an empty array); a high bound below that raises EVariantError.
Variant VarArrayCreate(int low, int high);
// An array with bounds 0 … n−1 holding the values.
Variant VarArrayOf(std::initializer_list<Variant> values);

// The toolkit's VarToStr: the text of a value, "" for Null and empty.
std::u16string VarToWideStr(const Variant& v);
std::string VarToStr(const Variant& v);
