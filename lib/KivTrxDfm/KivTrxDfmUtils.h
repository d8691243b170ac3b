// KivTrxDfmUtils: the DFM text model. A form resource is converted to form text and
// parsed into a tree of objects and properties whose values are kept as the exact text
// that followed "=", so that rendering an unchanged tree gives the text back character
// for character. The translation table reads and replaces values through the property
// converters registered here.
//
// Parse errors raise EKivInternalError "Dfm parse error: ...", the base Exception for
// collections, EStringListError for text that ends inside a property's continuation
// lines, and EParserError for malformed form lists. A failed parse or load removes the
// properties it had added from the flat property list again, so the list never points
// into a discarded tree.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Rtl/KivStringList.h"

#ifdef _WIN32
#include "Rtl/Win.h"
#endif

class TDfmForm;
class TDfmObject;
class TDfmProperty;

// Every property parsed, in text order, possibly across several forms. Does not own
// its elements.
using TDfmPropertyList = std::vector<TDfmProperty*>;
// Lines of form text; views into text that outlives the parse.
using TDfmLines = std::vector<std::string_view>;

class TDfmObject {
 public:
  TDfmObject();
  virtual ~TDfmObject();
  TDfmObject(const TDfmObject&) = delete;
  TDfmObject& operator=(const TDfmObject&) = delete;

  TDfmForm* Form = nullptr;
  TDfmObject* PathParent = nullptr;  // the root refers to itself
  int Level = 0;
  std::string Path;
  std::string Keyword;      // object, inherited, inline; empty for a collection item
  std::string ObjectName;   // empty when unnamed; "item" for a collection item
  std::string ObjectClass;  // as written, e.g. "TButton [2]"; empty for an item
  std::vector<std::unique_ptr<TDfmProperty>> Properties;
  std::vector<std::unique_ptr<TDfmObject>> Children;

  // Parses one object starting at lines[index]; on return index stands behind its end
  // line. `itemDesignation` is given for a collection item ("Columns[2]").
  void ReadObject(TDfmForm* form, TDfmObject* pathParent, const std::string* itemDesignation,
                  TDfmPropertyList* flatList, const TDfmLines& lines, int& index, int level);

  // Renders the node and everything below it; collection values are rebuilt from
  // their items first.
  std::string AsText();
  void AppendText(std::string& out);

 private:
  void ReadHeader(const std::string* itemDesignation, const TDfmLines& lines, int& index);
  void ReadProperties(TDfmPropertyList* flatList, const TDfmLines& lines, int& index);
  void ReadChildren(TDfmPropertyList* flatList, const TDfmLines& lines, int& index);
  void ReadEnd(const TDfmLines& lines, int& index);
  void ReadFormLists(const TDfmProperty& property);
};

class TDfmProperty {
 public:
  TDfmObject* Owner = nullptr;
  // The items of a collection value; absent for other values (and for "<>").
  std::optional<std::vector<std::unique_ptr<TDfmObject>>> Items;
  std::string Path;
  std::string Name;   // as written, possibly dotted ("Font.Name")
  std::string Value;  // the text after "=", continuation lines included
};

class TDfmForm : public TDfmObject {
 public:
  TDfmForm();
  ~TDfmForm() override;

  // Full paths (form name first) listed in the root's "KivTranslatableProps.WideStrings".
  std::unique_ptr<TKivStringList> TranslatableProps;
  // Class names listed in the root's "KivInlineClasses.WideStrings".
  std::unique_ptr<TKivStringList> InlineClasses;
  // True for text that starts with a UTF-8 byte-order mark: its names are UTF-8 (else
  // 8-bit text in the system code page), and it renders with the mark again.
  bool Utf8 = false;

  // A name of the form's text as a wide string.
  std::u16string NameToWide(std::string_view name) const;

