#include "Rtl/Format.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"

namespace {

constexpr const char* kInvalidFormat = "Format '%s' invalid or incompatible with argument";
constexpr const char* kArgumentMissing = "No argument for format '%s'";
constexpr const char* kInvalidSpecifier = "Invalid Format Specifier: %s";

template <typename CharT>
std::string ToAnsi(std::basic_string_view<CharT> s) {
  if constexpr (std::is_same_v<CharT, char>) {
    return std::string(s);
  } else {
    return WideToAnsi(s);
  }
}

template <typename CharT>
std::basic_string<CharT> FromAscii(std::string_view s) {
  return std::basic_string<CharT>(s.begin(), s.end());
}

// A specifier as written, after its index, flags, width and precision are read.
struct Specifier {
  bool hasIndex = false;
  int index = 0;
  bool leftAlign = false;
  bool widthStar = false;
  int width = -1;
  bool precStar = false;
  int prec = -1;
  char type = 0;        // lower case
  std::size_t end = 0;  // position after the type letter
};

template <typename CharT>
bool IsDigit(CharT c) {
  return c >= '0' && c <= '9';
}

// Reads a decimal number, guarding against overflow; false when there is none.
template <typename CharT>
bool ReadNumber(std::basic_string_view<CharT> f, std::size_t& i, int& value) {
  if (i >= f.size() || !IsDigit(f[i])) return false;
  long long v = 0;
  while (i < f.size() && IsDigit(f[i])) {
    v = v * 10 + (f[i] - '0');
    if (v > std::numeric_limits<int>::max()) return false;
    ++i;
  }
  value = static_cast<int>(v);
  return true;
}

// Parses the specifier whose "%" stands at `start`. False when it is malformed.
template <typename CharT>
bool ParseSpecifier(std::basic_string_view<CharT> f, std::size_t start, Specifier& sp) {
  std::size_t i = start + 1;
  auto readCount = [&](bool& star, int& value) -> bool {
    if (i < f.size() && f[i] == '*') {
      star = true;
      ++i;
      return true;
    }
    if (i < f.size() && IsDigit(f[i])) return ReadNumber(f, i, value);
    return true;
  };
  // An index or a width: a number (or star) followed by ":" is an index.
  bool firstStar = false;
  int first = -1;
  if (!readCount(firstStar, first)) return false;
  if (i < f.size() && f[i] == ':') {
    if (firstStar || first < 0) return false;
    sp.hasIndex = true;
    sp.index = first;
    ++i;
    first = -1;
  }
  if (first < 0 && !firstStar) {
    if (i < f.size() && f[i] == '-') {
      sp.leftAlign = true;
      ++i;
    }
    if (!readCount(sp.widthStar, sp.width)) return false;
  } else {
    sp.widthStar = firstStar;
    sp.width = first;
  }
  if (i < f.size() && f[i] == '.') {
    ++i;
    sp.prec = 0;
    if (!readCount(sp.precStar, sp.prec)) return false;
  }
  if (i >= f.size()) return false;
  CharT t = f[i];
  if (t >= 'A' && t <= 'Z') t = static_cast<CharT>(t - 'A' + 'a');
  switch (t) {
    case 'd':
    case 'u':
    case 'x':
    case 'p':
    case 's':
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm':
      sp.type = static_cast<char>(t);
      sp.end = i + 1;
      return true;
    default:
      return false;
  }
}

std::string Digits(std::uint64_t v, int base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), digits[v % base]);
    v /= base;
  } while (v != 0);
  return out;
}

std::string PadDigits(std::string digits, int prec) {
  if (prec > 0 && static_cast<int>(digits.size()) < prec) {
    digits.insert(0, static_cast<std::size_t>(prec) - digits.size(), '0');
  }
  return digits;
}

std::string GroupThousands(const std::string& intPart) {
  std::string out;
  int n = static_cast<int>(intPart.size());
  for (int k = 0; k < n; ++k) {
    out += intPart[k];
    int left = n - k - 1;
    if (left > 0 && left % 3 == 0) out += ',';
  }
  return out;
}

