#include "FormFiles/FormCompare.h"

#include <algorithm>
#include <cstring>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormParser.h"
#include "Rtl/CodePage.h"
#include "Rtl/WideText.h"

namespace {

// One step of a form in reading order: what it holds and the kind it is stored in.
struct TFormItem {
  std::size_t offset = 0;
  std::uint8_t kind = 0;
  std::string key;
  TStringContent content;  // of a string value
  bool isString = false;
};

bool SameItem(const TFormItem& a, const TFormItem& b) {
  return a.key == b.key && a.isString == b.isString && a.content == b.content;
}

template <typename T>
std::string RawBytes(const T& v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

class TFlattener {
 public:
  TFlattener(const std::uint8_t* data, std::size_t size) : r_(data, size) {}

  std::vector<TFormItem> Run() {
    r_.ReadSignature();
    Object();
    return std::move(items_);
  }

 private:
  void Enter() {
    if (++depth_ > kMaxFormDepth) r_.Error("form nested too deeply");
  }
  void Leave() { --depth_; }

  TFormItem& Add(std::size_t offset, std::uint8_t kind, std::string key) {
    TFormItem& item = items_.emplace_back();
    item.offset = offset;
    item.kind = kind;
    item.key = std::move(key);
    return item;
  }

  void Object() {
    Enter();
    const std::size_t at = r_.Position();
    TObjectHeader h;
    r_.ReadObjectHeader(h);
    // A flags byte without flags is a kind of its own.
    const std::uint8_t kind = h.flagsByte ? kFlagsMarker : 0;
    std::string key = "O";
    key += static_cast<char>(h.flags);
    key += std::to_string(h.flags & kFlagChildPos ? h.childPos : 0);
    key += ':';
    key += h.className;
    key += ':';
    key += h.objectName;
    Add(at, kind, std::move(key));
    Properties();
    while (!r_.EndOfList()) Object();
    Add(r_.Position(), 0, "end");
    r_.ReadListEnd();
    Leave();
  }

  void Properties() {
    while (!r_.EndOfList()) {
      const std::size_t at = r_.Position();
      Add(at, 0, std::string("P").append(r_.ReadPropertyName()));
      Value();
    }
    r_.ReadListEnd();
  }

  void String(std::size_t at, std::uint8_t kind, TStringContent content) {
    TFormItem& item = Add(at, kind, "S");
    item.isString = true;
    item.content = std::move(content);
  }

  void Value() {
    const std::size_t at = r_.Position();
    const TValueType t = r_.ReadValueType();
    const auto kind = static_cast<std::uint8_t>(t);
    switch (t) {
      case TValueType::vaNull:
        r_.Error("value expected");
      case TValueType::vaList:
        Enter();
        Add(at, kind, "(");
        while (!r_.EndOfList()) Value();
        Add(r_.Position(), 0, ")");
        r_.ReadListEnd();
        Leave();
        break;
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32:
      case TValueType::vaInt64:
        Add(at, kind, "N" + std::to_string(r_.ReadIntegerBody(t)));
        break;
      case TValueType::vaExtended: {
        std::uint8_t bytes[TExtended::kSize];
        r_.ReadExtendedBody().Store(bytes);
        Add(at, kind, "X" + std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
        break;
      }
      case TValueType::vaSingle:
        Add(at, kind, "F" + RawBytes(r_.ReadSingleBody()));
        break;
      case TValueType::vaCurrency:
        Add(at, kind, "C" + std::to_string(r_.ReadCurrencyBody()));
        break;
      case TValueType::vaDate:
        Add(at, kind, "D" + RawBytes(r_.ReadDateBody()));
        break;
      case TValueType::vaString:
      case TValueType::vaLString:
        String(at, kind, EightBitContent(r_.ReadStringBody(t)));
        break;
      case TValueType::vaUtf8String:
        String(at, kind, CharContent(Utf8ToWide(r_.ReadStringBody(t))));
        break;
      case TValueType::vaWString:
        String(at, kind, CharContent(r_.ReadWStringBody()));
        break;
      case TValueType::vaIdent:
      case TValueType::vaFalse:
      case TValueType::vaTrue:
      case TValueType::vaNil:
        Add(at, kind, "I" + Ident(t));
        break;
      case TValueType::vaSet: {
        std::string key = "[";
        for (std::string_view e = r_.ReadSetElement(); !e.empty(); e = r_.ReadSetElement()) {
          key += e;
          key += ',';
        }
        Add(at, kind, std::move(key));
        break;
      }
      case TValueType::vaCollection:
        Enter();
        Add(at, kind, "<");
        while (r_.ReadCollectionItemStart()) {
          Add(r_.Position(), 0, "item");
          Properties();
        }
        Add(r_.Position(), 0, ">");
        Leave();
        break;
      case TValueType::vaBinary:
        Add(at, kind, "B" + std::string(r_.ReadBinaryBody()));
        break;
    }
  }

  // Text reads the identifiers True, False and nil (in any case) as those values.
  std::string Ident(TValueType t) {
    if (t == TValueType::vaTrue) return "True";
    if (t == TValueType::vaFalse) return "False";
    if (t == TValueType::vaNil) return "nil";
    std::string_view s = r_.ReadRawIdentBody();
    for (const char* word : {"True", "False", "nil"}) {
      if (SameText(s, word)) return word;
    }
    return std::string(s);
  }

  TBinaryFormReader r_;
  std::vector<TFormItem> items_;
  int depth_ = 0;
};

}  // namespace

TStringContent EightBitContent(std::string_view bytes) {
  if (IsAscii(bytes)) return CharContent(std::u16string(bytes.begin(), bytes.end()));
  TStringContent c;
  c.codePageBytes = true;
  c.bytes = bytes;
  return c;
}

TStringContent CharContent(std::u16string_view chars) {
  TStringContent c;
  c.chars = chars;
  return c;
}

std::vector<TFormStringAt> FormTextStrings(std::string_view text) {
  std::vector<TFormStringAt> out;
  TParser p(text);
  while (p.Kind() != TTokenKind::EndOfText) {
    if (p.IsSymbol('{')) {
      std::vector<std::uint8_t> data;
      p.ReadHexBinary(data);
      continue;
    }
    if (p.Kind() != TTokenKind::String) {
      p.NextToken();
      continue;
    }
    const int line = p.SourceLine();
    TFormString s = p.TokenString();
    p.NextToken();
    while (p.IsSymbol('+')) {
      p.NextToken();
      p.CheckKind(TTokenKind::String);
      s.Append(p.TokenString());
      p.NextToken();
    }
    TFormStringAt& at = out.emplace_back();
    at.content = s.IsEightBit() ? EightBitContent(s.bytes) : CharContent(s.chars);
    at.where = static_cast<std::size_t>(line);
  }
  return out;
}

std::vector<TFormStringAt> FormBinaryStrings(const std::uint8_t* data, std::size_t size) {
  std::vector<TFormStringAt> out;
  for (TFormItem& item : TFlattener(data, size).Run()) {
    if (item.isString) out.push_back({std::move(item.content), item.offset});
  }
  return out;
}

std::size_t FirstStringChange(const std::vector<TFormStringAt>& a,
                              const std::vector<TFormStringAt>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!(a[i].content == b[i].content)) return i;
  }
  return a.size() == b.size() ? std::string::npos : n;
}

TFormComparison CompareBinaryForms(const std::uint8_t* a, std::size_t aSize, const std::uint8_t* b,
                                   std::size_t bSize) {
  const std::vector<TFormItem> x = TFlattener(a, aSize).Run();
  const std::vector<TFormItem> y = TFlattener(b, bSize).Run();
  TFormComparison result;
  const std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!SameItem(x[i], y[i])) {
      result.sameContent = false;
      result.contentOffset = x[i].offset;
      return result;
    }
    if (x[i].kind != y[i].kind && result.kindChanges++ == 0) result.kindOffset = x[i].offset;
  }
  if (x.size() != y.size()) {
    result.sameContent = false;
    result.contentOffset = n < x.size() ? x[n].offset : aSize;
  }
  return result;
}
