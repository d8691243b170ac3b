#include "KivTrx/KivTrxTable.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {

constexpr int kTextSize = std::numeric_limits<std::int32_t>::max();

constexpr const char* kInsertRefused = "Records can not be added to this table.";
constexpr const char* kGetStringTableId = "Can not get StringTableID if not a string resource.";
constexpr const char* kSetStringTableId = "Can not set StringTableID if not a string resource.";
constexpr const char* kGetPropOfString = "Can not get PDfmProp for a string resource.";
constexpr const char* kSetPropOfString = "Can not set PDfmProp for a string resource.";
constexpr const char* kGetPropUndefined = "Can not get PDfmProp for an undefined type.";
constexpr const char* kSetPropUndefined = "Can not set PDfmProp for an undefined type.";
constexpr const char* kPropNotInTable = "Internal Error: the property is not one of the table's.";
// A comment is kept as one line of KIV_TRX_XRC: a line break would cut it.
constexpr const char* kMultiLineComment = "A comment can not span several lines.";
constexpr const char* kSaveApplication =
    "You can not save changes directly to the application exe (%s).";

std::u16string FormName(const TDfmForm& form, std::string_view name) {
  return form.NameToWide(name);
}

char16_t AsciiUpperId(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// What WideUpperCase gives, without a call into the system for the plain ASCII ids
// nearly all rows have: a load folds each id more than once.
std::u16string UpperCaseId(std::u16string_view id) {
  std::u16string upper(id);
  for (char16_t& c : upper) {
    if (c >= 0x80) return WideUpperCase(id);
    c = AsciiUpperId(c);
  }
  return upper;
}

// Ids compared as UpperCaseId compares them, without a copy of each: ASCII letters fold
// here, and a name with other characters is kept upper-cased already.
struct TFoldedHash {
  std::size_t operator()(std::u16string_view s) const noexcept {
    std::uint64_t h = 14695981039346656037ull;
    for (char16_t c : s) h = (h ^ AsciiUpperId(c)) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};
struct TFoldedEqual {
  bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (AsciiUpperId(a[i]) != AsciiUpperId(b[i])) return false;
    }
    return true;
  }
};

// The text of lines, each ended by a line break; no lines is the single line ".".
std::u16string LinesText(std::u16string lines) { return lines.empty() ? u"." : lines; }

}  // namespace

bool TakesFormatArguments(std::u16string_view text) {
  try {
    return !ParseFormatSpecs(text).empty();
  } catch (const EConvertError&) {
    return false;  // a text with a stray "%" is no format
  }
}

bool FormatFits(std::u16string_view reference, std::u16string_view translation) {
  if (!TakesFormatArguments(reference)) return true;
  try {
    CheckFormatCompatible(reference, translation);
    return true;
  } catch (const EFormatSpecifierError&) {
    return false;
  } catch (const EConvertError&) {
    return false;
  }
}

// The "name=value" lines of a sorted list by name, ignoring case, each name's values in
// the list's order. A row takes its entry by id, and a later row with the same id the
// next one, without a scan of the whole list: a module of twenty thousand translated
// rows would otherwise take minutes to load. It holds views into the text, which must
// outlive it: a copy of every line would cost a load more than the lookups.
class TKivTransTable::TNamedValues {
 public:
  explicit TNamedValues(std::u16string_view text) {
    std::vector<std::u16string_view> lines = SplitLineViews(text);
    byName_.reserve(lines.size());
    for (std::u16string_view line : lines) {
      std::size_t eq = line.find(u'=');
      if (eq == std::u16string_view::npos) continue;  // a line without a name
      std::u16string_view name = line.substr(0, eq);
      if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c >= 0x80; })) {
        name = upperNames_.emplace_back(WideUpperCase(name));
      }
      byName_[name].lines.push_back(line);
    }
    // The values of one name in the order of the sorted list; only repeated names need
    // sorting, so the whole list is not.
    for (auto& [name, entry] : byName_) {
      std::vector<std::u16string_view>& values = entry.lines;
      if (values.size() > 1) {
        std::stable_sort(
            values.begin(), values.end(),
            [](std::u16string_view a, std::u16string_view b) { return WideCompareText(a, b) < 0; });
      }
      for (std::u16string_view& line : values) line.remove_prefix(line.find(u'=') + 1);
    }
  }

  // The first value left for the name (in upper case), which is used up.
  std::optional<std::u16string> Take(const std::u16string& upperName) {
    auto found = byName_.find(upperName);
    if (found == byName_.end() || found->second.next == found->second.lines.size()) {
      return std::nullopt;
    }
    return std::u16string(found->second.lines[found->second.next++]);
  }

 private:
  struct TEntry {
    std::vector<std::u16string_view> lines;  // the values, once sorted
    std::size_t next = 0;
  };
  std::deque<std::u16string> upperNames_;
  std::unordered_map<std::u16string_view, TEntry, TFoldedHash, TFoldedEqual> byName_;
};

