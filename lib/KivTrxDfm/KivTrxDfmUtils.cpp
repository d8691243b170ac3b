#include "KivTrxDfm/KivTrxDfmUtils.h"

#include <algorithm>
#include <charconv>

#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FormFiles/ShortCut.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

const char16_t* DfmOriginalFileName = u"c:\\Kiv_Original_Dfm.txt";
const char16_t* DfmRenderedFileName = u"c:\\Kiv_Rendered_Dfm.txt";
TPropertyConverterList* PropertyConverters = nullptr;

namespace {

// Deeper text cannot come from a real form; the bound keeps hostile text from
// exhausting the stack of the recursive parse and render.
constexpr int kMaxDfmLevel = 512;

constexpr const char* kTranslatablePropsName = "KivTranslatableProps.WideStrings";
constexpr const char* kInlineClassesName = "KivInlineClasses.WideStrings";

// Trim without a copy: the parse and render loops run once per line.
std::string_view TrimView(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool IsEndLine(std::string_view line) { return SameText(TrimView(line), "end"); }

void AppendIndented(std::string& out, int level, std::string_view text) {
  out.append(static_cast<std::size_t>(level) * 2, ' ');
  out += TrimView(text);
}

char FirstNonBlank(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) > ' ') return c;
  }
  return '\0';
}

// A string expression: the first token's text, then "+" and a string, repeatedly. The
// pieces are joined before they are decoded, so that a double-byte character cut
// between two of them is read whole.
std::u16string ReadStringExpression(TParser& p) {
  std::u16string head;
  TFormString s;
  if (p.Kind() == TTokenKind::String) {
    s = p.TokenString();
  } else {
    head = p.TokenWideText();
  }
  p.NextToken();
  while (p.IsSymbol('+')) {
    p.NextToken();
    p.CheckKind(TTokenKind::String);
    s.Append(p.TokenString());
    p.NextToken();
  }
  return head + s.Wide();
}

std::u16string StringDecode(std::string_view value) { return DfmStringToWide(value); }
std::string StringEncode(std::u16string_view text) { return WideToDfmString(text); }

void WriteTextFile(const char16_t* fileName, std::string_view text) {
  std::string lines;
  lines.reserve(text.size() + 2);
  for (std::string_view line : SplitDfmLines(text)) {
    lines += line;
    lines += "\r\n";
  }
  TFileStream f(fileName, FileMode::Create);
  f.WriteBuffer(lines.data(), static_cast<std::int64_t>(lines.size()));
}

}  // namespace

// ---- paths and lines ----

std::string JoinPath(std::string_view path, std::string_view name) {
  std::string out(path);
  if (!name.empty()) {
    out += '.';
    out += name;
  }
  return out;
}

int IndentLevel(std::string_view line) {
  std::size_t n = 0;
  while (n < line.size() && line[n] == ' ') ++n;
  return static_cast<int>((n + 1) / 2);
}

TDfmLines SplitDfmLines(std::string_view text) {
  TDfmLines lines;
  lines.reserve(text.size() / 24 + 1);
  std::size_t start = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back(text.substr(start));
  return lines;
}

// ---- parsing ----

TDfmObject::TDfmObject() = default;
TDfmObject::~TDfmObject() = default;

void TDfmObject::ReadObject(TDfmForm* form, TDfmObject* pathParent,
                            const std::string* itemDesignation, TDfmPropertyList* flatList,
                            const TDfmLines& lines, int& index, int level) {
  if (level > kMaxDfmLevel) {
    throw EKivInternalError("Dfm parse error: Objects are nested too deeply.");
  }
  Form = form;
  PathParent = pathParent;
  Level = level;
  const std::size_t mark = flatList ? flatList->size() : 0;
  // A failed parse leaves the flat list as it found it.
  ScopeGuard unlist([&] {
    if (flatList) flatList->resize(mark);
  });
  ReadHeader(itemDesignation, lines, index);
  ReadProperties(flatList, lines, index);
  ReadChildren(flatList, lines, index);
  ReadEnd(lines, index);
  unlist.Dismiss();
}

