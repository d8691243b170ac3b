#include "KivTrx/KivTrxPoFile.h"

#include <cstdint>
#include <unordered_set>

#include "KivTrx/KivTrxTable.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

// Lines of the file, quotes included, stay within this many characters where spaces
// allow it; editors and the gettext tools wrap at the same width.
constexpr std::size_t kLineWidth = 79;
constexpr std::string_view kFuzzyFlag = "fuzzy";
constexpr std::string_view kTranslatedEmptyFlag = "translated-empty";
// The gettext tools' name for formats of the program's kind ("%0:s", "%*d", "%-8.2f"):
// with it, editors and msgfmt check a translation's arguments against the original's.
constexpr std::string_view kFormatFlag = "object-pascal-format";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::size_t Columns(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8) n += IsContinuationByte(c) ? 0 : 1;
  return n;
}

// Exactly the well-formed UTF-8: no overlong forms, encoded surrogates, values past
// U+10FFFF or cut-off sequences.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t cp, least;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, cp = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if (!IsContinuationByte(s[i + k])) return false;
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// ---------------------------------------------------------------------------------
// Writing

// UTF-8 has no form for a lone surrogate; converting it would silently turn it into
// U+FFFD, so the entry is refused instead.
std::string ToUtf8(std::u16string_view text, std::u16string_view context) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      throw EKivGeneralError(Format(
          "PO entry \"%s\": a text holds an unpaired surrogate (U+%.4x), which a PO file can "
          "not carry.",
          context, static_cast<unsigned>(text[i])));
    }
  }
  return WideToUtf8(text);
}

struct TEscaped {
  std::string Text;
  std::vector<std::size_t> LineBreaks;  // offsets just behind each "\n" escape
};

TEscaped Escape(std::string_view utf8) {
  TEscaped e;
  e.Text.reserve(utf8.size() + 8);
  for (char c : utf8) {
    switch (c) {
      case '\\':
        e.Text += "\\\\";
        break;
      case '"':
        e.Text += "\\\"";
        break;
      case '\n':
        e.Text += "\\n";
        e.LineBreaks.push_back(e.Text.size());
        break;
      case '\r':
        e.Text += "\\r";
        break;
      case '\t':
        e.Text += "\\t";
        break;
      case '\a':
        e.Text += "\\a";
        break;
      case '\b':
        e.Text += "\\b";
        break;
      case '\f':
        e.Text += "\\f";
        break;
      case '\v':
        e.Text += "\\v";
        break;
      default: {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
          // Always three digits, so that a digit after it is not taken into it.
          e.Text += '\\';
          e.Text += static_cast<char>('0' + (b >> 6));
          e.Text += static_cast<char>('0' + ((b >> 3) & 7));
          e.Text += static_cast<char>('0' + (b & 7));
        } else {
          e.Text += c;
        }
      }
    }
  }
  return e;
}

// Writes one piece of an escaped string as quoted lines, broken after the last space
// that keeps a line within the width (escapes hold no spaces, so no escape is cut).
void AppendWrapped(std::string& out, std::string_view piece) {
  constexpr std::size_t kMaxColumns = kLineWidth - 2;
  while (!piece.empty()) {
    std::size_t fit = 0, columns = 0;
    while (fit < piece.size()) {
      if (!IsContinuationByte(piece[fit]) && columns++ == kMaxColumns) break;
      ++fit;
    }
    std::size_t cut = piece.size();
    if (fit < piece.size()) {
      std::size_t space = piece.rfind(' ', fit - 1);
      if (space == std::string_view::npos) space = piece.find(' ', fit);
      if (space != std::string_view::npos) cut = space + 1;
    }
    out += '"';
    out += piece.substr(0, cut);
    out += "\"\n";
    piece.remove_prefix(cut);
  }
}