TKivTransTable::TKivTransTable() { DefineFields(); }

TKivTransTable::~TKivTransTable() { CloseForDestroy(); }

void TKivTransTable::DefineFields() {
  TFieldDefs& defs = FieldDefs();
  defs.Add("TranID", ftWideString, kTextSize, true);
  defs.Add("DictTranID", ftWideString, kTextSize, true);
  defs.Add("TranType", ftWideString, kTextSize, true);
  defs.Add("StringTableIDOrPDfmProp", ftInteger, 0, true);
  defs.Add("RefValue", ftWideString, kTextSize, false);
  defs.Add("TranValue", ftWideString, kTextSize, false);
  defs.Add("Comment", ftWideString, kTextSize, false);
  defs.Add("Translated", ftBoolean, 0, true);
  CreateFields();
  FieldsCreated();
}

void TKivTransTable::FieldsCreated() {
  tranId_ = &FieldByName("TranID");
  dictTranId_ = &FieldByName("DictTranID");
  tranType_ = &FieldByName("TranType");
  stringTableIdOrProp_ = &FieldByName("StringTableIDOrPDfmProp");
  refValue_ = &FieldByName("RefValue");
  tranValue_ = &FieldByName("TranValue");
  comment_ = &FieldByName("Comment");
  translated_ = &FieldByName("Translated");
  tranId_->SetDisplayWidth(30);
  tranType_->SetDisplayWidth(20);
  stringTableIdOrProp_->SetVisible(false);
  refValue_->SetDisplayWidth(50);
  tranValue_->SetDisplayWidth(40);
  comment_->SetDisplayWidth(40);
  translated_->SetDisplayWidth(15);
}

// ---- Fields of the current row ----

std::u16string TKivTransTable::TranID() const { return tranId_->AsWideString(); }
void TKivTransTable::SetTranID(std::u16string_view value) { tranId_->SetAsWideString(value); }
void TKivTransTable::SetDictTranID(std::u16string_view value) {
  dictTranId_->SetAsWideString(value);
}
std::u16string TKivTransTable::TranType() const { return tranType_->AsWideString(); }
void TKivTransTable::SetTranType(std::u16string_view value) { tranType_->SetAsWideString(value); }
std::u16string TKivTransTable::RefValue() const { return refValue_->AsWideString(); }
void TKivTransTable::SetRefValue(std::u16string_view value) { refValue_->SetAsWideString(value); }
std::u16string TKivTransTable::TranValue() const { return tranValue_->AsWideString(); }
void TKivTransTable::SetTranValue(std::u16string_view value) { tranValue_->SetAsWideString(value); }
std::u16string TKivTransTable::Comment() const { return comment_->AsWideString(); }
void TKivTransTable::SetComment(std::u16string_view value) { comment_->SetAsWideString(value); }
bool TKivTransTable::Translated() const { return translated_->AsBoolean(); }
void TKivTransTable::SetTranslated(bool value) { translated_->SetAsBoolean(value); }

bool TKivTransTable::IsStringResource() const { return TranType() == kResourceStringType; }

int TKivTransTable::StringTableID() const {
  if (!IsStringResource()) throw EKivInternalError(kGetStringTableId);
  return stringTableIdOrProp_->AsInteger();
}

void TKivTransTable::SetStringTableID(int id) {
  if (!IsStringResource()) throw EKivInternalError(kSetStringTableId);
  stringTableIdOrProp_->SetAsInteger(id);
}

TDfmProperty* TKivTransTable::PDfmProp() const {
  if (IsStringResource()) throw EKivInternalError(kGetPropOfString);
  if (TranType().empty()) throw EKivInternalError(kGetPropUndefined);
  if (stringTableIdOrProp_->IsNull()) return nullptr;
  int index = stringTableIdOrProp_->AsInteger();
  if (index < 0 || index >= static_cast<int>(properties_.size())) {
    throw EKivInternalError(kPropNotInTable);
  }
  return properties_[static_cast<std::size_t>(index)];
}