// Floating point in the toolkit's styles: fixed, number (grouped), exponent, general.
std::string FormatFloat(double v, char type, int prec) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  char buf[512];
  switch (type) {
    case 'f':
    case 'n':
    case 'm': {
      if (prec < 0) prec = 2;
      if (prec > 18) prec = 18;
      std::snprintf(buf, sizeof buf, "%.*f", prec, v);
      std::string s = buf;
      if (type == 'f') return s;
      bool neg = s[0] == '-';
      if (neg) s.erase(0, 1);
      std::size_t dot = s.find('.');
      std::string ip = dot == std::string::npos ? s : s.substr(0, dot);
      std::string fp = dot == std::string::npos ? "" : s.substr(dot);
      std::string out = neg ? "-" : "";
      out += GroupThousands(ip);
      out += fp;
      return out;
    }
    case 'e': {
      if (prec < 0 || prec > 18) prec = 15;
      if (prec < 1) prec = 1;
      std::snprintf(buf, sizeof buf, "%.*E", prec - 1, v);
      // The toolkit writes the exponent with a sign and at least three digits.
      std::string s = buf;
      std::size_t e = s.find('E');
      std::string mant = s.substr(0, e);
      char sign = s[e + 1];
      std::string exp = s.substr(e + 2);
      while (exp.size() < 3) exp.insert(exp.begin(), '0');
      return mant + "E" + sign + exp;
    }
    default: {  // 'g'
      if (prec < 0 || prec > 18) prec = 15;
      if (prec < 1) prec = 1;
      std::snprintf(buf, sizeof buf, "%.*G", prec, v);
      std::string s = buf;
      std::size_t e = s.find('E');
      if (e == std::string::npos) return s;
      std::string mant = s.substr(0, e);
      char sign = s[e + 1];
      std::string exp = s.substr(e + 2);
      while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
      return mant + "E" + sign + exp;
    }
  }
}

template <typename CharT>
class Formatter {
 public:
  using View = std::basic_string_view<CharT>;
  using Str = std::basic_string<CharT>;

  Formatter(View f, std::initializer_list<FormatArg> args, HexCase hexCase)
      : f_(f), args_(args.begin(), args.end()), upper_(hexCase == HexCase::Upper) {}

  Str Run() {
    Str out;
    out.reserve(f_.size() + 16);
    std::size_t i = 0;
    while (i < f_.size()) {
      std::size_t pct = f_.find(static_cast<CharT>('%'), i);
      if (pct == View::npos) {
        out.append(f_.substr(i));
        break;
      }
      out.append(f_.substr(i, pct - i));
      if (pct + 1 < f_.size() && f_[pct + 1] == '%') {
        out.push_back('%');
        i = pct + 2;
        continue;
      }
      Specifier sp;
      if (!ParseSpecifier(f_, pct, sp)) Fail(kInvalidFormat);
      if (sp.hasIndex) next_ = sp.index;
      if (sp.widthStar) sp.width = TakeCount();
      if (sp.precStar) sp.prec = TakeCount();
      const FormatArg& arg = Take();
      AppendPadded(out, Convert(sp, arg), sp);
      i = sp.end;
    }
    return out;
  }

 private:
  [[noreturn]] void Fail(const char* message) const {
    throw EConvertError(FormatArgs(message, {FormatArg(ToAnsi(f_))}));
  }

  const FormatArg& Take() {
    if (next_ < 0 || static_cast<std::size_t>(next_) >= args_.size()) Fail(kArgumentMissing);
    return args_[next_++];
  }

  int TakeCount() {
    const FormatArg& a = Take();
    if (a.kind() != FormatArg::Kind::Signed && a.kind() != FormatArg::Kind::Unsigned) {
      Fail(kInvalidFormat);
    }
    std::int64_t v = a.asInt();
    if (v < 0 || v > 1'000'000) Fail(kInvalidFormat);
    return static_cast<int>(v);
  }

  static bool IsInteger(const FormatArg& a) {
    return a.kind() == FormatArg::Kind::Signed || a.kind() == FormatArg::Kind::Unsigned;
  }

