#include "FormFiles/FormParser.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "FormFiles/FormBinary.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

inline bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
inline bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

const char* KindName(TTokenKind kind) {
  switch (kind) {
    case TTokenKind::EndOfText:
      return "End of text";
    case TTokenKind::Symbol:
      return "Symbol";
    case TTokenKind::Identifier:
      return "Identifier";
    case TTokenKind::String:
      return "String";
    case TTokenKind::Integer:
      return "Integer";
    case TTokenKind::Float:
      return "Number";
  }
  return "Token";
}

}  // namespace

void TFormString::KeepChars() {
  if (IsAscii()) chars.assign(bytes.begin(), bytes.end());
}

void TFormString::Append(const TFormString& s) {
  if (!s.IsAscii()) {
    KeepChars();
    chars += s.chars;
  } else if (!IsAscii()) {
    chars.append(s.bytes.begin(), s.bytes.end());
  }
  bytes += s.bytes;
  codePageBytes = codePageBytes || s.codePageBytes;
  nonAscii = nonAscii || s.nonAscii;
}

std::u16string TFormString::Wide() const {
  if (IsAscii()) return std::u16string(bytes.begin(), bytes.end());
  return nonAscii ? chars : AnsiToWide(bytes);
}

TParser::TParser(std::string_view text) : TParser(text, HasUtf8Bom(text)) {}

TParser::TParser(std::string_view text, bool utf8) : text_(text), utf8_(utf8) {
  if (HasUtf8Bom(text_)) pos_ = kUtf8Bom.size();
  NextToken();
}

bool TParser::IsIdent(std::string_view word) const {
  return kind_ == TTokenKind::Identifier && SameText(TokenText(), word);
}

std::u16string TParser::TokenWideText() const {
  if (kind_ == TTokenKind::String) return string_.Wide();
  return utf8_ ? Utf8ToWide(TokenText()) : AnsiToWide(TokenText());
}

void TParser::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) {
    char c = text_[pos_++];
    if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
  }
}

char TParser::PeekChar() const {
  std::size_t p = pos_;
  while (p < text_.size() && IsBlank(text_[p])) ++p;
  return p < text_.size() ? text_[p] : '\0';
}

void TParser::NextToken() {
  SkipBlanks();
  tokenStart_ = pos_;
  tokenLine_ = line_;
  if (pos_ >= text_.size()) {
    kind_ = TTokenKind::EndOfText;
    return;
  }
  char c = text_[pos_];
  char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
  if (AtIdentStart()) {
    ScanIdentifier();
  } else if (c == '\'' || c == '#') {
    ScanString();
  } else if (IsDigit(c) || (c == '$' && HexValue(next) >= 0) ||
             (c == '-' && (IsDigit(next) || next == '$'))) {
    ScanNumber();
  } else {
    kind_ = TTokenKind::Symbol;
    ++pos_;
  }
}

// Non-ASCII letters belong to identifiers in UTF-8 text only: in 8-bit text their
// meaning would depend on the code page.
bool TParser::AtIdentStart() const {
  char c = text_[pos_];
  return IsIdentStart(c) || (utf8_ && IsHigh(c));
}

// Moves past the identifier characters at pos_ (the first one may be a digit).
void TParser::ScanIdentChars() {
  const std::size_t n = text_.size();
  while (pos_ < n) {
    char c = text_[pos_];
    if (IsIdentChar(c)) {
      ++pos_;
    } else if (utf8_ && IsHigh(c)) {
      std::size_t len = Utf8SequenceLength(text_, pos_);
      if (len == 0) Error("Invalid UTF-8 text");
      pos_ += len;
    } else {
      return;
    }
  }
}

void TParser::ScanIdentifier() {
  kind_ = TTokenKind::Identifier;
  for (;;) {
    ScanIdentChars();
    // A dot joins the next identifier only when one follows.
    if (pos_ + 1 >= text_.size() || text_[pos_] != '.') break;
    ++pos_;
    if (!AtIdentStart()) {
      --pos_;
      break;
    }
  }
}

