// TParser: the tokenizer of form text and of string values written in form syntax.
//
// Tokens: strings (quoted runs and "#" character codes, adjacent without blanks),
// identifiers (dotted ones such as Font.Name are one token), integers (decimal, or
// hexadecimal after "$", with an optional "-"), floating-point numbers with an optional
// suffix ("c" currency, "d" date), and single-character symbols. Anything up to and
// including the space character separates tokens.
//
// Text that starts with a UTF-8 byte-order mark is UTF-8: quoted runs are UTF-8 and
// identifiers may hold non-ASCII letters. Other text is 8-bit text in the system code
// page, with ASCII identifiers. Lines count from the first line of the text, mark or not.
//
// Errors raise EParserError "<what> on line <n>".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormFloat.h"
#include "Rtl/Exceptions.h"

KIV_DECLARE_EXCEPTION(EParserError, Exception);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline bool HasUtf8Bom(std::string_view text) { return text.substr(0, 3) == kUtf8Bom; }

enum class TTokenKind { EndOfText, Symbol, Identifier, String, Integer, Float };

class TParser {
 public:
  explicit TParser(std::string_view text);
  // Text known to be UTF-8 (with or without a byte-order mark), or known not to be.
  TParser(std::string_view text, bool utf8);

  // True when the text is read as UTF-8.
  bool Utf8() const { return utf8_; }

  TTokenKind Kind() const { return kind_; }
  // The current symbol character; 0 for other kinds.
  char Symbol() const { return kind_ == TTokenKind::Symbol ? text_[tokenStart_] : '\0'; }
  bool IsSymbol(char c) const { return kind_ == TTokenKind::Symbol && text_[tokenStart_] == c; }
  // True for an identifier token equal to `word`, ignoring case.
  bool IsIdent(std::string_view word) const;
  // The token as written (for a string token, its source text).
  std::string_view TokenText() const { return text_.substr(tokenStart_, pos_ - tokenStart_); }
  // The characters of a string token.
  const std::u16string& TokenWideString() const { return string_; }
  // True when every character of the string token is below 128.
  bool TokenStringIsAscii() const { return stringAscii_; }
  // A string token's characters; any other token's text, widened.
  std::u16string TokenWideText() const;
  std::int64_t TokenInt() const { return int_; }
  // A float token's value: a date's double, a currency's value, or a plain number
  // rounded to double.
  double TokenFloat() const { return float_; }
  // A plain float token's value, exact to the extended format.
  const TExtended& TokenExtended() const { return extended_; }
  // 'c' for currency, 'd' for a date, 0 for a plain floating-point number.
  char FloatSuffix() const { return floatSuffix_; }
  // A currency token's value in ten-thousandths, exact.
  std::int64_t TokenCurrency() const { return int_; }

  // Moves to the next token; at the end of the text the token stays EndOfText.
  void NextToken();
  // The first character after the current token that is not blank, or 0 at the end.
  char PeekChar() const;
  int SourceLine() const { return tokenLine_; }

  void CheckKind(TTokenKind kind) const;  // "String expected", "Identifier expected", ...
  void CheckSymbol(char c) const;         // "'c' expected"
  [[noreturn]] void Error(std::string_view what) const;

  // At a "{" symbol: reads hexadecimal digit pairs (blanks between them are allowed) up
  // to the closing "}", appends the bytes and moves past the "}".
  void ReadHexBinary(std::vector<std::uint8_t>& out);

 private:
  void SkipBlanks();
  bool AtIdentStart() const;
  void ScanIdentChars();
  void ScanIdentifier();
  void ScanNumber();
  void ScanString();
  void ScanQuotedRun();
  void ScanCharCode();
  void ScanCurrency(std::size_t digitsStart, std::size_t end);

  std::string_view text_;
  bool utf8_ = false;
  std::size_t pos_ = 0;  // behind the current token
  std::size_t tokenStart_ = 0;
  int line_ = 1;       // line of pos_
  int tokenLine_ = 1;  // line of the current token
  TTokenKind kind_ = TTokenKind::EndOfText;
  std::u16string string_;
  bool stringAscii_ = true;
  std::int64_t int_ = 0;
  double float_ = 0;
  TExtended extended_;
  char floatSuffix_ = 0;
};