  // The argument's bits as an unsigned number of its own width.
  static std::uint64_t AsUnsigned(const FormatArg& a) {
    std::uint64_t v = static_cast<std::uint64_t>(a.asInt());
    return a.bits() == 32 ? (v & 0xFFFFFFFFu) : v;
  }

  Str Convert(const Specifier& sp, const FormatArg& a) {
    switch (sp.type) {
      case 'd': {
        if (!IsInteger(a)) Fail(kInvalidFormat);
        // The signed number of the argument's own width: unsigned 32-bit codes at or
        // above 2^31 print negative, as their signed twins do.
        std::int64_t v = a.bits() == 32 ? static_cast<std::int32_t>(AsUnsigned(a)) : a.asInt();
        bool neg = v < 0;
        std::uint64_t mag =
            neg ? (0 - static_cast<std::uint64_t>(v)) : static_cast<std::uint64_t>(v);
        std::string s = PadDigits(Digits(mag, 10, true), sp.prec);
        return FromAscii<CharT>(neg ? "-" + s : s);
      }
      case 'u':
        if (!IsInteger(a)) Fail(kInvalidFormat);
        return FromAscii<CharT>(PadDigits(Digits(AsUnsigned(a), 10, true), sp.prec));
      case 'x':
        if (!IsInteger(a) && a.kind() != FormatArg::Kind::Pointer) Fail(kInvalidFormat);
        return FromAscii<CharT>(PadDigits(Digits(AsUnsigned(a), 16, upper_), sp.prec));
      case 'p':
        if (!IsInteger(a) && a.kind() != FormatArg::Kind::Pointer) Fail(kInvalidFormat);
        return FromAscii<CharT>(PadDigits(Digits(AsUnsigned(a), 16, upper_), sizeof(void*) * 2));
      case 's': {
        Str s;
        if (a.kind() == FormatArg::Kind::Ansi) {
          if constexpr (std::is_same_v<CharT, char>) {
            s = Str(a.asAnsi());
          } else {
            s = AnsiToWide(a.asAnsi());
          }
        } else if (a.kind() == FormatArg::Kind::Wide) {
          if constexpr (std::is_same_v<CharT, char>) {
            s = WideToAnsi(a.asWide());
          } else {
            s = Str(a.asWide());
          }
        } else {
          Fail(kInvalidFormat);
        }
        if (sp.prec >= 0 && s.size() > static_cast<std::size_t>(sp.prec)) s.resize(sp.prec);
        return s;
      }
      default: {
        if (a.kind() != FormatArg::Kind::Float) Fail(kInvalidFormat);
        return FromAscii<CharT>(FormatFloat(a.asFloat(), sp.type, sp.prec));
      }
    }
  }

  static void AppendPadded(Str& out, const Str& text, const Specifier& sp) {
    std::size_t pad = sp.width > 0 && text.size() < static_cast<std::size_t>(sp.width)
                          ? sp.width - text.size()
                          : 0;
    if (!sp.leftAlign) out.append(pad, ' ');
    out.append(text);
    if (sp.leftAlign) out.append(pad, ' ');
  }

  View f_;
  std::vector<FormatArg> args_;
  bool upper_;
  int next_ = 0;
};

}  // namespace

std::string FormatArgs(std::string_view format, std::initializer_list<FormatArg> args,
                       HexCase hexCase) {
  return Formatter<char>(format, args, hexCase).Run();
}

std::u16string WideFormatArgs(std::u16string_view format, std::initializer_list<FormatArg> args,
                              HexCase hexCase) {
  return Formatter<char16_t>(format, args, hexCase).Run();
}