void TKivTransTable::SetPDfmProp(TDfmProperty* property) {
  if (IsStringResource()) throw EKivInternalError(kSetPropOfString);
  if (TranType().empty()) throw EKivInternalError(kSetPropUndefined);
  for (std::size_t i = 0; i < properties_.size(); ++i) {
    if (properties_[i] == property) {
      stringTableIdOrProp_->SetAsInteger(static_cast<std::int32_t>(i));
      return;
    }
  }
  throw EKivInternalError(kPropNotInTable);
}

// ---- Hooks ----

// Loading stores its rows directly; no row is ever inserted through the cursor.
void TKivTransTable::DoBeforeInsert() { throw EKivInternalError(kInsertRefused); }

void TKivTransTable::DoAfterInsert() {
  TKivVarArrayDataSet::DoAfterInsert();
  SetTranslated(false);
}

void TKivTransTable::DoBeforePost() {
  TKivVarArrayDataSet::DoBeforePost();
  CheckPosted(IsStringResource(), RefValue(), TranValue(), Comment());
  if (State() == dsEdit) {
    if (ordinalOrder_ && Sort().empty() && CurrentIndex() >= 0 &&
        CurrentIndex() < RowList().Count() &&
        RowTranID(RowList().Get(CurrentIndex())) != TranID()) {
      ordinalOrderStale_ = true;
    }
    ApplyTranslationTo(TranType(), stringTableIdOrProp_->Value(), TranValue());
    modified_ = true;
  }
}

void TKivTransTable::CheckPosted(bool isString, const std::u16string& reference,
                                 const std::u16string& translation,
                                 const std::u16string& comment) const {
  CheckFormat(isString, reference, translation);
  if (comment.find_first_of(u"\r\n") != std::u16string::npos) {
    throw EKivGeneralError(kMultiLineComment);
  }
}

void TKivTransTable::CheckFormat(bool isString, const std::u16string& reference,
                                 const std::u16string& translation) const {
  if (skipFormatCheck_ || !isString) return;
  if (reference.empty()) return;
  try {
    CheckFormatCompatible(reference, translation);
  } catch (Exception& e) {
    bool formatError = dynamic_cast<EFormatSpecifierError*>(&e) || dynamic_cast<EConvertError*>(&e);
    if (formatError && !formatErrorNote_.empty()) {
      e.SetMessage(e.Message() + "\r\n\r\n\r\n" + WideToAnsi(formatErrorNote_));
    }
    throw;
  }
}

// A row's StringTableIDOrPDfmProp names the string or the property its text goes to.
void TKivTransTable::ApplyTranslationTo(const std::u16string& type, const Variant& idOrProperty,
                                        const std::u16string& text) {
  if (type == kResourceStringType) {
    SetLoadedString(idOrProperty.IsEmptyOrNull() ? 0 : idOrProperty.AsInteger(), text);
  } else if (type.empty()) {
    throw EKivInternalError(kGetPropUndefined);
  } else if (!idOrProperty.IsEmptyOrNull()) {
    const int index = idOrProperty.AsInteger();
    if (index < 0 || index >= static_cast<int>(properties_.size())) {
      throw EKivInternalError(kPropNotInTable);
    }
    WideToPropertyValue(*properties_[static_cast<std::size_t>(index)], text);
  }
}

// What SetStringTableString does, without its scan of every block: a table of tens of
// thousands of strings would take a scan per edited string.
void TKivTransTable::SetLoadedString(int id, const std::u16string& text) {
  auto found = blockByNumber_.find(StringTableBlock(id));
  if (found == blockByNumber_.end()) return;
  TKivStringList& block = *stringTables_[found->second];
  for (int i = 0; i < block.Count(); ++i) {
    if (StringIdOf(block, i) == id) {
      block.Put(i, text);
      return;
    }
  }
}

// ---- Loading ----