void TDfmObject::ReadHeader(const std::string* itemDesignation, const TDfmLines& lines,
                            int& index) {
  if (index >= static_cast<int>(lines.size())) {
    throw EKivInternalError("Dfm parse error: No more strings to find objects.");
  }
  std::string line = Trim(lines[index]);
  ++index;
  if (itemDesignation) {
    if (!SameText(line, "item")) {
      throw Exception(Format("Collection Item (%s) must be = 'item': %s", *itemDesignation, line));
    }
    ObjectName = "item";
    Path = JoinPath(PathParent->Path, *itemDesignation);
    return;
  }
  std::size_t space = line.find(' ');
  Keyword = line.substr(0, space);
  std::string rest =
      space == std::string::npos ? std::string() : TrimLeft(std::string_view(line).substr(space));
  std::size_t colon = rest.find(':');
  if (colon == std::string::npos) {
    ObjectClass = rest;
  } else {
    ObjectName = TrimRight(std::string_view(rest).substr(0, colon));
    ObjectClass = TrimLeft(std::string_view(rest).substr(colon + 1));
  }
  Path = PathParent == this ? ObjectName : JoinPath(PathParent->Path, ObjectName);
}

void TDfmObject::ReadProperties(TDfmPropertyList* flatList, const TDfmLines& lines, int& index) {
  const int count = static_cast<int>(lines.size());
  for (;;) {
    if (index >= count) {
      throw EKivInternalError("Dfm parse error: No more strings to find properties.");
    }
    std::string_view line = lines[index];
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    auto property = std::make_unique<TDfmProperty>();
    property->Owner = this;
    property->Name = TrimView(line.substr(0, eq));
    property->Path = JoinPath(Path, property->Name);
    property->Value = TrimView(line.substr(eq + 1));
    ++index;
    for (;;) {
      if (index >= count) throw EStringListError(Format(RtlMessages::kListIndexError, index));
      if (IndentLevel(lines[index]) < Level + 2) break;
      property->Value += "\r\n";
      property->Value += lines[index];
      ++index;
    }
    TDfmProperty* p = property.get();
    Properties.push_back(std::move(property));
    if (flatList) flatList->push_back(p);
    if (Level == 0 && Form) ReadFormLists(*p);
    if (FirstNonBlank(p->Value) == '<') ReadCollection(*p, flatList);
  }
}

void TDfmObject::ReadFormLists(const TDfmProperty& property) {
  if (SameText(property.Name, kTranslatablePropsName)) {
    auto list = std::make_unique<TKivStringList>();
    ReadDfmWideStringList(property.Value, *list, Form->Utf8);
    std::u16string formName = Form->NameToWide(Form->ObjectName);
    for (int i = 0; i < list->Count(); ++i) {
      std::u16string entry = list->Get(i);
      list->Put(i, entry.empty() ? formName : formName + u"." + entry);
    }
    list->SetSorted(true);
    Form->TranslatableProps = std::move(list);
  } else if (SameText(property.Name, kInlineClassesName)) {
    auto list = std::make_unique<TKivStringList>();
    ReadDfmWideStringList(property.Value, *list, Form->Utf8);
    list->SetSorted(true);
    Form->InlineClasses = std::move(list);
  }
}

void TDfmObject::ReadChildren(TDfmPropertyList* flatList, const TDfmLines& lines, int& index) {
  for (;;) {
    if (index >= static_cast<int>(lines.size())) {
      throw EKivInternalError("Dfm parse error: No more strings to find objects.");
    }
    if (IsEndLine(lines[index])) return;
    // Components of an embedded frame are named relative to the frame.
    bool inlineOwner = Form && Form->InlineClasses &&
                       Form->InlineClasses->IndexOf(Form->NameToWide(ObjectClass)) >= 0;
    auto child = std::make_unique<TDfmObject>();
    child->ReadObject(Form, inlineOwner ? this : PathParent, nullptr, flatList, lines, index,
                      Level + 1);
    Children.push_back(std::move(child));
  }
}

