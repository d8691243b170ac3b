#include "FormFiles/FormText.h"

#include <charconv>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormParser.h"
#include "Rtl/CodePage.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

namespace {

constexpr std::size_t kPieceLength = 64;
// Binary values up to one line's worth stay on the property's line.
constexpr std::size_t kBinaryBytesPerLine = 32;
constexpr const char* kCrLf = "\r\n";
// Marks 8-bit text of up to 255 bytes that is stored as a long string (vaLString).
constexpr std::string_view kLongStringMark = " + ''";
constexpr const char* kMixedString =
    "8-bit characters beside character codes above 127 (save the form as UTF-8)";

// Characters beyond ASCII are written as codes. Bytes of 8-bit text stand in the quotes
// as they are, in the code page they were saved in, as the older tools wrote them.
bool IsQuotable(char16_t c) { return c >= 32 && c != u'\'' && c <= 127; }
bool IsQuotable(char c) { return static_cast<unsigned char>(c) >= 32 && c != '\''; }

template <typename T>
void AppendNumber(std::string& out, T v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// The shortest form, as the tools write it: "0c", "12.5c", "-0.0001c".
void AppendCurrency(std::string& out, std::int64_t v) {
  std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  if (v < 0) out += '-';
  AppendNumber(out, mag / 10000);
  std::uint64_t frac = mag % 10000;
  if (frac != 0) {
    out += '.';
    for (std::uint64_t d = 1000; frac != 0; d /= 10) {
      out += static_cast<char>('0' + frac / d);
      frac %= d;
    }
  }
  out += 'c';
}

void AppendContinuation(std::string& out, std::size_t indent) {
  out += kCrLf;
  out.append(indent, ' ');
}

// Quoted runs and "#" codes, in pieces of at most 64 units (characters, or bytes of
// 8-bit text).
template <typename Unit>
void AppendPieces(std::string& out, std::basic_string_view<Unit> s, std::size_t continuationIndent,
                  bool leadingBreak) {
  const std::size_t n = s.size();
  if (n == 0) {
    out += "''";
    return;
  }
  if (n > kPieceLength && leadingBreak) AppendContinuation(out, continuationIndent);
  std::size_t lineStart = 0;
  std::size_t i = 0;
  while (i < n) {
    if (IsQuotable(s[i])) {
      out += '\'';
      while (i < n && IsQuotable(s[i]) && i - lineStart < kPieceLength) {
        out += static_cast<char>(s[i]);
        ++i;
      }
      out += '\'';
    } else {
      out += '#';
      AppendNumber(out, static_cast<unsigned>(static_cast<std::make_unsigned_t<Unit>>(s[i])));
      ++i;
    }
    if (i - lineStart >= kPieceLength && i < n) {
      out += " +";
      AppendContinuation(out, continuationIndent);
      lineStart = i;
    }
  }
}

class TBinaryToText {
 public:
  TBinaryToText(const std::uint8_t* data, std::size_t size, std::vector<std::size_t>* lineOffsets)
      : r_(data, size), lineOffsets_(lineOffsets) {
    // Text takes about twice the bytes (hexadecimal data exactly twice): growing the
    // buffer step by step would copy it several times over.
    out_.reserve(size * 2 + 64);
  }

  std::string Run() {
    r_.ReadSignature();
    marks_.emplace_back(0, r_.Position());
    ConvertObject(0);
    // UTF-8 text has no place for bytes of a code page, nor 8-bit text for UTF-8 names.
    if (utf8_ && codePageString_ != kNone) {
      r_.ErrorAt(codePageString_, "8-bit text beyond ASCII in a form with non-ASCII names");
    }
    if (lineOffsets_) MapLines();
    if (utf8_) out_.insert(0, kUtf8Bom);
    return std::move(out_);
  }

 private:
  void Enter() {
    if (++depth_ > kMaxFormDepth) r_.Error("form nested too deeply");
  }
  void Leave() { --depth_; }
  void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }
  void NewLine() {
    out_ += kCrLf;
    if (lineOffsets_) marks_.emplace_back(out_.size(), r_.Position());
  }
  // Each line gets the data offset of the last mark at or before its start (continuation
  // lines of a string that of the string's first line).
  void MapLines() {
    lineOffsets_->clear();
    std::size_t mark = 0;
    for (std::size_t start = 0; start < out_.size();) {
      while (mark + 1 < marks_.size() && marks_[mark + 1].first <= start) ++mark;
      lineOffsets_->push_back(marks_[mark].second);
      std::size_t end = out_.find('\n', start);
      start = end == std::string::npos ? out_.size() : end + 1;
    }
  }
  // Non-ASCII letters in identifiers make the text UTF-8.
  void AppendIdentifier(std::string_view s) {
    if (!utf8_ && !IsAscii(s)) utf8_ = true;
    out_ += s;
  }
  void AppendString(std::u16string_view s, int level) {
    AppendFormString(out_, s, static_cast<std::size_t>(level + 1) * 2, true);
  }
  void AppendEightBitString(std::size_t offset, std::string_view s, int level) {
    if (codePageString_ == kNone && !IsAscii(s)) codePageString_ = offset;
    AppendFormBytes(out_, s, static_cast<std::size_t>(level + 1) * 2, true);
  }

  void ConvertObject(int level) {
    Enter();
    TObjectHeader h;
    r_.ReadObjectHeader(h);
    Indent(level);
    out_ += (h.flags & kFlagInline)      ? "inline "
            : (h.flags & kFlagInherited) ? "inherited "
                                         : "object ";
    if (!h.objectName.empty()) {
      AppendIdentifier(h.objectName);
      out_ += ": ";
    }
    AppendIdentifier(h.className);
    if (h.flags & kFlagChildPos) {
      out_ += " [";
      AppendNumber(out_, h.childPos);
      out_ += ']';
    }
    NewLine();
    ConvertProperties(level + 1);
    while (!r_.EndOfList()) ConvertObject(level + 1);
    r_.ReadListEnd();
    Indent(level);
    out_ += "end";
    NewLine();
    Leave();
  }

  void ConvertProperties(int level) {
    while (!r_.EndOfList()) {
      std::string_view name = r_.ReadPropertyName();
      Indent(level);
      AppendIdentifier(name);
      out_ += " = ";
      ConvertValue(level);
      NewLine();
    }
    r_.ReadListEnd();
  }

  // `level` is that of the line the value starts on.
  void ConvertValue(int level) {
    const std::size_t start = r_.Position();
    TValueType t = r_.ReadValueType();
    switch (t) {
      case TValueType::vaNull:
        r_.Error("value expected");
      case TValueType::vaList:
        ConvertList(level);
        break;
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32:
      case TValueType::vaInt64:
        AppendNumber(out_, r_.ReadIntegerBody(t));
        break;
      case TValueType::vaExtended:
        AppendFormFloat(out_, r_.ReadExtendedBody());
        break;
      case TValueType::vaSingle:
        AppendFormSingle(out_, r_.ReadSingleBody());
        out_ += 's';
        break;
      case TValueType::vaDate:
        AppendFormDate(out_, r_.ReadDateBody());
        out_ += 'd';
        break;
      case TValueType::vaCurrency:
        AppendCurrency(out_, r_.ReadCurrencyBody());
        break;
      case TValueType::vaString:
        AppendEightBitString(start, r_.ReadStringBody(t), level);
        break;
      case TValueType::vaLString: {
        std::string_view s = r_.ReadStringBody(t);
        AppendEightBitString(start, s, level);
        // Some writers store short text as a long string; an empty last piece says so,
        // so that the text converts back to the same bytes.
        if (s.size() <= 255) out_ += kLongStringMark;
        break;
      }
      case TValueType::vaUtf8String:
        AppendString(Utf8ToWide(r_.ReadStringBody(t)), level);
        break;
      case TValueType::vaWString:
        AppendString(r_.ReadWStringBody(), level);
        break;
      case TValueType::vaIdent:
        ConvertIdent(level);
        break;
      case TValueType::vaFalse:
        out_ += "False";
        break;
      case TValueType::vaTrue:
        out_ += "True";
        break;
      case TValueType::vaNil:
        out_ += "nil";
        break;
      case TValueType::vaSet:
        ConvertSet();
        break;
      case TValueType::vaCollection:
        ConvertCollection(level);
        break;
      case TValueType::vaBinary:
        ConvertBinary(level);
        break;
    }
  }

  void ConvertList(int level) {
    Enter();
    out_ += '(';
    while (!r_.EndOfList()) {
      NewLine();
      Indent(level + 1);
      ConvertValue(level + 1);
    }
    r_.ReadListEnd();
    out_ += ')';
    Leave();
  }

  void ConvertSet() {
    out_ += '[';
    bool first = true;
    for (;;) {
      std::string_view e = r_.ReadSetElement();
      if (e.empty()) break;
      if (!first) out_ += ", ";
      AppendIdentifier(e);
      first = false;
    }
    out_ += ']';
  }

  void ConvertCollection(int level) {
    Enter();
    out_ += '<';
    while (r_.ReadCollectionItemStart()) {
      NewLine();
      Indent(level + 1);
      out_ += "item";
      NewLine();
      ConvertProperties(level + 2);
      Indent(level + 1);
      out_ += "end";
    }
    out_ += '>';
    Leave();
  }

  // An identifier value that is no identifier (some writers stored garbage there) keeps
  // its bytes behind "@", in the layout of binary data.
  void ConvertIdent(int level) {
    std::string_view s = r_.ReadRawIdentBody();
    if (IsDottedIdentifier(s)) {
      AppendIdentifier(s);
    } else {
      out_ += '@';
      AppendHex(s, level);
    }
  }

  void ConvertBinary(int level) { AppendHex(r_.ReadBinaryBody(), level); }

  void AppendHex(std::string_view bytes, int level) {
    static const char kHex[] = "0123456789ABCDEF";
    const bool split = bytes.size() > kBinaryBytesPerLine;
    out_ += '{';
    for (std::size_t i = 0; i < bytes.size(); i += kBinaryBytesPerLine) {
      if (split) {
        NewLine();
        Indent(level + 1);
      }
      // A line's digits in one go: binary data is most of a large form.
      std::string_view line = bytes.substr(i, kBinaryBytesPerLine);
      std::size_t at = out_.size();
      out_.resize(at + line.size() * 2);
      char* p = &out_[at];
      for (char c : line) {
        auto b = static_cast<unsigned char>(c);
        *p++ = kHex[b >> 4];
        *p++ = kHex[b & 15];
      }
    }
    out_ += '}';
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  TBinaryFormReader r_;
  std::vector<std::size_t>* lineOffsets_;
  std::vector<std::pair<std::size_t, std::size_t>> marks_;  // text position, data offset
  std::string out_;
  bool utf8_ = false;
  std::size_t codePageString_ = kNone;  // where the first 8-bit string beyond ASCII starts
  int depth_ = 0;
};

class TTextToBinary {
 public:
  explicit TTextToBinary(std::string_view text) : p_(text), w_(out_) {
    out_.reserve(text.size() / 2);
  }

  std::vector<std::uint8_t> Run(std::string_view text) {
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
      p_.Error("UTF-16 text is not read (save the form as UTF-8 or 8-bit text)");
    }
    w_.WriteSignature();
    ConvertObject();
    if (p_.Kind() != TTokenKind::EndOfText) p_.Error("End of text expected");
    return std::move(out_);
  }

 private:
  void Enter() {
    if (++depth_ > kMaxFormDepth) p_.Error("Form nested too deeply");
  }
  void Leave() { --depth_; }

  bool AtObjectKeyword() const {
    return p_.IsIdent("object") || p_.IsIdent("inherited") || p_.IsIdent("inline");
  }

  std::string_view TakeName(bool dotted) {
    p_.CheckKind(TTokenKind::Identifier);
    std::string_view name = p_.TokenText();
    if (!dotted && name.find('.') != std::string_view::npos) p_.Error("Invalid name");
    if (name.size() > 255) p_.Error("Identifier too long");
    p_.NextToken();
    return name;
  }

  void ConvertObject() {
    Enter();
    TObjectHeader h;
    if (p_.IsIdent("inherited")) {
      h.flags = kFlagInherited;
    } else if (p_.IsIdent("inline")) {
      h.flags = kFlagInline;
    } else if (!p_.IsIdent("object")) {
      p_.Error("'object', 'inherited' or 'inline' expected");
    }
    p_.NextToken();
    std::string_view first = TakeName(false);
    if (p_.IsSymbol(':')) {
      p_.NextToken();
      h.objectName = first;
      h.className = TakeName(false);
    } else {
      h.className = first;
    }
    if (p_.IsSymbol('[')) {
      p_.NextToken();
      p_.CheckKind(TTokenKind::Integer);
      if (p_.TokenInt() < INT32_MIN || p_.TokenInt() > INT32_MAX) p_.Error("Number out of range");
      h.childPos = static_cast<std::int32_t>(p_.TokenInt());
      h.flags |= kFlagChildPos;
      p_.NextToken();
      p_.CheckSymbol(']');
      p_.NextToken();
    }
    w_.WriteObjectHeader(h);
    ConvertProperties();
    while (AtObjectKeyword()) ConvertObject();
    w_.WriteListEnd();
    ExpectEnd();
    Leave();
  }

  void ExpectEnd() {
    if (!p_.IsIdent("end")) p_.Error("'end' expected");
    p_.NextToken();
  }

  // A property is an identifier followed by "="; anything else ends the properties.
  void ConvertProperties() {
    while (p_.Kind() == TTokenKind::Identifier && p_.PeekChar() == '=') {
      w_.WritePropertyName(TakeName(true));
      p_.CheckSymbol('=');
      p_.NextToken();
      ConvertValue(false);
    }
    w_.WriteListEnd();
  }

  void ConvertValue(bool listItem) {
    switch (p_.Kind()) {
      case TTokenKind::Integer:
        w_.WriteInteger(p_.TokenInt());
        p_.NextToken();
        return;
      case TTokenKind::Float:
        if (p_.FloatSuffix() == 'c') {
          w_.WriteCurrency(p_.TokenCurrency());
        } else if (p_.FloatSuffix() == 'd') {
          w_.WriteDate(p_.TokenFloat());
        } else if (p_.FloatSuffix() == 's') {
          w_.WriteSingle(p_.TokenSingle());
        } else {
          w_.WriteExtended(p_.TokenExtended());
        }
        p_.NextToken();
        return;
      case TTokenKind::String:
        ConvertString(listItem);
        return;
      case TTokenKind::Identifier:
        ConvertIdent();
        return;
      case TTokenKind::Symbol:
        break;
      case TTokenKind::EndOfText:
        p_.Error("Property value expected");
    }
    switch (p_.Symbol()) {
      case '[':
        ConvertSet();
        return;
      case '(':
        ConvertList();
        return;
      case '<':
        ConvertCollection();
        return;
      case '{': {
        std::vector<std::uint8_t> bytes;
        p_.ReadHexBinary(bytes);
        w_.WriteBinary(bytes.data(), bytes.size());
        return;
      }
      case '@':
        ConvertIdentBytes();
        return;
      default:
        p_.Error("Invalid property value");
    }
  }

  // 8-bit text stays 8-bit, byte for byte; characters beyond ASCII take the kind that
  // holds them (TBinaryFormWriter::WriteString).
  void ConvertString(bool listItem) {
    // Most strings are one piece: written from the token, without a copy.
    if (p_.PeekChar() != '+') {
      const TFormString& s = p_.TokenString();
      if (s.IsMixed()) p_.Error(kMixedString);
      WriteString(s, false, listItem);
      p_.NextToken();
      return;
    }
    TFormString s = p_.TokenString();
    bool emptyLastPiece = false;
    for (;;) {
      if (s.IsMixed()) p_.Error(kMixedString);
      p_.NextToken();
      if (!p_.IsSymbol('+')) break;
      p_.NextToken();
      p_.CheckKind(TTokenKind::String);
      s.Append(p_.TokenString());
      emptyLastPiece = p_.TokenText() == "''";
    }
    WriteString(s, emptyLastPiece, listItem);
  }

  void WriteString(const TFormString& s, bool emptyLastPiece, bool listItem) {
    if (!s.IsEightBit()) {
      w_.WriteString(s.chars, listItem);
    } else if (emptyLastPiece && s.bytes.size() <= 255) {
      w_.WriteLString(s.bytes);
    } else {
      w_.WriteAnsiString(s.bytes);
    }
  }

  // "@{...}": the bytes of an identifier value that is no identifier.
  void ConvertIdentBytes() {
    const int line = p_.SourceLine();
    p_.NextToken();
    std::vector<std::uint8_t> data;
    p_.ReadHexBinary(data);
    std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    if (bytes.size() > 255) p_.ErrorOnLine(line, "Identifier too long");
    // One spelling per value: an identifier stands as itself.
    if (IsDottedIdentifier(bytes)) {
      p_.ErrorOnLine(line, "Identifier written in @{} (write it as it is)");
    }
    w_.WriteIdent(bytes);
  }

  void ConvertIdent() {
    if (p_.IsIdent("True")) {
      w_.WriteBoolean(true);
    } else if (p_.IsIdent("False")) {
      w_.WriteBoolean(false);
    } else if (p_.IsIdent("nil")) {
      w_.WriteNil();
    } else {
      if (p_.TokenText().size() > 255) p_.Error("Identifier too long");
      w_.WriteIdent(p_.TokenText());
    }
    p_.NextToken();
  }

  void ConvertSet() {
    w_.WriteValueType(TValueType::vaSet);
    p_.NextToken();
    if (!p_.IsSymbol(']')) {
      for (;;) {
        w_.WriteSetElement(TakeName(false));
        if (!p_.IsSymbol(',')) break;
        p_.NextToken();
      }
    }
    p_.CheckSymbol(']');
    p_.NextToken();
    w_.WriteListEnd();
  }

  void ConvertList() {
    Enter();
    w_.WriteListBegin();
    p_.NextToken();
    while (!p_.IsSymbol(')')) {
      if (p_.Kind() == TTokenKind::EndOfText) p_.CheckSymbol(')');
      ConvertValue(true);
    }
    p_.NextToken();
    w_.WriteListEnd();
    Leave();
  }

  void ConvertCollection() {
    Enter();
    w_.WriteValueType(TValueType::vaCollection);
    p_.NextToken();
    while (!p_.IsSymbol('>')) {
      if (!p_.IsIdent("item")) p_.Error("'item' expected");
      p_.NextToken();
      w_.WriteListBegin();
      ConvertProperties();
      ExpectEnd();
    }
    p_.NextToken();
    w_.WriteListEnd();
    Leave();
  }

  TParser p_;
  std::vector<std::uint8_t> out_;
  TBinaryFormWriter w_;
  int depth_ = 0;
};

}  // namespace

