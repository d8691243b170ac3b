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

// The texts of a list of lines; a list without lines is the single line ".".
std::u16string LinesText(const TKivStringList& lines) {
  return lines.Count() == 0 ? std::u16string(u".") : lines.Text();
}

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
// rows would otherwise take minutes to load.
class TKivTransTable::TNamedValues {
 public:
  explicit TNamedValues(std::u16string_view text) {
    TKivStringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i) {
      const std::u16string& line = lines.Get(i);
      std::size_t eq = line.find(u'=');
      if (eq == std::u16string::npos) continue;  // a line without a name
      byName_[WideUpperCase(line.substr(0, eq))].push_back(line);
    }
    // The values of one name in the order of the sorted list; only repeated names need
    // sorting, so the whole list is not.
    for (auto& [name, values] : byName_) {
      if (values.size() > 1) {
        std::stable_sort(values.begin(), values.end(),
                         [](const std::u16string& a, const std::u16string& b) {
                           return WideCompareText(a, b) < 0;
                         });
      }
      for (std::u16string& line : values) line.erase(0, line.find(u'=') + 1);
    }
  }

  // The first value left for the name, which is used up.
  std::optional<std::u16string> Take(const std::u16string& name) {
    auto found = byName_.find(WideUpperCase(name));
    if (found == byName_.end() || found->second.empty()) return std::nullopt;
    std::u16string value = std::move(found->second.front());
    found->second.pop_front();
    return value;
  }

 private:
  std::unordered_map<std::u16string, std::deque<std::u16string>> byName_;
};

// Opens the table for appending rows while loading, and closes it again on every path.
class TKivTransTable::TInsertsAllowed {
 public:
  explicit TInsertsAllowed(TKivTransTable& table) : table_(table) { table_.insertsAllowed_ = true; }
  ~TInsertsAllowed() { table_.insertsAllowed_ = false; }
  TInsertsAllowed(const TInsertsAllowed&) = delete;
  TInsertsAllowed& operator=(const TInsertsAllowed&) = delete;

 private:
  TKivTransTable& table_;
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

void TKivTransTable::DoBeforeInsert() {
  if (!insertsAllowed_) throw EKivInternalError(kInsertRefused);
  TKivVarArrayDataSet::DoBeforeInsert();
}

void TKivTransTable::DoAfterInsert() {
  TKivVarArrayDataSet::DoAfterInsert();
  SetTranslated(false);
}

void TKivTransTable::DoBeforePost() {
  TKivVarArrayDataSet::DoBeforePost();
  CheckFormat();
  if (Comment().find_first_of(u"\r\n") != std::u16string::npos) {
    throw EKivGeneralError(kMultiLineComment);
  }
  if (State() == dsEdit) {
    ApplyTranslation();
    modified_ = true;
  }
}

void TKivTransTable::CheckFormat() {
  if (skipFormatCheck_ || !IsStringResource()) return;
  std::u16string reference = RefValue();
  if (reference.empty()) return;
  try {
    CheckFormatCompatible(reference, TranValue());
  } catch (Exception& e) {
    bool formatError = dynamic_cast<EFormatSpecifierError*>(&e) || dynamic_cast<EConvertError*>(&e);
    if (formatError && !formatErrorNote_.empty()) {
      e.SetMessage(e.Message() + "\r\n\r\n\r\n" + WideToAnsi(formatErrorNote_));
    }
    throw;
  }
}

void TKivTransTable::ApplyTranslation() {
  if (IsStringResource()) {
    SetStringTableString(stringTables_, StringTableID(), TranValue());
  } else if (TDfmProperty* property = PDfmProp()) {
    WideToPropertyValue(*property, TranValue());
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
  Open();
  InBatch([&] {
    First();
    while (!IsEmpty()) Delete();
    // The rows of the old contents go before the contents they refer to.
    stringTables_ = std::move(contents.StringTables);
    properties_ = std::move(contents.Properties);
    forms_ = std::move(contents.Forms);
    resourceStringMap_.SetSorted(false);
    resourceStringMap_.SetText(contents.ResourceStringMap);
    resourceStringMap_.SetSorted(true);
    FillRows(flags, comments);
    tranValue_->SetReadOnly(readOnly_);
    translated_->SetReadOnly(readOnly_);
    SetSort("TranID");
    First();
  });
}

void TKivTransTable::FillRows(TNamedValues& flags, TNamedValues& comments) {
  TInsertsAllowed allowed(*this);
  std::unordered_set<std::string> added;
  for (std::size_t i = 0; i < properties_.size(); ++i) {
    TDfmProperty& property = *properties_[i];
    const TDfmForm* form = property.Owner ? property.Owner->Form : nullptr;
    if (!form || !form->TranslatableProps) continue;
    std::u16string path = FormName(*form, property.Path);
    if (form->TranslatableProps->IndexOf(path) < 0) continue;
    if (WideSameText(FormName(*form, property.Name), kResourceStringType)) continue;
    if (!added.insert(property.Path).second) continue;
    Append();
    SetTranID(path);
    SetDictTranID(
        WideUpperCase(FormName(*form, JoinPath(property.Owner->ObjectName, property.Name))));
    SetTranType(FormName(*form, property.Name));
    stringTableIdOrProp_->SetAsInteger(static_cast<std::int32_t>(i));
    SetTranValue(PropertyValueToWide(property));
    TakeFlagsAndComments(flags, comments);
    Post();
  }

  std::unordered_map<std::u16string, std::u16string> identifiers;
  for (int i = 0; i < resourceStringMap_.Count(); ++i) {
    identifiers.emplace(resourceStringMap_.Names(i), resourceStringMap_.ValueFromIndex(i));
  }
  for (const auto& block : stringTables_) {
    for (int i = 0; i < block->Count(); ++i) {
      int id = StringIdOf(*block, i);
      auto found = identifiers.find(IntToWide(id));
      if (found == identifiers.end() || found->second.empty()) continue;
      Append();
      SetTranID(found->second);
      SetDictTranID(WideUpperCase(kResourceStringType));
      SetTranType(kResourceStringType);
      SetStringTableID(id);
      SetTranValue(block->Get(i));
      TakeFlagsAndComments(flags, comments);
      Post();
    }
  }
}

void TKivTransTable::TakeFlagsAndComments(TNamedValues& flags, TNamedValues& comments) {
  std::u16string id = TranID();
  std::optional<std::u16string> flag = flags.Take(id);
  SetTranslated(flag && !flag->empty() && !WideSameText(*flag, u"false"));
  if (std::optional<std::u16string> comment = comments.Take(id)) SetComment(*comment);
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

TTransTableTexts TKivTransTable::CollectTexts(bool markChanged) {
  TKivStringList flags;
  TKivStringList comments;
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
    if (Translated()) flags.Add(TranID() + u"=TRUE");
    std::u16string comment = Comment();
    if (!comment.empty()) comments.Add(TranID() + u"=" + comment);
    Next();
  }
  return {LinesText(flags), LinesText(comments)};
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

void TKivTransTable::CopyTranslations(TKivTransTable& source, bool markTranslated) {
  InBatch([&] {
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
  });
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