void TParser::ScanNumber() {
  bool negative = text_[pos_] == '-';
  if (negative) ++pos_;
  floatSuffix_ = 0;
  if (text_[pos_] == '$') {
    ++pos_;
    std::uint64_t v = 0;
    std::size_t start = pos_;
    while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
      if (pos_ - start >= 16) Error("Number out of range");
      v = (v << 4) | static_cast<std::uint64_t>(HexValue(text_[pos_++]));
    }
    if (pos_ == start || (pos_ < text_.size() && IsIdentChar(text_[pos_]))) {
      Error("Invalid number");
    }
    kind_ = TTokenKind::Integer;
    int_ = static_cast<std::int64_t>(negative ? 0 - v : v);
    return;
  }
  std::size_t digits = pos_;
  while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  bool isFloat = false;
  if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
    isFloat = true;
    pos_ += 1;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    std::size_t p = pos_ + 1;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
    if (p < text_.size() && IsDigit(text_[p])) {
      isFloat = true;
      pos_ = p;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
  }
  std::size_t end = pos_;
  if (pos_ < text_.size()) {
    char s = text_[pos_];
    char lower = static_cast<char>(s | 0x20);
    if (lower == 'c' || lower == 'd' || lower == 's') {
      floatSuffix_ = lower;
      isFloat = true;
      ++pos_;
    }
  }
  if (pos_ < text_.size() && IsIdentChar(text_[pos_])) Error("Invalid number");

  std::size_t numStart = negative ? digits - 1 : digits;
  if (floatSuffix_ == 'c') {
    ScanCurrency(numStart, end);
    return;
  }
  if (floatSuffix_ == 'd') {
    auto r = std::from_chars(text_.data() + numStart, text_.data() + end, float_);
    if (r.ec != std::errc() || r.ptr != text_.data() + end || !std::isfinite(float_)) {
      Error("Number out of range");
    }
    kind_ = TTokenKind::Float;
    return;
  }
  if (floatSuffix_ == 's') {
    auto r = std::from_chars(text_.data() + numStart, text_.data() + end, single_);
    if (r.ec != std::errc() || r.ptr != text_.data() + end || !std::isfinite(single_)) {
      Error("Number out of range");
    }
    float_ = single_;
    kind_ = TTokenKind::Float;
    return;
  }
  if (isFloat) {
    switch (ParseExtended(text_.substr(numStart, end - numStart), extended_)) {
      case TFloatParse::Ok:
        break;
      case TFloatParse::OutOfRange:
        Error("Number out of range");
      case TFloatParse::TooManyDigits:
        Error("Number has too many digits");
    }
    float_ = ExtendedToDouble(extended_);
    kind_ = TTokenKind::Float;
    return;
  }
  auto r = std::from_chars(text_.data() + numStart, text_.data() + end, int_);
  if (r.ec != std::errc() || r.ptr != text_.data() + end) Error("Number out of range");
  kind_ = TTokenKind::Integer;
}

// Currency is kept exact in ten-thousandths: no detour through floating point.
void TParser::ScanCurrency(std::size_t start, std::size_t end) {
  std::string_view t = text_.substr(start, end - start);
  bool negative = !t.empty() && t[0] == '-';
  if (negative) t.remove_prefix(1);
  std::size_t dot = t.find('.');
  std::string_view whole = t.substr(0, dot);
  std::string_view frac = dot == std::string_view::npos ? std::string_view() : t.substr(dot + 1);
  if (whole.empty() || frac.size() > 4 || t.find_first_of("eE") != std::string_view::npos) {
    Error("Invalid currency value");
  }
  std::uint64_t v = 0;
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(1) << 63;
  auto push = [&](char d) {
    if (v > (kLimit - static_cast<std::uint64_t>(d - '0')) / 10) Error("Number out of range");
    v = v * 10 + static_cast<std::uint64_t>(d - '0');
  };
  for (char d : whole) push(d);
  for (std::size_t i = 0; i < 4; ++i) push(i < frac.size() ? frac[i] : '0');
  if (!negative && v == kLimit) Error("Number out of range");
  int_ = negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  float_ = static_cast<double>(int_) / 10000.0;
  kind_ = TTokenKind::Float;
}

void TParser::ScanString() {
  kind_ = TTokenKind::String;
  // Cleared rather than replaced: the buffers serve every string of the text.
  string_.bytes.clear();
  string_.chars.clear();
  string_.codePageBytes = false;
  string_.nonAscii = false;
  while (pos_ < text_.size()) {
    if (text_[pos_] == '\'') {
      ScanQuotedRun();
    } else if (text_[pos_] == '#') {
      ScanCharCode();
    } else {
      break;
    }
  }
}