void AppendFormString(std::string& out, std::u16string_view s, std::size_t continuationIndent,
                      bool leadingBreak) {
  AppendPieces(out, s, continuationIndent, leadingBreak);
}

void AppendFormBytes(std::string& out, std::string_view s, std::size_t continuationIndent,
                     bool leadingBreak) {
  AppendPieces(out, s, continuationIndent, leadingBreak);
}

std::string FormBinaryToText(const std::uint8_t* data, std::size_t size,
                             std::vector<std::size_t>* lineOffsets) {
  return TBinaryToText(data, size, lineOffsets).Run();
}

std::string FormBinaryToText(const std::vector<std::uint8_t>& bytes) {
  return FormBinaryToText(bytes.data(), bytes.size());
}

std::vector<std::uint8_t> FormTextToBinary(std::string_view text) {
  return TTextToBinary(text).Run(text);
}

void ObjectBinaryToText(TStream& input, TStream& output) {
  std::vector<std::uint8_t> bytes = input.ReadAll();
  std::string text = FormBinaryToText(bytes);
  output.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void ObjectTextToBinary(TStream& input, TStream& output) {
  std::vector<std::uint8_t> bytes = input.ReadAll();
  std::vector<std::uint8_t> binary =
      FormTextToBinary(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  output.WriteBuffer(binary.data(), static_cast<std::int64_t>(binary.size()));
}