void TDfmObject::ReadEnd(const TDfmLines& lines, int& index) {
  if (index >= static_cast<int>(lines.size())) {
    throw EKivInternalError(Format("Dfm parse error: Object %s has no ending.", ObjectName));
  }
  if (!IsEndLine(lines[index])) {
    throw EKivInternalError(
        Format("Dfm parse error: Object %s ended with \"%s\".", ObjectName, lines[index]));
  }
  ++index;
}

void ReadCollection(TDfmProperty& property, TDfmPropertyList* flatList) {
  const std::string& value = property.Value;
  if (value == "<>") return;
  TDfmLines lines = SplitDfmLines(value);
  if (lines.size() < 2) {
    throw Exception("Collection Property must have 2 lines (" + value + ").");
  }
  std::string first = Trim(lines.front());
  if (!SameText(first, "<")) throw Exception("Collection must start with \"<\": '" + first + "'");
  std::string last = Trim(lines.back());
  if (!SameText(last, "end>")) {
    throw Exception("Collection must end with \"end>\": '" + last + "'");
  }
  lines.erase(lines.begin());
  lines.back() = "end";

  TDfmObject* owner = property.Owner;
  property.Items.emplace();
  int index = 0;
  for (int i = 0; index < static_cast<int>(lines.size()); ++i) {
    auto item = std::make_unique<TDfmObject>();
    std::string designation = property.Name + "[" + IntToStr(i) + "]";
    item->ReadObject(owner->Form, owner, &designation, flatList, lines, index, owner->Level + 2);
    property.Items->push_back(std::move(item));
  }
}

// ---- rendering ----

std::string TDfmObject::AsText() {
  std::string out;
  if (Form == this && Form->Utf8) out = kUtf8Bom;
  AppendText(out);
  return out;
}

void TDfmObject::AppendText(std::string& out) {
  if (!Keyword.empty()) {
    AppendIndented(out, Level, Keyword);
    out += ' ';
    if (!ObjectName.empty()) {
      out += ObjectName;
      out += ": ";
    }
    out += ObjectClass;
  } else {
    AppendIndented(out, Level, ObjectName);
  }
  out += "\r\n";
  for (const auto& property : Properties) {
    if (property->Items) RenderCollection(*property);
    AppendIndented(out, Level + 1, property->Name);
    out += " = ";
    out += property->Value;
    out += "\r\n";
  }
  for (const auto& child : Children) child->AppendText(out);
  AppendIndented(out, Level, "end");
  out += "\r\n";
}