void TKivTransTable::Load(TTransTableContents contents, const std::u16string& fileName,
                          bool readOnly) {
  TNamedValues flags(contents.Flags);
  TNamedValues comments(contents.Comments);
  readOnly_ = readOnly;
  modified_ = false;
  fileName_ = fileName;
  Close();
  tranValue_->SetReadOnly(false);
  translated_->SetReadOnly(false);
  // Sorting an empty table costs nothing; the rows are sorted once when all are in.
  SetSort(ordinalOrder_ ? "" : "TranID");
  Open();
  InBatch([&] {
    // The rows of the old contents went with the close, before the contents they
    // refer to.
    stringTables_ = std::move(contents.StringTables);
    blockByNumber_.clear();
    for (std::size_t i = 0; i < stringTables_.size(); ++i) {
      const TKivStringList& block = *stringTables_[i];
      if (block.Count() > 0) blockByNumber_.emplace(StringTableBlock(StringIdOf(block, 0)), i);
    }
    properties_ = std::move(contents.Properties);
    forms_ = std::move(contents.Forms);
    resourceStringMap_.SetSorted(false);
    resourceStringMap_.Clear();
    // Only the rows read the map, by id: a table whose order nobody sees keeps none.
    TKivStringList map;
    map.SetText(contents.ResourceStringMap);
    loadedKeys_.clear();
    try {
      FillRows(map, flags, comments);
    } catch (...) {
      loadedKeys_.clear();  // their rows go with the failed load
      throw;
    }
    if (!ordinalOrder_) {
      resourceStringMap_.Assign(map);
      resourceStringMap_.SetSorted(true);
    }
    Refresh();
    tranValue_->SetReadOnly(readOnly_);
    translated_->SetReadOnly(readOnly_);
    First();
  });
}

// The rows a load makes, in the store's order: the translatable properties of the forms
// (each property path once), then the strings the map names.
void TKivTransTable::ForEachLoadedRow(const TDfmPropertyList& properties,
                                      const TStringTableBlocks& tables, const TKivStringList& map,
                                      TNamedValues& flags, TNamedValues& comments,
                                      const std::function<void(TLoadedRow&)>& take) {
  TLoadedRow row;
  auto give = [&](std::u16string_view tranId) {
    row.TranID = tranId;
    row.UpperId = UpperCaseId(tranId);
    std::optional<std::u16string> flag = flags.Take(row.UpperId);
    row.Translated = flag && !flag->empty() && !WideSameText(*flag, u"false");
    row.Comment = comments.Take(row.UpperId);
    take(row);
  };
  std::unordered_set<std::string> added;
  for (std::size_t i = 0; i < properties.size(); ++i) {
    const TDfmProperty& property = *properties[i];
    const TDfmForm* form = property.Owner ? property.Owner->Form : nullptr;
    if (!form || !form->TranslatableProps) continue;
    std::u16string path = FormName(*form, property.Path);
    if (form->TranslatableProps->IndexOf(path) < 0) continue;
    if (WideSameText(FormName(*form, property.Name), kResourceStringType)) continue;
    if (!added.insert(property.Path).second) continue;
    row.Property = &property;
    row.IdOrProperty = static_cast<std::int32_t>(i);
    row.TranValue = PropertyValueToWide(property);
    give(path);
  }

  // Views into the map's lines, which stay while the rows are made.
  std::unordered_map<std::u16string_view, std::u16string_view> identifiers;
  identifiers.reserve(static_cast<std::size_t>(map.Count()));
  for (int i = 0; i < map.Count(); ++i) {
    std::u16string_view line = map.Get(i);
    std::size_t eq = line.find(u'=');
    if (eq != std::u16string_view::npos)
      identifiers.emplace(line.substr(0, eq), line.substr(eq + 1));
  }
  row.Property = nullptr;
  for (const auto& block : tables) {
    for (int i = 0; i < block->Count(); ++i) {
      int id = StringIdOf(*block, i);
      auto found = identifiers.find(IntToWide(id));
      if (found == identifiers.end() || found->second.empty()) continue;
      row.IdOrProperty = id;
      row.TranValue = block->Get(i);
      give(found->second);
    }
  }
}