  // Parses form text with this form as root and path parent, at level 0. Whatever the
  // form held before is discarded. A byte-order mark in front is not part of the first
  // line.
  void Parse(std::string_view text, TDfmPropertyList* flatList);
  // Parses form text and checks that it renders back unchanged; when it does not,
  // writes both texts to the diagnostic files and raises EKivInternalError
  // "Internal Error: DFM did not render correctly. ...".
  void LoadFromText(std::string_view text, TDfmPropertyList* flatList);
  // The same for binary form data, converted to text first (EReadError when malformed).
  void LoadFromBinary(const std::uint8_t* data, std::size_t size, TDfmPropertyList* flatList);
#ifdef _WIN32
  // The same for the RT_RCDATA resource `resName` of `module` (EResNotFound when absent).
  void LoadFromResource(HMODULE module, const std::u16string& resName, TDfmPropertyList* flatList);
#endif

 private:
  void Clear();
};

// Where a failed round trip leaves the original and the rendered text. Tests point
// them elsewhere.
extern const char16_t* DfmOriginalFileName;  // c:\Kiv_Original_Dfm.txt
extern const char16_t* DfmRenderedFileName;  // c:\Kiv_Rendered_Dfm.txt

void ReadCollection(TDfmProperty& property, TDfmPropertyList* flatList);
void RenderCollection(TDfmProperty& property);

// path + "." + name, or the path alone when the name is empty.
std::string JoinPath(std::string_view path, std::string_view name);
// (leading spaces + 1) div 2; only the space character counts.
int IndentLevel(std::string_view line);
// Splits at CR LF, CR or LF; a final line break does not start another line.
TDfmLines SplitDfmLines(std::string_view text);

// String values in form syntax. Reading raises EParserError (for instance
// "String expected on line 1" when a "+" is not followed by a string). Characters in
// quotes are UTF-8 with `utf8`, else 8-bit text in the system code page.
std::u16string DfmStringToWide(std::string_view value, bool utf8 = false);
std::string WideToDfmString(std::u16string_view s);
// Reads "(" strings ")" into the list (cleared first); any other value leaves it empty.
void ReadDfmWideStringList(std::string_view value, TKivStringList& list, bool utf8 = false);

// Value converters, by property name.
using TDfmDecoder = std::u16string (*)(std::string_view value);
using TDfmEncoder = std::string (*)(std::u16string_view text);
struct TPropertyConverter {
  TDfmDecoder Decode = nullptr;
  TDfmEncoder Encode = nullptr;
};

// Property name -> converter pair, looked up ignoring case.
class TPropertyConverterList {
 public:
  // Registering a name again replaces its converters.
  void Add(std::string_view name, TPropertyConverter converter);
  const TPropertyConverter* Find(std::string_view name) const;
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  struct Entry {
    std::string name;
    TPropertyConverter converter;
  };
  std::vector<Entry> items_;  // sorted by name, ignoring case
};

// Exists between InitializeKivTrxDfmUtils and FinalizeKivTrxDfmUtils.
extern TPropertyConverterList* PropertyConverters;

// Raises EKivInternalError when the unit is not initialised.
void RegisterPropertyConverter(std::string_view name, TPropertyConverter converter);
// Null when the name has no converter (or the unit is not initialised).
const TPropertyConverter* FindPropertyConverter(std::string_view name);
// Raise EKivInternalError "Property can not be converted for : <Name>" without one.
// A value set to the text it decodes to stays as written (an 8-bit string keeps its
// bytes); another text is encoded anew, in codes that keep its characters.
std::u16string PropertyValueToWide(const TDfmProperty& property);
void WideToPropertyValue(TDfmProperty& property, std::u16string_view text);

// The shortcut pair: a decimal value 0..65535 <-> its display text. Both raise
// EConvertError for what they cannot read.
std::u16string DfmShortCutToText(std::string_view value);
std::string TextToDfmShortCut(std::u16string_view text);

// Registers the converters of Caption, Title.Caption, Hint (strings) and ShortCut.
void InitializeKivTrxDfmUtils();
void FinalizeKivTrxDfmUtils();
