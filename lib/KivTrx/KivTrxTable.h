// KivTrxTable: TKivTransTable, the working table of the translation framework.
//
// One row per translatable text of a module file: the translatable properties of its
// forms and the string resources its resource-string map names. Edits are applied to
// the in-memory form trees and string-table blocks at each post; saving writes them
// back together with two RCDATA texts, "KIV.XRS" (which rows are translated) and
// "KIV_TRX_XRC" (the comments). Rows can be added only by loading.
//
// The row logic is portable: Load takes the module's contents already read, Save hands
// the texts, forms and blocks to a writer. LoadFromFile and SaveToFile bind them to a
// module file on Windows.
//
// "StringTableIDOrPDfmProp" is a 32-bit field; a form-property row keeps there the
// index of its property in the flat property list, since a pointer may not fit.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "DataSets/KivLXVarArrayDataSet.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/KivStringList.h"

// Everything of a module file that the table is built from.
struct TTransTableContents {
  TDfmForms Forms;
  TDfmPropertyList Properties;       // every property of the forms, in text order
  std::u16string ResourceStringMap;  // lines "id=identifier"
  TStringTableBlocks StringTables;
  std::u16string Flags;     // KIV.XRS
  std::u16string Comments;  // KIV_TRX_XRC
};

// The two texts a save writes: KIV.XRS and KIV_TRX_XRC.
struct TTransTableTexts {
  std::u16string Flags;
  std::u16string Comments;
};

// A text that the program formats with arguments: it parses as a format and has at
// least one specifier. Only such texts are checked against their translations.
bool TakesFormatArguments(std::u16string_view text);
// The translation takes the reference's arguments (CheckFormatCompatible), or the
// reference takes none.
bool FormatFits(std::u16string_view reference, std::u16string_view translation);

// The translations a module's rows hold, as a rebuild carries them over to the rows of
// a new module: the rows a table would load from the same contents, in the table's
// ordinal order, with only what carrying over reads. A rebuild needs nothing else of
// the old module, and a table of its rows would cost several times the time and memory.
class TTransTableTranslations {
 public:
  struct TRow {
    std::u16string UpperId;
    std::u16string Id;
    std::u16string Value;  // only on translated rows
    std::u16string Comment;
    bool Translated = false;
    bool IsString = false;
  };

  // The rows a table's load would make of the contents.
  explicit TTransTableTranslations(TTransTableContents contents);

  int Count() const { return static_cast<int>(rows_.size()); }
  const TRow& Row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
  // The first row with this upper-case id, or -1.
  int Find(const std::u16string& upperId) const;

 private:
  std::vector<TRow> rows_;
};

#ifdef _WIN32
// What a table loads from a module file: raises EKivGeneralError "File %s doesn't
// exist." for a missing file, and the prepared check's error.
TTransTableContents ReadTransTableModule(const std::u16string& moduleFile);
// What a save writes, into an open update: the forms, the string tables, KIV_TRX_XRC
// and KIV.XRS.
void WriteTransTableResources(HANDLE update, const TDfmForms& forms,
                              const TStringTableBlocks& blocks, const TTransTableTexts& texts);
#endif

class TKivTransTable : public TKivVarArrayDataSet {
 public:
  static constexpr char16_t kResourceStringType[] = u"resourcestring";

  TKivTransTable();
  ~TKivTransTable() override;

  // ---- The current row's fields ----
  std::u16string TranID() const;
  void SetTranID(std::u16string_view value);
  void SetDictTranID(std::u16string_view value);
  std::u16string TranType() const;
  void SetTranType(std::u16string_view value);
  std::u16string RefValue() const;
  void SetRefValue(std::u16string_view value);
  std::u16string TranValue() const;
  void SetTranValue(std::u16string_view value);
  std::u16string Comment() const;
  void SetComment(std::u16string_view value);
  bool Translated() const;
  void SetTranslated(bool value);
  // TranType is exactly "resourcestring".
  bool IsStringResource() const;
  // Only on string-resource rows (else EKivInternalError).
  int StringTableID() const;
  void SetStringTableID(int id);
  // Only on form-property rows (else EKivInternalError); the property must be one of
  // the table's.
  TDfmProperty* PDfmProp() const;
  void SetPDfmProp(TDfmProperty* property);