// Rows go straight into the store: appending them through the cursor, with its record
// buffers and post hooks, costs more than the rest of a load together. They hold the
// values a row appended and posted through the cursor would.
void TKivTransTable::FillRows(const TKivStringList& map, TNamedValues& flags,
                              TNamedValues& comments) {
  // Rows share the values that repeat (a variant's text is shared, not copied): a
  // module of tens of thousands of strings would hold as many copies of each.
  std::unordered_map<std::u16string, Variant> types;
  auto shared = [&](std::u16string text) -> const Variant& {
    auto found = types.find(text);
    if (found == types.end()) found = types.emplace(text, Variant(text)).first;
    return found->second;
  };
  const Variant stringDictId(WideUpperCase(kResourceStringType));
  const Variant& stringType = shared(kResourceStringType);
  ForEachLoadedRow(properties_, stringTables_, map, flags, comments, [&](TLoadedRow& loaded) {
    TRowHandle row = NewRow();
    if (const TDfmProperty* property = loaded.Property) {
      const TDfmForm& form = *property->Owner->Form;
      SetRowValue(row, dictTranId_->Index(),
                  Variant(UpperCaseId(
                      FormName(form, JoinPath(property->Owner->ObjectName, property->Name)))));
      SetRowValue(row, tranType_->Index(), shared(FormName(form, property->Name)));
    } else {
      SetRowValue(row, dictTranId_->Index(), stringDictId);
      SetRowValue(row, tranType_->Index(), stringType);
    }
    SetRowValue(row, tranId_->Index(), Variant(loaded.TranID));
    SetRowValue(row, stringTableIdOrProp_->Index(), Variant(loaded.IdOrProperty));
    SetRowValue(row, refValue_->Index(), Variant::Null());
    SetRowValue(row, tranValue_->Index(), Variant(std::u16string_view(loaded.TranValue)));
    SetRowValue(row, comment_->Index(),
                loaded.Comment ? Variant(*loaded.Comment) : Variant::Null());
    SetRowValue(row, translated_->Index(), Variant(loaded.Translated));
    if (ordinalOrder_) loadedKeys_.emplace_back(std::move(loaded.UpperId), row);
  });
}

// ---- A module's translations without a table ----

TTransTableTranslations::TTransTableTranslations(TTransTableContents contents) {
  TKivTransTable::TNamedValues flags(contents.Flags);
  TKivTransTable::TNamedValues comments(contents.Comments);
  TKivStringList map;
  map.SetText(contents.ResourceStringMap);
  TKivTransTable::ForEachLoadedRow(contents.Properties, contents.StringTables, map, flags, comments,
                                   [&](TKivTransTable::TLoadedRow& loaded) {
                                     TRow& row = rows_.emplace_back();
                                     row.UpperId = std::move(loaded.UpperId);
                                     row.Id = loaded.TranID;
                                     row.IsString = !loaded.Property;
                                     row.Translated = loaded.Translated;
                                     // Carrying over reads nothing else of an untranslated row.
                                     if (!loaded.Translated) return;
                                     row.Value = std::move(loaded.TranValue);
                                     if (loaded.Comment) row.Comment = std::move(*loaded.Comment);
                                   });
  // The order a table's ordinal sort gives the same rows.
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const TRow& a, const TRow& b) { return a.UpperId < b.UpperId; });
}

int TTransTableTranslations::Find(const std::u16string& upperId) const {
  auto found = std::lower_bound(
      rows_.begin(), rows_.end(), upperId,
      [](const TRow& row, const std::u16string& key) { return row.UpperId < key; });
  return found != rows_.end() && found->UpperId == upperId ? static_cast<int>(found - rows_.begin())
                                                           : -1;
}

std::u16string TKivTransTable::RowTranID(TRowHandle row) { return RowText(row, tranId_); }

std::u16string TKivTransTable::RowText(TRowHandle row, const TField* field) {
  Variant value;
  GetRowValue(row, field->Index(), value);
  return value.IsNull() ? std::u16string() : value.AsWideString();
}

bool TKivTransTable::EditsUnseen() const {
  if (readOnly_ || BeforeEdit || AfterEdit || BeforePost || AfterPost || OnEditError) return false;
  for (const TField* field : {tranValue_, comment_, translated_}) {
    if (field->OnChange) return false;
  }
  return ScrollsUnseen();
}

bool TKivTransTable::ScrollsUnseen() const { return !BeforeScroll && !AfterScroll; }

// ---- Order ----

