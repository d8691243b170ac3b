// Format strings in the toolkit's syntax, for 8-bit and wide text.
//
// A specifier is "%" [index ":"] ["-"] [width] ["." precision] type, where width and
// precision may be "*" (taken from the arguments). Types: d (signed), u (unsigned),
// x (hexadecimal), p (pointer), s (string), e f g n m (floating point); "%%" is a
// percent sign. An index sets the argument for this and the following specifiers.
// For d, u and x the precision is the minimum number of digits; for s the maximum
// number of characters; for floating types the number of decimals (or significant
// digits for e and g).
//
// Hexadecimal digits are upper case; the lower-case variants serve the few messages
// that are written with lower-case digits. A specifier that does not fit its argument,
// or an argument that is missing, raises EConvertError.
//
// Integers keep their width: "%d" prints the signed number of the argument's bits (an
// unsigned 32-bit 0x80004005 prints -2147467259), "%u" and "%x" the unsigned one, and
// pointers and handles print with all their digits. Windows' wide text (wchar_t) is
// taken as wide text; a single character is refused at compile time, since it is
// neither a number nor text.
#pragma once

#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Rtl/Exceptions.h"

class FormatArg {
  template <typename T>
  static constexpr bool IsCharacter =
      std::is_same_v<T, char> || std::is_same_v<T, wchar_t> || std::is_same_v<T, char8_t> ||
      std::is_same_v<T, char16_t> || std::is_same_v<T, char32_t>;

 public:
  enum class Kind { Signed, Unsigned, Float, Ansi, Wide, Pointer };

  template <typename T>
  requires std::is_integral_v<T> &&(!std::is_same_v<T, bool>)&&(!IsCharacter<T>)FormatArg(T v)
      : bits_(sizeof(T) > 4 ? 64 : 32) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Signed;
      int_ = static_cast<std::int64_t>(v);
    } else {
      kind_ = Kind::Unsigned;
      int_ = static_cast<std::int64_t>(static_cast<std::uint64_t>(v));
    }
  }
  FormatArg(bool v) : kind_(Kind::Signed), int_(v ? 1 : 0) {}
  FormatArg(double v) : kind_(Kind::Float), float_(v) {}
  FormatArg(const char* s) : kind_(Kind::Ansi), ansi_(s ? s : "") {}
  FormatArg(std::string_view s) : kind_(Kind::Ansi), ansi_(s) {}
  FormatArg(const std::string& s) : kind_(Kind::Ansi), ansi_(s) {}
  FormatArg(const char16_t* s) : kind_(Kind::Wide), wide_(s ? s : u"") {}
  FormatArg(std::u16string_view s) : kind_(Kind::Wide), wide_(s) {}
  FormatArg(const std::u16string& s) : kind_(Kind::Wide), wide_(s) {}
#if WCHAR_MAX <= 0xFFFF
  // The system's wide strings are UTF-16, like char16_t.
  FormatArg(const wchar_t* s)
      : kind_(Kind::Wide), wide_(s ? reinterpret_cast<const char16_t*>(s) : u"") {}
  FormatArg(std::wstring_view s)
      : kind_(Kind::Wide), wide_(reinterpret_cast<const char16_t*>(s.data()), s.size()) {}
  FormatArg(const std::wstring& s) : FormatArg(std::wstring_view(s)) {}
#else
  // A wider wchar_t would need converting; only the Windows build formats wchar_t text.
  FormatArg(const wchar_t*) = delete;
  FormatArg(std::wstring_view) = delete;
  FormatArg(const std::wstring&) = delete;
#endif
  FormatArg(const void* p)
      : kind_(Kind::Pointer),
        bits_(sizeof(void*) * 8),
        int_(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p))) {}
  // A single character would otherwise become a number or a pointer.
  template <typename T>
  requires IsCharacter<T> FormatArg(T)
  = delete;

  Kind kind() const { return kind_; }
  int bits() const { return bits_; }
  std::int64_t asInt() const { return int_; }
  double asFloat() const { return float_; }
  std::string_view asAnsi() const { return ansi_; }
  std::u16string_view asWide() const { return wide_; }

 private:
  Kind kind_;
  int bits_ = 32;
  std::int64_t int_ = 0;
  double float_ = 0;
  std::string_view ansi_;
  std::u16string_view wide_;
};

enum class HexCase { Upper, Lower };

std::string FormatArgs(std::string_view format, std::initializer_list<FormatArg> args,
                       HexCase hexCase = HexCase::Upper);
std::u16string WideFormatArgs(std::u16string_view format, std::initializer_list<FormatArg> args,
                              HexCase hexCase = HexCase::Upper);

template <typename... A>
std::string Format(std::string_view format, const A&... args) {
  return FormatArgs(format, {FormatArg(args)...});
}
template <typename... A>
std::u16string WideFormat(std::u16string_view format, const A&... args) {
  return WideFormatArgs(format, {FormatArg(args)...});
}
// The same with lower-case hexadecimal digits.
template <typename... A>
std::string FormatLowerHex(std::string_view format, const A&... args) {
  return FormatArgs(format, {FormatArg(args)...}, HexCase::Lower);
}
template <typename... A>
std::u16string WideFormatLowerHex(std::u16string_view format, const A&... args) {
  return WideFormatArgs(format, {FormatArg(args)...}, HexCase::Lower);
}

// One parsed specifier, as a format-compatibility check needs it.
struct FormatSpec {
  int argIndex = 0;   // the argument it consumes
  char16_t type = 0;  // lower-case type letter
};

// Lists the specifiers of a format in order (width and precision stars included, as
// type '*'). A malformed specifier raises EConvertError "Invalid Format Specifier: %s".
std::vector<FormatSpec> ParseFormatSpecs(std::u16string_view format);

// A translation whose format does not take the reference's arguments.
KIV_DECLARE_EXCEPTION(EFormatSpecifierError, Exception);

// Checks that a translated format takes the same arguments as its reference, so that
// the arguments the program passes to the reference fit the translation too. Both
// must use the same number of distinct arguments ("Number of format specifiers do not
// match.") and each argument must be used in a compatible way ("Argument types for
// index %d do not match. (%s <> %s)", reference first; "none" where one side does not
// use it). Order and repetition may differ. Compatible uses: the integer types d, u, x
// and a width or precision star; the floating types e, f, g, n, m; s; p. A malformed
// specifier in either raises EConvertError "Invalid Format Specifier: %s".
void CheckFormatCompatible(std::u16string_view reference, std::u16string_view translation);

// The canonical form of a format: two formats that print the same for the same
// arguments because they differ only in spelling have the same canonical form. Each
// specifier is written "%" [index ":"] ["-"] [width] ["." precision] type with its
// type letter in lower case, its numbers without leading zeros, and its index only
// where it differs from the argument the specifier would take without one. "%%" and
// the text between specifiers stay as they are. A text with a malformed specifier is
// not a format: it is its own canonical form.
std::u16string CanonicalFormat(std::u16string_view format);