std::vector<FormatSpec> ParseFormatSpecs(std::u16string_view format) {
  std::vector<FormatSpec> specs;
  int next = 0;
  std::size_t i = 0;
  while ((i = format.find(u'%', i)) != std::u16string_view::npos) {
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      i += 2;
      continue;
    }
    Specifier sp;
    if (!ParseSpecifier(format, i, sp)) {
      std::size_t end = i + 1;
      while (end < format.size() && format[end] != u'%' && format[end] != u' ') ++end;
      throw EConvertError(
          FormatArgs(kInvalidSpecifier, {FormatArg(WideToAnsi(format.substr(i, end - i)))}));
    }
    if (sp.hasIndex) next = sp.index;
    if (sp.widthStar) specs.push_back({next++, u'*'});
    if (sp.precStar) specs.push_back({next++, u'*'});
    specs.push_back({next++, static_cast<char16_t>(sp.type)});
    i = sp.end;
  }
  return specs;
}

namespace {

constexpr const char* kSpecifierCountMismatch = "Number of format specifiers do not match.";
constexpr const char* kArgumentTypeMismatch =
    "Argument types for index %d do not match. (%s <> %s)";

// Types that take the same kind of argument share a class.
int ArgumentClass(char16_t type) {
  switch (type) {
    case u'd':
    case u'u':
    case u'x':
    case u'*':
      return 1;
    case u'e':
    case u'f':
    case u'g':
    case u'n':
    case u'm':
      return 2;
    case u's':
      return 3;
    default:
      return 4;  // p
  }
}

// The type of each argument's first use, by argument index.
std::map<int, char16_t> ArgumentTypes(const std::vector<FormatSpec>& uses) {
  std::map<int, char16_t> types;
  for (const FormatSpec& use : uses) types.emplace(use.argIndex, use.type);
  return types;
}

std::string TypeName(const std::map<int, char16_t>& types, int index) {
  auto it = types.find(index);
  if (it == types.end()) return "none";
  return std::string(1, static_cast<char>(it->second));
}

void AppendNumber(std::u16string& out, int value) {
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
}

}  // namespace

void CheckFormatCompatible(std::u16string_view reference, std::u16string_view translation) {
  std::vector<FormatSpec> refUses = ParseFormatSpecs(reference);
  std::vector<FormatSpec> tranUses = ParseFormatSpecs(translation);
  std::map<int, char16_t> refTypes = ArgumentTypes(refUses);
  std::map<int, char16_t> tranTypes = ArgumentTypes(tranUses);
  if (refTypes.size() != tranTypes.size()) throw EFormatSpecifierError(kSpecifierCountMismatch);
  auto mismatch = [&](int index) {
    return EFormatSpecifierError(Format(kArgumentTypeMismatch, index, TypeName(refTypes, index),
                                        TypeName(tranTypes, index)));
  };
  // Every use in the translation must fit the reference's argument, and no argument of
  // the reference may be left out.
  for (const FormatSpec& use : tranUses) {
    auto ref = refTypes.find(use.argIndex);
    if (ref == refTypes.end() || ArgumentClass(ref->second) != ArgumentClass(use.type)) {
      throw mismatch(use.argIndex);
    }
  }
  for (const auto& [index, type] : refTypes) {
    if (tranTypes.find(index) == tranTypes.end()) throw mismatch(index);
  }
}

std::u16string CanonicalFormat(std::u16string_view format) {
  std::u16string out;
  out.reserve(format.size());
  int next = 0;
  std::size_t done = 0;
  std::size_t i = 0;
  while ((i = format.find(u'%', i)) != std::u16string_view::npos) {
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      i += 2;
      continue;
    }
    Specifier sp;
    if (!ParseSpecifier(format, i, sp)) return std::u16string(format);
    out.append(format.substr(done, i - done));
    out += u'%';
    if (sp.hasIndex && sp.index != next) {
      AppendNumber(out, sp.index);
      out += u':';
    }
    if (sp.hasIndex) next = sp.index;
    if (sp.leftAlign) out += u'-';
    if (sp.widthStar) {
      out += u'*';
      ++next;
    } else if (sp.width >= 0) {
      AppendNumber(out, sp.width);
    }
    if (sp.prec >= 0 || sp.precStar) {
      out += u'.';
      if (sp.precStar) {
        out += u'*';
        ++next;
      } else {
        AppendNumber(out, sp.prec);
      }
    }
    out += static_cast<char16_t>(sp.type);
    ++next;
    i = done = sp.end;
  }
  out.append(format.substr(done));
  return out;
}