// The ids are read once, not at each of the sort's comparisons.
void TKivTransTable::SortRows(TKivList& rows) {
  const bool ordinal = ordinalOrder_ && Sort().empty();
  if (!ordinal && (Sort() != "TranID" || SortOptions() != TLocateOptions{loCaseInsensitive})) {
    TKivVarArrayDataSet::SortRows(rows);
    return;
  }
  if (!ordinal && Sort().empty()) return;
  std::vector<std::pair<std::u16string, TRowHandle>> keyed;
  if (ordinal && LoadedKeysFit(rows)) {
    keyed = std::move(loadedKeys_);
  } else {
    keyed.reserve(static_cast<std::size_t>(rows.Count()));
    for (int i = 0; i < rows.Count(); ++i) {
      std::u16string id = RowTranID(rows.Get(i));
      keyed.emplace_back(ordinal ? UpperCaseId(id) : std::move(id), rows.Get(i));
    }
  }
  loadedKeys_.clear();
  if (ordinal) {
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    ordinalOrderStale_ = false;
  } else {
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return WideCompareText(a.first, b.first) < 0;
    });
  }
  rows.Clear();
  for (const auto& entry : keyed) rows.Add(entry.second);
}

bool TKivTransTable::LoadedKeysFit(const TKivList& rows) const {
  if (loadedKeys_.size() != static_cast<std::size_t>(rows.Count())) return false;
  for (int i = 0; i < rows.Count(); ++i) {
    if (loadedKeys_[static_cast<std::size_t>(i)].second != rows.Get(i)) return false;
  }
  return true;
}