  // Rows in a plain ordinal order of their upper-case ids instead of the locale's
  // (Sort then stays empty), and no resource-string map kept, from the next load on: for work whose
  // order nobody sees, such as a rebuild, where the locale's comparison would cost more than the
  // rest of the load. Searches by id keep finding rows in any letter case.
  bool OrdinalOrder() const { return ordinalOrder_; }
  void SetOrdinalOrder(bool value) { ordinalOrder_ = value; }

  // ---- Operations ----
  // Refills the table from a module's contents, which it takes over. The contents are
  // read before anything of the table changes, so a module that cannot be read leaves
  // the table as it was.
  void Load(TTransTableContents contents, const std::u16string& fileName, bool readOnly);
  // Walks the rows (marking changed rows translated with markChanged), then hands the
  // two texts, the forms and the string tables to `write`; clears the modified flag
  // when that returns. A read-only table raises EKivInternalError.
  using TModuleWriter = std::function<void(const TDfmForms& forms, const TStringTableBlocks& blocks,
                                           const TTransTableTexts& texts)>;
  void Save(bool markChanged, const TModuleWriter& write);
  // The two texts that a save writes now, without changing anything.
  TTransTableTexts TranslationTexts();

  // String-resource texts into their canonical format form; the text before keeps in
  // RefValue when that is empty.
  void CanonicalizeFormats();
  // Takes the translations (and comments where this row has none) of the untranslated
  // rows from the translated rows of `source` with the same TranID. A string whose
  // translation no longer takes this row's arguments keeps its own text: formatted, it
  // would fail.
  void CopyTranslations(TKivTransTable& source, bool markTranslated);
  // The same from a module's translations read without a table.
  void CopyTranslations(const TTransTableTranslations& source, bool markTranslated);
  // Positions the cursor on the row with that TranID, in any letter case.
  bool FindTranID(std::u16string_view id);

  // A nestable bracket for bulk work: hourglass cursor, controls disabled, filter off;
  // the outermost end returns to the row it began on (or the first row).
  void BeginBatch();
  void EndBatch();
  int BatchDepth() const { return batchDepth_; }

#ifdef _WIN32
  // Fills the table from a module file (or from the application itself, which makes
  // the table read-only).
  void LoadFromFile(const std::u16string& applicationFile, const std::u16string& moduleFile);
  // Writes the rows back into the module file.
  void SaveToFile(bool markChanged);
#endif

  // ---- State ----
  bool TableModified() const { return modified_; }
  bool ReadOnly() const { return readOnly_; }
  const std::u16string& FileName() const { return fileName_; }
  // Appended to a format error's message after three line breaks.
  const std::u16string& FormatErrorNote() const { return formatErrorNote_; }
  void SetFormatErrorNote(std::u16string note) { formatErrorNote_ = std::move(note); }
  bool SkipFormatCheck() const { return skipFormatCheck_; }
  void SetSkipFormatCheck(bool skip) { skipFormatCheck_ = skip; }
  const TDfmForms& Forms() const { return forms_; }
  const TDfmPropertyList& Properties() const { return properties_; }
  const TKivStringList& ResourceStringMap() const { return resourceStringMap_; }
  const TStringTableBlocks& StringTables() const { return stringTables_; }

 protected:
  void InternalInitFieldDefs() override {}
  void FieldsCreated() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforePost() override;
  void SortRows(TKivList& rows) override;
  int FindRow(std::string_view keyFields, const Variant& keyValues,
              TLocateOptions options) override;