void RenderCollection(TDfmProperty& property) {
  std::string text = "<\r\n";
  for (const auto& item : *property.Items) item->AppendText(text);
  std::size_t end = text.size();
  while (end > 3 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  text.resize(end);
  text += '>';
  property.Value = std::move(text);
}

// ---- forms ----

TDfmForm::TDfmForm() = default;
TDfmForm::~TDfmForm() = default;

void TDfmForm::Clear() {
  Properties.clear();
  Children.clear();
  TranslatableProps.reset();
  InlineClasses.reset();
  Utf8 = false;
  Path.clear();
  Keyword.clear();
  ObjectName.clear();
  ObjectClass.clear();
}

std::u16string TDfmForm::NameToWide(std::string_view name) const {
  return Utf8 ? Utf8ToWide(name) : AnsiToWide(name);
}

void TDfmForm::Parse(std::string_view text, TDfmPropertyList* flatList) {
  Clear();
  if (HasUtf8Bom(text)) {
    Utf8 = true;
    text.remove_prefix(kUtf8Bom.size());
  }
  TDfmLines lines = SplitDfmLines(text);
  int index = 0;
  ReadObject(this, this, nullptr, flatList, lines, index, 0);
}

void TDfmForm::LoadFromBinary(const std::uint8_t* data, std::size_t size,
                              TDfmPropertyList* flatList) {
  LoadFromText(FormBinaryToText(data, size), flatList);
}

void TDfmForm::LoadFromText(std::string_view original, TDfmPropertyList* flatList) {
  const std::size_t mark = flatList ? flatList->size() : 0;
  Parse(original, flatList);
  std::string rendered = AsText();
  if (rendered == original) return;
  if (flatList) flatList->resize(mark);
  // The round-trip error is what matters; a diagnostic file that cannot be written
  // must not replace it.
  try {
    WriteTextFile(DfmOriginalFileName, original);
    WriteTextFile(DfmRenderedFileName, rendered);
  } catch (const Exception&) {
  }
  throw EKivInternalError(
      Format("Internal Error: DFM did not render correctly.  See the files: \r\n  %s\r\n  %s",
             std::u16string(DfmOriginalFileName), std::u16string(DfmRenderedFileName)));
}

// ---- string values ----

std::u16string DfmStringToWide(std::string_view value, bool utf8) {
  TParser p(value, utf8);
  return ReadStringExpression(p);
}

std::string WideToDfmString(std::u16string_view s) {
  std::string out;
  AppendFormString(out, s, 0, true);
  return out;
}

void ReadDfmWideStringList(std::string_view value, TKivStringList& list, bool utf8) {
  list.Clear();
  TParser p(value, utf8);
  if (!p.IsSymbol('(')) return;
  p.NextToken();
  while (!p.IsSymbol(')')) {
    if (p.Kind() == TTokenKind::EndOfText) p.CheckSymbol(')');
    list.Add(ReadStringExpression(p));
  }
}

// ---- converters ----

void TPropertyConverterList::Add(std::string_view name, TPropertyConverter converter) {
  auto it = std::lower_bound(items_.begin(), items_.end(), name,
                             [](const Entry& e, auto n) { return CompareText(e.name, n) < 0; });
  if (it != items_.end() && SameText(it->name, name)) {
    it->converter = converter;
  } else {
    items_.insert(it, Entry{std::string(name), converter});
  }
}

const TPropertyConverter* TPropertyConverterList::Find(std::string_view name) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), name,
                             [](const Entry& e, auto n) { return CompareText(e.name, n) < 0; });
  return it != items_.end() && SameText(it->name, name) ? &it->converter : nullptr;
}

void RegisterPropertyConverter(std::string_view name, TPropertyConverter converter) {
  if (!PropertyConverters) {
    throw EKivInternalError("Internal Error: KivTrxDfmUtils is not initialized.");
  }
  PropertyConverters->Add(name, converter);
}

const TPropertyConverter* FindPropertyConverter(std::string_view name) {
  return PropertyConverters ? PropertyConverters->Find(name) : nullptr;
}

namespace {
const TPropertyConverter& ConverterFor(const TDfmProperty& property) {
  const TPropertyConverter* c = FindPropertyConverter(property.Name);
  if (!c) throw EKivInternalError("Property can not be converted for : " + property.Name);
  return *c;
}
}  // namespace

std::u16string PropertyValueToWide(const TDfmProperty& property) {
  return ConverterFor(property).Decode(property.Value);
}

void WideToPropertyValue(TDfmProperty& property, std::u16string_view text) {
  const TPropertyConverter& converter = ConverterFor(property);
  // A value given its own text back keeps its spelling, so an 8-bit string keeps its
  // bytes (and its kind) whatever code page decoded it.
  try {
    if (converter.Decode(property.Value) == text) return;
  } catch (const Exception&) {
  }
  property.Value = converter.Encode(text);
}

std::u16string DfmShortCutToText(std::string_view value) {
  std::string t = Trim(value);
  int v = -1;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || v < 0 || v > 0xFFFF) {
    throw EConvertError(Format("Invalid shortcut value: %s", t));
  }
  return ShortCutToText(static_cast<TShortCut>(v));
}

std::string TextToDfmShortCut(std::u16string_view text) { return IntToStr(TextToShortCut(text)); }

void InitializeKivTrxDfmUtils() {
  if (PropertyConverters) return;
  PropertyConverters = new TPropertyConverterList;
  const TPropertyConverter strings{StringDecode, StringEncode};
  RegisterPropertyConverter("Caption", strings);
  RegisterPropertyConverter("Title.Caption", strings);
  RegisterPropertyConverter("Hint", strings);
  RegisterPropertyConverter("ShortCut", {DfmShortCutToText, TextToDfmShortCut});
}

void FinalizeKivTrxDfmUtils() {
  delete PropertyConverters;
  PropertyConverters = nullptr;
}