// In ordinal order a search by id in any letter case is a binary search of that order.
int TKivTransTable::FindRow(std::string_view keyFields, const Variant& keyValues,
                            TLocateOptions options) {
  if (!ordinalOrder_ || !Sort().empty() || ordinalOrderStale_ || keyFields != "TranID" ||
      options != TLocateOptions{loCaseInsensitive} || keyValues.IsArray() ||
      !keyValues.IsString()) {
    return TKivVarArrayDataSet::FindRow(keyFields, keyValues, options);
  }
  CheckBrowseMode();
  const std::u16string key = UpperCaseId(keyValues.AsWideString());
  const TKivList& rows = RowList();
  int lo = 0;
  int hi = rows.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (UpperCaseId(RowTranID(rows.Get(mid))) < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo < rows.Count() && UpperCaseId(RowTranID(rows.Get(lo))) == key ? lo : -1;
}

// ---- Saving ----

void TKivTransTable::Save(bool markChanged, const TModuleWriter& write) {
  if (readOnly_) throw EKivInternalError(Format(kSaveApplication, fileName_));
  InBatch([&] {
    TTransTableTexts texts = CollectTexts(markChanged);
    write(forms_, stringTables_, texts);
  });
  modified_ = false;
}

TTransTableTexts TKivTransTable::TranslationTexts() {
  TTransTableTexts texts;
  InBatch([&] { texts = CollectTexts(false); });
  return texts;
}

// The texts are written as a list of lines would be, without the list.
TTransTableTexts TKivTransTable::CollectTexts(bool markChanged) {
  std::u16string flags;
  std::u16string comments;
  if (!markChanged) {
    // Nothing is edited: the rows are read in the store, in the cursor's order.
    CheckBrowseMode();
    const TKivList& rows = RowList();
    Variant translated;
    for (int i = 0; i < rows.Count(); ++i) {
      TRowHandle row = rows.Get(i);
      GetRowValue(row, translated_->Index(), translated);
      if (!translated.IsEmptyOrNull() && translated.AsBoolean()) {
        flags += RowTranID(row) + u"=TRUE\r\n";
      }
      std::u16string comment = RowText(row, comment_);
      if (!comment.empty()) comments += RowTranID(row) + u"=" + comment + u"\r\n";
    }
    return {LinesText(std::move(flags)), LinesText(std::move(comments))};
  }
  First();
  while (!Eof()) {
    if (markChanged && !Translated()) {
      std::u16string ref = RefValue();
      std::u16string value = TranValue();
      bool changed =
          IsStringResource() ? CanonicalFormat(ref) != CanonicalFormat(value) : ref != value;
      if (!ref.empty() && changed) {
        Edit();
        SetTranslated(true);
        Post();
      }
    }
    if (Translated()) flags += TranID() + u"=TRUE\r\n";
    std::u16string comment = Comment();
    if (!comment.empty()) comments += TranID() + u"=" + comment + u"\r\n";
    Next();
  }
  return {LinesText(std::move(flags)), LinesText(std::move(comments))};
}

// ---- Bulk operations ----

void TKivTransTable::CanonicalizeFormats() {
  InBatch([&] {
    First();
    while (!Eof()) {
      if (IsStringResource()) {
        std::u16string value = TranValue();
        std::u16string canonical = CanonicalFormat(value);
        if (canonical != value) {
          Edit();
          if (RefValue().empty()) SetRefValue(value);
          SetTranValue(canonical);
          Post();
        }
      }
      Next();
    }
  });
}

// What carrying over reads of a source row. The two kinds of source give their rows
// by index in their order.
struct TKivTransTable::TSourceRow {
  bool Translated = false;
  std::u16string Value;  // canonical on a string row
  std::u16string Comment;
};

class TKivTransTable::TTableSource {
 public:
  explicit TTableSource(TKivTransTable& table) : table_(table), rows_(table.RowList()) {}
  int Count() const { return rows_.Count(); }
  bool HasId(int at, const std::u16string& id) const {
    return table_.RowTranID(rows_.Get(at)) == id;
  }
  int Find(const std::u16string& id) const {
    return table_.FindRow("TranID", Variant(id), TLocateOptions{loCaseInsensitive});
  }
  TSourceRow Row(int at) const {
    TRowHandle row = rows_.Get(at);
    Variant translated;
    table_.GetRowValue(row, table_.translated_->Index(), translated);
    if (translated.IsEmptyOrNull() || !translated.AsBoolean()) return {};
    std::u16string text = table_.RowText(row, table_.tranValue_);
    if (table_.RowText(row, table_.tranType_) == kResourceStringType) text = CanonicalFormat(text);
    return {true, std::move(text), table_.RowText(row, table_.comment_)};
  }

 private:
  TKivTransTable& table_;
  const TKivList& rows_;
};

class TKivTransTable::TTranslationsSource {
 public:
  explicit TTranslationsSource(const TTransTableTranslations& source) : source_(source) {}
  int Count() const { return source_.Count(); }
  bool HasId(int at, const std::u16string& id) const { return source_.Row(at).Id == id; }
  int Find(const std::u16string& id) const { return source_.Find(UpperCaseId(id)); }
  TSourceRow Row(int at) const {
    const TTransTableTranslations::TRow& row = source_.Row(at);
    if (!row.Translated) return {};
    return {true, row.IsString ? CanonicalFormat(row.Value) : row.Value, row.Comment};
  }

 private:
  const TTransTableTranslations& source_;
};

void TKivTransTable::CopyTranslations(TKivTransTable& source, bool markTranslated) {
  InBatch([&] {
    if (EditsUnseen() && source.ScrollsUnseen()) {
      source.First();
      CopyInStore(TTableSource(source), markTranslated);
    } else {
      CopyTranslationsByCursor(source, markTranslated);
    }
  });
}

void TKivTransTable::CopyTranslations(const TTransTableTranslations& source, bool markTranslated) {
  InBatch([&] {
    if (EditsUnseen()) {
      CopyInStore(TTranslationsSource(source), markTranslated);
    } else {
      CopyByCursor(TTranslationsSource(source), markTranslated);
    }
  });
}

void TKivTransTable::CopyTranslationsByCursor(TKivTransTable& source, bool markTranslated) {
  First();
  source.First();
  while (!Eof()) {
    if (!Translated() && source.FindTranID(TranID()) && source.Translated()) {
      std::u16string value = source.TranValue();
      if (source.IsStringResource()) value = CanonicalFormat(value);
      if (!IsStringResource() || FormatFits(TranValue(), value)) {
        Edit();
        SetTranValue(value);
        std::u16string comment = source.Comment();
        if (!comment.empty() && Comment().empty()) SetComment(comment);
        if (markTranslated) SetTranslated(true);
        Post();
      }
    }
    Next();
    source.Next();
  }
}

// The source row a row pairs with, as the walk by cursor pairs them: the source's
// position moves on with every row, so rows with repeated ids pair up in order, and a
// row whose id is not at that position is searched for from the start.
template <class Source>
int TKivTransTable::PairedRow(const Source& source, int& at, const std::u16string& id) {
  if (source.Count() == 0) return -1;
  if (!source.HasId(at, id)) {
    const int found = source.Find(id);
    if (found < 0) return -1;
    at = found;
  }
  return at;
}

// The walk by cursor, for a table whose handlers see its edits and posts.
template <class Source>
void TKivTransTable::CopyByCursor(const Source& source, bool markTranslated) {
  const int last = std::max(source.Count() - 1, 0);
  int at = 0;
  for (First(); !Eof(); Next(), at = std::min(at + 1, last)) {
    if (Translated()) continue;
    const int paired = PairedRow(source, at, TranID());
    if (paired < 0) continue;
    TSourceRow from = source.Row(paired);
    if (!from.Translated) continue;
    if (IsStringResource() && !FormatFits(TranValue(), from.Value)) continue;
    Edit();
    SetTranValue(from.Value);
    if (!from.Comment.empty() && Comment().empty()) SetComment(from.Comment);
    if (markTranslated) SetTranslated(true);
    Post();
  }
}

// What the walk by cursor does, row by row in the store: an edit and a post per row
// cost more than the rest of a rebuild's carrying over.
template <class Source>
void TKivTransTable::CopyInStore(const Source& source, bool markTranslated) {
  CheckBrowseMode();
  bool changed = false;
  try {
    changed = CopyRowsInStore(source, markTranslated);
  } catch (...) {
    // The rows written before the failure reach the cursor's buffers all the same.
    try {
      Resync(false, false);
    } catch (...) {
    }
    throw;
  }
  if (changed) Resync(false, false);
}

template <class Source>
bool TKivTransTable::CopyRowsInStore(const Source& source, bool markTranslated) {
  const TKivList& rows = RowList();
  const int last = std::max(source.Count() - 1, 0);
  bool changed = false;
  int at = 0;
  Variant value;
  for (int i = 0; i < rows.Count(); ++i, at = std::min(at + 1, last)) {
    TRowHandle row = rows.Get(i);
    GetRowValue(row, translated_->Index(), value);
    if (!value.IsEmptyOrNull() && value.AsBoolean()) continue;
    const int paired = PairedRow(source, at, RowTranID(row));
    if (paired < 0) continue;
    TSourceRow from = source.Row(paired);
    if (!from.Translated) continue;
    const std::u16string type = RowText(row, tranType_);
    const bool isString = type == kResourceStringType;
    if (isString && !FormatFits(RowText(row, tranValue_), from.Value)) continue;
    const bool takeComment = !from.Comment.empty() && RowText(row, comment_).empty();
    CheckPosted(isString, RowText(row, refValue_), from.Value,
                takeComment ? from.Comment : RowText(row, comment_));
    GetRowValue(row, stringTableIdOrProp_->Index(), value);
    ApplyTranslationTo(type, value, from.Value);
    SetRowValue(row, tranValue_->Index(), Variant(from.Value));
    if (takeComment) SetRowValue(row, comment_->Index(), Variant(from.Comment));
    if (markTranslated) SetRowValue(row, translated_->Index(), Variant(true));
    changed = true;
    modified_ = true;
  }
  return changed;
}

bool TKivTransTable::FindTranID(std::u16string_view id) {
  if (Active() && !IsEmpty() && TranID() == id) return true;
  return Locate("TranID", Variant(id), TLocateOptions{loCaseInsensitive});
}

// ---- Batch mode ----

void TKivTransTable::BeginBatch() {
  if (batchDepth_ == 0) {
    PushBatchCursor();
    DisableControls();
    try {
      batchBookmark_ = Active() ? Bookmark() : TBookmarkStr();
      batchFiltered_ = Filtered();
      SetFiltered(false);
    } catch (...) {
      EnableControls();
      PopBatchCursor();
      throw;
    }
  }
  ++batchDepth_;
}

void TKivTransTable::EndBatch() {
  if (batchDepth_ == 0) return;
  if (--batchDepth_ > 0) return;
  try {
    if (Active() && BookmarkExists(batchBookmark_)) {
      SetBookmark(batchBookmark_);
      SetFiltered(batchFiltered_);
    } else {
      SetFiltered(batchFiltered_);
      if (Active()) First();
    }
  } catch (...) {
    EnableControls();
    PopBatchCursor();
    throw;
  }
  EnableControls();
  PopBatchCursor();
}

void TKivTransTable::InBatch(const std::function<void()>& work) {
  BeginBatch();
  try {
    work();
  } catch (...) {
    if (State() == dsEdit || State() == dsInsert) Cancel();
    EndBatch();
    throw;
  }
  EndBatch();
}