 private:
  class TNamedValues;
  friend class TTransTableTranslations;
  // What a load makes of one row, before it is stored.
  struct TLoadedRow {
    std::u16string_view TranID;
    std::u16string UpperId;
    const TDfmProperty* Property = nullptr;  // null on a string row
    std::int32_t IdOrProperty = 0;
    std::u16string TranValue;
    bool Translated = false;
    std::optional<std::u16string> Comment;
  };
  // The rows of a load in the store's order, each handed to `take`.
  static void ForEachLoadedRow(const TDfmPropertyList& properties, const TStringTableBlocks& tables,
                               const TKivStringList& map, TNamedValues& flags,
                               TNamedValues& comments,
                               const std::function<void(TLoadedRow&)>& take);

  void DefineFields();
  // The checks of a post, on a row's values after its edit.
  void CheckPosted(bool isString, const std::u16string& reference,
                   const std::u16string& translation, const std::u16string& comment) const;
  void CheckFormat(bool isString, const std::u16string& reference,
                   const std::u16string& translation) const;
  void ApplyTranslationTo(const std::u16string& type, const Variant& idOrProperty,
                          const std::u16string& text);
  struct TSourceRow;
  class TTableSource;
  class TTranslationsSource;
  void CopyTranslationsByCursor(TKivTransTable& source, bool markTranslated);
  // Carrying over from a source that gives its rows by index in its order and finds a
  // row by id in any letter case.
  template <class Source>
  static int PairedRow(const Source& source, int& at, const std::u16string& id);
  template <class Source>
  void CopyByCursor(const Source& source, bool markTranslated);
  template <class Source>
  void CopyInStore(const Source& source, bool markTranslated);
  // Whether a row changed.
  template <class Source>
  bool CopyRowsInStore(const Source& source, bool markTranslated);
  // No handler would miss the edits, posts or scrolls of work done in the store.
  bool EditsUnseen() const;
  bool ScrollsUnseen() const;
  std::u16string RowText(TRowHandle row, const TField* field);
  void SetLoadedString(int id, const std::u16string& text);
  void FillRows(const TKivStringList& map, TNamedValues& flags, TNamedValues& comments);
  std::u16string RowTranID(TRowHandle row);
  // The keys a load folded, in the store's order, are what the next sort needs.
  bool LoadedKeysFit(const TKivList& rows) const;
  TTransTableTexts CollectTexts(bool markChanged);
  // Runs `work` in batch mode; a row left in edit or insert state by a failure is
  // cancelled before batch mode ends, and the failure propagates.
  void InBatch(const std::function<void()>& work);
  // The hourglass of batch mode (nothing without a screen).
  static void PushBatchCursor();
  static void PopBatchCursor() noexcept;

  TField* tranId_ = nullptr;
  TField* dictTranId_ = nullptr;
  TField* tranType_ = nullptr;
  TField* stringTableIdOrProp_ = nullptr;
  TField* refValue_ = nullptr;
  TField* tranValue_ = nullptr;
  TField* comment_ = nullptr;
  TField* translated_ = nullptr;

  bool modified_ = false;
  std::u16string formatErrorNote_;
  bool skipFormatCheck_ = false;
  std::u16string fileName_;
  TDfmForms forms_;
  TDfmPropertyList properties_;
  TKivStringList resourceStringMap_;
  TStringTableBlocks stringTables_;
  // Block number -> index of the first non-empty block of that number.
  std::unordered_map<int, std::size_t> blockByNumber_;
  bool readOnly_ = false;
  TBookmarkStr batchBookmark_;
  bool batchFiltered_ = false;
  int batchDepth_ = 0;
  bool ordinalOrder_ = false;
  // An id changed by an edit in ordinal order: the rows may be out of order until
  // they are sorted again, so searches scan.
  bool ordinalOrderStale_ = false;
  // The upper-case ids of the rows a load in ordinal order stored, with their rows.
  std::vector<std::pair<std::u16string, TRowHandle>> loadedKeys_;
};