void AppendString(std::string& out, std::string_view keyword, std::string_view utf8) {
  TEscaped e = Escape(utf8);
  bool innerBreak = !e.LineBreaks.empty() && e.LineBreaks.front() < e.Text.size();
  out += keyword;
  if (!innerBreak && keyword.size() + 3 + Columns(e.Text) <= kLineWidth) {
    out += " \"";
    out += e.Text;
    out += "\"\n";
    return;
  }
  out += " \"\"\n";
  std::string_view rest = e.Text;
  std::size_t start = 0;
  for (std::size_t end : e.LineBreaks) {
    AppendWrapped(out, rest.substr(start, end - start));
    start = end;
  }
  AppendWrapped(out, rest.substr(start));
}

void AppendComment(std::string& out, std::string_view utf8) {
  if (utf8.empty()) return;
  std::size_t start = 0;
  while (true) {
    std::size_t end = utf8.find('\n', start);
    std::string_view line = utf8.substr(start, end == std::string_view::npos ? end : end - start);
    out += line.empty() ? "#" : "# ";
    out += line;
    out += '\n';
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

void AppendFlags(std::string& out, const TKivPoEntry& entry) {
  std::vector<std::string_view> flags;
  if (!entry.Translated && !entry.Translation.empty()) flags.push_back(kFuzzyFlag);
  if (entry.Translated && entry.Translation.empty()) flags.push_back(kTranslatedEmptyFlag);
  if (entry.FormatString) flags.push_back(kFormatFlag);
  if (flags.empty()) return;
  out += "#";
  for (std::string_view flag : flags) {
    out += ", ";
    out += flag;
  }
  out += '\n';
}

void AppendEntry(std::string& out, const TKivPoEntry& entry) {
  AppendComment(out, ToUtf8(entry.Comment, entry.Context));
  AppendFlags(out, entry);
  AppendString(out, "msgctxt", ToUtf8(entry.Context, entry.Context));
  AppendString(out, "msgid", ToUtf8(entry.Original, entry.Context));
  AppendString(out, "msgstr", ToUtf8(entry.Translation, entry.Context));
}

std::string HeaderValue(std::u16string_view value) {
  if (value.find(u'\n') != std::u16string_view::npos) {
    throw EKivGeneralError(
        Format("A PO header value can not hold a line break: \"%s\".", std::u16string(value)));
  }
  return ToUtf8(value, u"");
}

// The fields that msgfmt's checks ask for; those the module cannot know stay empty.
void AppendHeader(std::string& out, const TKivPoHeader& header) {
  std::string fields = "Project-Id-Version: " + HeaderValue(header.ProjectId) + "\n";
  fields += "PO-Revision-Date: " + HeaderValue(header.RevisionDate) + "\n";
  fields += "Last-Translator: \nLanguage-Team: \n";
  if (!header.Language.empty()) fields += "Language: " + HeaderValue(header.Language) + "\n";
  fields +=
      "MIME-Version: 1.0\n"
      "Content-Type: text/plain; charset=UTF-8\n"
      "Content-Transfer-Encoding: 8bit\n";
  out += "msgid \"\"\n";
  AppendString(out, "msgstr", fields);
}

// ---------------------------------------------------------------------------------
// Reading

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// File text quoted in a message: printable ASCII only, and not too long.
std::string Quoted(std::string_view s) {
  constexpr std::size_t kMax = 40;
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size() && i < kMax; ++i) {
    auto b = static_cast<unsigned char>(s[i]);
    out += b >= 0x20 && b < 0x7F ? s[i] : '?';
  }
  if (s.size() > kMax) out += "...";
  return out + "\"";
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // A file whose first line ends in CR LF has CR LF line ends; elsewhere a CR before a
  // line end belongs to the text (a comment can hold one).
  std::size_t firstEnd = text.find('\n');
  bool crlf = firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r';
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (crlf && end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

class TPoReader {
 public:
  explicit TPoReader(TKivPoHeader* header) : header_(header) {}

  std::vector<TKivPoEntry> Read(std::string_view text) {
    if (header_) *header_ = {};
    std::vector<std::string_view> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      line_ = static_cast<int>(i) + 1;
      ReadLine(lines[i]);
    }
    EndOfFile();
    return std::move(entries_);
  }

 private:
  // Where the entry being read stands: which keyword came last.
  enum class TState { Between, Context, Id, Str };

  struct TCommentLine {
    int Line;
    std::string_view Text;
  };

  TKivPoHeader* header_;
  bool headerSeen_ = false;
  std::vector<TKivPoEntry> entries_;
  int line_ = 0;

  TState state_ = TState::Between;
  std::vector<TCommentLine> comments_;
  bool fuzzy_ = false;
  bool translatedEmpty_ = false;
  bool formatString_ = false;
  bool hasContext_ = false;
  std::string context_, id_, str_;
  int contextLine_ = 0, idLine_ = 0, strLine_ = 0;
  std::string* field_ = nullptr;  // the text that string lines continue

  [[noreturn]] void Fail(int line, std::string_view what) const {
    throw EKivGeneralError(Format("PO file line %d: %s", line, what));
  }
  [[noreturn]] void Fail(std::string_view what) const { Fail(line_, what); }

  void ReadLine(std::string_view line) {
    std::string_view rest = TrimLeft(line);
    if (rest.empty()) return;  // blank lines may stand anywhere
    if (rest.front() == '#') return ReadComment(rest.substr(1));
    if (rest.front() == '"') return ReadContinuation(rest);
    std::size_t n = 0;
    while (n < rest.size() && !IsBlank(rest[n]) && rest[n] != '"') ++n;
    ReadKeyword(rest.substr(0, n), rest.substr(n));
  }

  // A comment or a keyword other than msgstr ends a finished entry; inside an entry
  // whose msgstr has not come yet it is an error.
  void EndEntryBeforeNewOne() {
    switch (state_) {
      case TState::Between:
        return;
      case TState::Context:
        Fail("msgid expected after msgctxt.");
      case TState::Id:
        Fail("msgstr expected after msgid.");
      case TState::Str:
        FinishEntry();
    }
  }

  void ReadComment(std::string_view text) {
    EndEntryBeforeNewOne();
    char kind = text.empty() ? ' ' : text.front();
    switch (kind) {
      case '~':
        // An obsolete entry; comments and flags before it were its own.
        comments_.clear();
        fuzzy_ = translatedEmpty_ = formatString_ = false;
        return;
      case ',':
        return ReadFlags(text.substr(1));
      case '.':  // extracted comment
      case ':':  // source reference
      case '|':  // previous msgid
        return;
      default:
        if (kind == ' ') text.remove_prefix(text.empty() ? 0 : 1);
        comments_.push_back({line_, text});
    }
  }

  void ReadFlags(std::string_view text) {
    while (!text.empty()) {
      std::size_t comma = text.find(',');
      std::string_view flag = Trim(text.substr(0, comma));
      if (flag == kFuzzyFlag) fuzzy_ = true;
      if (flag == kTranslatedEmptyFlag) translatedEmpty_ = true;
      if (flag == kFormatFlag) formatString_ = true;
      text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
  }

  void ReadKeyword(std::string_view keyword, std::string_view rest) {
    if (keyword == "msgctxt") {
      EndEntryBeforeNewOne();
      hasContext_ = true;
      StartField(TState::Context, context_, contextLine_, keyword, rest);
    } else if (keyword == "msgid") {
      if (state_ != TState::Context) EndEntryBeforeNewOne();
      StartField(TState::Id, id_, idLine_, keyword, rest);
    } else if (keyword == "msgstr") {
      if (state_ == TState::Context) Fail("msgid expected after msgctxt.");
      if (state_ != TState::Id) Fail("msgstr without a msgid before it.");
      StartField(TState::Str, str_, strLine_, keyword, rest);
    } else if (keyword == "msgid_plural" || keyword.starts_with("msgstr[")) {
      Fail(
          "plural forms (msgid_plural, msgstr[n]) are not supported: a translation table has "
          "none.");
    } else {
      Fail("unknown keyword " + Quoted(keyword) + ".");
    }
  }

  void StartField(TState state, std::string& field, int& fieldLine, std::string_view keyword,
                  std::string_view rest) {
    state_ = state;
    field_ = &field;
    fieldLine = line_;
    if (ReadStrings(rest) == 0) Fail("string expected after " + std::string(keyword) + ".");
  }

  void ReadContinuation(std::string_view rest) {
    if (state_ == TState::Between) Fail("string without a keyword before it.");
    ReadStrings(rest);
  }

  // Appends the quoted strings of a line to the current field; answers how many.
  int ReadStrings(std::string_view rest) {
    int count = 0;
    std::size_t i = 0;
    while (true) {
      while (i < rest.size() && IsBlank(rest[i])) ++i;
      if (i == rest.size()) return count;
      if (rest[i] != '"') {
        if (count == 0) return 0;
        Fail("unexpected text after the string: " + Quoted(rest.substr(i)) + ".");
      }
      ReadString(rest, ++i);
      ++count;
    }
  }

  void ReadString(std::string_view rest, std::size_t& i) {
    while (true) {
      if (i == rest.size()) Fail("string not closed.");
      char c = rest[i++];
      if (c == '"') return;
      if (c != '\\') {
        *field_ += c;
        continue;
      }
      if (i == rest.size()) Fail("string not closed.");
      ReadEscape(rest, i);
    }
  }

  void ReadEscape(std::string_view rest, std::size_t& i) {
    char c = rest[i++];
    switch (c) {
      case 'n':
        *field_ += '\n';
        return;
      case 't':
        *field_ += '\t';
        return;
      case 'r':
        *field_ += '\r';
        return;
      case 'a':
        *field_ += '\a';
        return;
      case 'b':
        *field_ += '\b';
        return;
      case 'f':
        *field_ += '\f';
        return;
      case 'v':
        *field_ += '\v';
        return;
      case '\\':
      case '"':
      case '\'':
      case '?':
        *field_ += c;
        return;
      case 'x':
        return ReadNumericEscape(rest, i, 16, 0, std::string_view::npos);
      default:
        if (c >= '0' && c <= '7') return ReadNumericEscape(rest, --i, 8, 1, 3);
        Fail(c > ' ' && c < 0x7F ? "unknown escape sequence \\" + std::string(1, c) + "."
                                 : std::string("unknown escape sequence."));
    }
  }

  // Octal (up to three digits) or hexadecimal (any number of digits): one byte.
  void ReadNumericEscape(std::string_view rest, std::size_t& i, unsigned base,
                         std::size_t minDigits, std::size_t maxDigits) {
    unsigned value = 0;
    std::size_t digits = 0;
    for (; i < rest.size() && digits < maxDigits; ++i, ++digits) {
      char c = LowerAscii(rest[i]);
      unsigned d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (base == 16 && c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else {
        break;
      }
      if (d >= base) break;
      value = value * base + d;
      if (value > 0xFF) Fail("escape sequence beyond a byte's range.");
    }
    if (digits == 0 || digits < minDigits) Fail("hexadecimal digits expected after \\x.");
    *field_ += static_cast<char>(value);
  }

  void EndOfFile() {
    switch (state_) {
      case TState::Between:
        return;
      case TState::Context:
        Fail(contextLine_, "the file ends before the msgid of this msgctxt.");
      case TState::Id:
        Fail(idLine_, "the file ends before the msgstr of this msgid.");
      case TState::Str:
        FinishEntry();
    }
  }

  std::u16string Decode(std::string_view utf8, int line, std::string_view keyword) const {
    if (!IsValidUtf8(utf8)) Fail(line, "the text of " + std::string(keyword) + " is not UTF-8.");
    return Utf8ToWide(utf8);
  }

  void FinishEntry() {
    if (!hasContext_ && id_.empty()) {
      ReadHeader();
    } else {
      TKivPoEntry entry;
      entry.Context = Decode(context_, contextLine_, "msgctxt");
      entry.Original = Decode(id_, idLine_, "msgid");
      entry.Translation = Decode(str_, strLine_, "msgstr");
      entry.Translated = !fuzzy_ && (!str_.empty() || translatedEmpty_);
      entry.Comment = JoinedComment();
      entry.FormatString = formatString_;
      entries_.push_back(std::move(entry));
    }
    state_ = TState::Between;
    comments_.clear();
    fuzzy_ = translatedEmpty_ = formatString_ = hasContext_ = false;
    context_.clear(), id_.clear(), str_.clear();
    field_ = nullptr;
  }

  std::u16string JoinedComment() const {
    std::u16string comment;
    for (const TCommentLine& c : comments_) {
      if (&c != &comments_.front()) comment += u'\n';
      comment += Decode(c.Text, c.Line, "a comment");
    }
    return comment;
  }

  // The header entry: "Name: value" lines. Its charset is checked before its text, so
  // that a catalog in another encoding is refused for what it is.
  void ReadHeader() {
    std::string_view fields = str_;
    TKivPoHeader values;
    while (!fields.empty()) {
      std::size_t end = fields.find('\n');
      std::string_view line = fields.substr(0, end);
      fields.remove_prefix(end == std::string_view::npos ? fields.size() : end + 1);
      std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      std::string_view name = Trim(line.substr(0, colon));
      std::string_view value = TrimLeft(line.substr(colon + 1));
      if (SameTextAscii(name, "Content-Type")) CheckCharset(value);
      if (SameTextAscii(name, "Project-Id-Version")) {
        values.ProjectId = Decode(value, strLine_, "the header");
      } else if (SameTextAscii(name, "Language")) {
        values.Language = Decode(value, strLine_, "the header");
      } else if (SameTextAscii(name, "PO-Revision-Date")) {
        values.RevisionDate = Decode(value, strLine_, "the header");
      }
    }
    if (header_ && !headerSeen_) *header_ = values;
    headerSeen_ = true;
  }

  void CheckCharset(std::string_view contentType) {
    std::string lower;
    for (char c : contentType) lower += LowerAscii(c);
    std::size_t at = lower.find("charset=");
    if (at == std::string::npos) return;  // no charset named: the text must be UTF-8
    std::string_view charset = contentType.substr(at + 8);
    std::size_t end = 0;
    while (end < charset.size() && !IsBlank(charset[end]) && charset[end] != ';') ++end;
    charset = charset.substr(0, end);
    if (!SameTextAscii(charset, "UTF-8") && !SameTextAscii(charset, "UTF8")) {
      Fail(strLine_,
           "the catalog's charset is " + Quoted(charset) + "; only UTF-8 catalogs are accepted.");
    }
  }
};

}  // namespace

std::string WritePoCatalog(const std::vector<TKivPoEntry>& entries, const TKivPoHeader& header) {
  std::string out;
  AppendHeader(out, header);
  for (const TKivPoEntry& entry : entries) {
    out += '\n';
    AppendEntry(out, entry);
  }
  return out;
}

std::vector<TKivPoEntry> ReadPoCatalog(std::string_view utf8, TKivPoHeader* header) {
  return TPoReader(header).Read(utf8);
}

// ---------------------------------------------------------------------------------
// Catalogs of translation tables

namespace {

std::u16string OriginalOf(const TOriginalTexts& originals, const TKivTransTable& row) {
  auto it = originals.find(row.TranID());
  if (it != originals.end()) return it->second;
  // A row the program no longer has: the text before canonicalisation, else its own.
  return row.RefValue().empty() ? row.TranValue() : row.RefValue();
}

// The module keeps a string's format in its canonical spelling, which says the same.
bool SameText(const TKivTransTable& row, const std::u16string& a, const std::u16string& b) {
  return a == b || (row.IsStringResource() && CanonicalFormat(a) == CanonicalFormat(b));
}

// The module keeps one comment line per row.
std::u16string OneLine(const std::u16string& comment) {
  if (comment.find_first_of(u"\r\n") == std::u16string::npos) return comment;
  std::u16string joined;
  std::size_t start = 0;
  while (start <= comment.size()) {
    std::size_t end = comment.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = comment.size();
    std::u16string line = ::Trim(comment.substr(start, end - start));
    if (!line.empty()) joined += (joined.empty() ? u"" : u" ") + line;
    start = end + 1;
  }
  return joined;
}

// The current row as the catalog shows it.
TKivPoEntry EntryOfRow(const TKivTransTable& row, const TOriginalTexts& originals) {
  TKivPoEntry entry;
  entry.Context = row.TranID();
  entry.Original = OriginalOf(originals, row);
  entry.FormatString = row.IsStringResource() && TakesFormatArguments(entry.Original);
  const std::u16string value = row.TranValue();
  if (row.Translated() || !SameText(row, value, entry.Original)) entry.Translation = value;
  entry.Translated = row.Translated() && (!entry.FormatString || entry.Translation.empty() ||
                                          FormatFits(entry.Original, value));
  entry.Comment = row.Comment();
  return entry;
}

}  // namespace

std::vector<TKivPoEntry> CatalogEntries(TKivTransTable& table, const TOriginalTexts& originals) {
  std::vector<TKivPoEntry> entries;
  std::unordered_set<std::u16string> ids;
  for (table.First(); !table.Eof(); table.Next()) {
    if (ids.insert(WideUpperCase(table.TranID())).second) {
      entries.push_back(EntryOfRow(table, originals));
    }
  }
  return entries;
}

TKivPoImport ImportCatalogEntries(TKivTransTable& table, const TOriginalTexts& originals,
                                  const std::vector<TKivPoEntry>& entries) {
  TKivPoImport result;
  table.BeginBatch();
  try {
    for (const TKivPoEntry& entry : entries) {
      if (!table.FindTranID(entry.Context)) {
        result.UnknownIds.push_back(entry.Context);
        continue;
      }
      const std::u16string original = OriginalOf(originals, table);
      // A translation of another text is no translation of this one.
      if (entry.Original != original) {
        result.StaleEntries.push_back({table.TranID(), entry.Original, original});
        continue;
      }
      const std::u16string comment = OneLine(entry.Comment);
      // As exported: a translation whose format no longer fits came out not translated,
      // and stays as it is until the translator gives it a text that fits.
      const TKivPoEntry exported = EntryOfRow(table, originals);
      if (entry.Translation == exported.Translation && entry.Translated == exported.Translated &&
          comment == exported.Comment) {
        continue;
      }
      const std::u16string value =
          entry.Translation.empty() && !entry.Translated ? original : entry.Translation;
      const bool sameValue = SameText(table, value, table.TranValue());
      // The same text in another spelling is no edit, unless it is a translation that
      // does not fit.
      if (sameValue && entry.Translated == table.Translated() && comment == table.Comment() &&
          (!table.IsStringResource() || FormatFits(original, value))) {
        continue;
      }
      table.Edit();
      try {
        // The table checks a translation against its reference when it is posted.
        if (table.IsStringResource() && TakesFormatArguments(original)) table.SetRefValue(original);
        if (!sameValue) table.SetTranValue(value);
        table.SetTranslated(entry.Translated);
        table.SetComment(comment);
        table.Post();
      } catch (Exception& e) {
        table.Cancel();
        e.SetMessage(Format("Entry %s: %s", WideToAnsi(entry.Context), e.Message()));
        throw;
      }
      ++result.Changed;
    }
  } catch (...) {
    table.EndBatch();
    throw;
  }
  table.EndBatch();
  return result;
}