void TParser::ScanQuotedRun() {
  ++pos_;  // opening quote
  const std::size_t n = text_.size();
  for (;;) {
    // ASCII in whole runs: most strings hold nothing else.
    std::size_t start = pos_;
    while (pos_ < n && !IsHigh(text_[pos_]) && text_[pos_] != '\'' && text_[pos_] != '\r' &&
           text_[pos_] != '\n') {
      ++pos_;
    }
    AppendAscii(text_.substr(start, pos_ - start));
    if (pos_ >= n || text_[pos_] == '\r' || text_[pos_] == '\n') Error("Unterminated string");
    if (text_[pos_] == '\'') {
      if (pos_ + 1 < n && text_[pos_ + 1] == '\'') {
        AppendAscii("'");
        pos_ += 2;
        continue;
      }
      ++pos_;
      return;
    }
    // Non-ASCII bytes in whole runs too, so that a multi-byte character is never split.
    start = pos_;
    while (pos_ < n && IsHigh(text_[pos_])) ++pos_;
    AppendHigh(text_.substr(start, pos_ - start));
  }
}

void TParser::AppendAscii(std::string_view run) {
  string_.bytes += run;
  if (!string_.IsAscii()) string_.chars.append(run.begin(), run.end());
}

void TParser::AppendHigh(std::string_view run) {
  string_.KeepChars();
  if (utf8_) {
    if (!IsUtf8(run)) Error("Invalid UTF-8 text");
    string_.chars += Utf8ToWide(run);
    string_.nonAscii = true;
  } else {
    string_.bytes += run;
    string_.chars += AnsiToWide(run);
    string_.codePageBytes = true;
  }
}

void TParser::ScanCharCode() {
  ++pos_;  // '#'
  std::uint32_t v = 0;
  std::size_t start = pos_;
  if (pos_ < text_.size() && text_[pos_] == '$') {
    start = ++pos_;
    while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
      v = v * 16 + static_cast<std::uint32_t>(HexValue(text_[pos_++]));
      if (v > 0xFFFF) Error("Invalid character code");
    }
  } else {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      v = v * 10 + static_cast<std::uint32_t>(text_[pos_++] - '0');
      if (v > 0xFFFF) Error("Invalid character code");
    }
  }
  if (pos_ == start) Error("Invalid character code");
  // A code is a character, never a byte of a code page.
  if (v < 0x80) {
    const char c = static_cast<char>(v);
    AppendAscii(std::string_view(&c, 1));
  } else {
    string_.KeepChars();
    string_.nonAscii = true;
    string_.chars += static_cast<char16_t>(v);
  }
}

void TParser::CheckKind(TTokenKind kind) const {
  if (kind_ != kind) Error(std::string(KindName(kind)) + " expected");
}

void TParser::CheckSymbol(char c) const {
  if (!IsSymbol(c)) Error(Format("'%s' expected", std::string(1, c)));
}

void TParser::Error(std::string_view what) const { ErrorOnLine(tokenLine_, what); }

void TParser::ErrorOnLine(int line, std::string_view what) const {
  throw EParserError(Format("%s on line %d", what, line));
}

void TParser::ReadHexBinary(std::vector<std::uint8_t>& out) {
  CheckSymbol('{');
  int high = -1;
  for (;;) {
    SkipBlanks();
    tokenLine_ = line_;
    if (pos_ >= text_.size()) Error("'}' expected");
    // Whole digit pairs first: binary data is most of a large form.
    if (high < 0) {
      const std::size_t start = pos_;
      while (pos_ + 1 < text_.size()) {
        int h = HexValue(text_[pos_]);
        int l = HexValue(text_[pos_ + 1]);
        if (h < 0 || l < 0) break;
        out.push_back(static_cast<std::uint8_t>((h << 4) | l));
        pos_ += 2;
      }
      if (pos_ != start) continue;  // blanks or the end may follow
    }
    char c = text_[pos_++];
    if (c == '}') break;
    int v = HexValue(c);
    if (v < 0) Error("Invalid binary value");
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>((high << 4) | v));
      high = -1;
    }
  }
  if (high >= 0) Error("Invalid binary value");
  NextToken();
}
