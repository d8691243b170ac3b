// TParser: the tokenizer of form text and of string values written in form syntax.
//
// Tokens: strings (quoted runs and "#" character codes, adjacent without blanks),
// identifiers (dotted ones such as Font.Name are one token), integers (decimal, or
// hexadecimal after "$", with an optional "-"), floating-point numbers with an optional
// suffix ("c" currency, "d" date, "s" single precision), and single-character symbols.
// Anything up to and including the space character separates tokens.
//
// Text that starts with a UTF-8 byte-order mark is UTF-8: quoted runs are UTF-8 and
// identifiers may hold non-ASCII letters. Other text is 8-bit text in the code page it
// was saved in, with ASCII identifiers: its strings keep their bytes (TFormString).
// Lines count from the first line of the text, mark or not.
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

// A string of form text. "#" codes are character codes. In 8-bit text, what stands in
// quotes is bytes of the code page the text was saved in, which no reader can know: a
// string whose only non-ASCII content is such bytes is kept as those bytes, one with a
// code above 127 (or non-ASCII UTF-8 in quotes) holds characters.
struct TFormString {
  std::string bytes;  // quoted bytes and codes below 128, as they stand
  // The characters, quoted 8-bit bytes through the system code page; kept only once the
  // string holds more than ASCII (until then `bytes` are the characters).
  std::u16string chars;
  bool codePageBytes = false;  // quoted bytes above 127 in 8-bit text
  bool nonAscii = false;       // a code above 127, or non-ASCII UTF-8 in quotes

  bool IsAscii() const { return !codePageBytes && !nonAscii; }
  // True when the string is 8-bit text: ASCII, or bytes of a code page.
  bool IsEightBit() const { return !nonAscii; }
  // Code-page bytes beside characters: only a code page could join them.
  bool IsMixed() const { return codePageBytes && nonAscii; }
  void Append(const TFormString& s);
  // From here on the string holds more than ASCII.
  void KeepChars();
  // The characters, 8-bit bytes through the system code page (taken whole, so that a
  // double-byte character cut between pieces is read as one).
  std::u16string Wide() const;
};

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
  // What a string token holds.
  const TFormString& TokenString() const { return string_; }
  // A string token's characters; any other token's text, widened.
  std::u16string TokenWideText() const;
  std::int64_t TokenInt() const { return int_; }
  // A float token's value: a date's double, a currency's value, or a plain number
  // rounded to double.
  double TokenFloat() const { return float_; }
  // A plain float token's value, exact to the extended format.
  const TExtended& TokenExtended() const { return extended_; }
  // A single-precision token's value, correctly rounded.
  float TokenSingle() const { return single_; }
  // 'c' for currency, 'd' for a date, 's' for single precision, 0 for a plain
  // floating-point number.
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
  // The same error for what is on `line`.
  [[noreturn]] void ErrorOnLine(int line, std::string_view what) const;

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
  void AppendAscii(std::string_view run);
  void AppendHigh(std::string_view run);
  void ScanCurrency(std::size_t digitsStart, std::size_t end);

  std::string_view text_;
  bool utf8_ = false;
  std::size_t pos_ = 0;  // behind the current token
  std::size_t tokenStart_ = 0;
  int line_ = 1;       // line of pos_
  int tokenLine_ = 1;  // line of the current token
  TTokenKind kind_ = TTokenKind::EndOfText;
  TFormString string_;
  std::int64_t int_ = 0;
  double float_ = 0;
  float single_ = 0;
  TExtended extended_;
  char floatSuffix_ = 0;
};
