// Field definitions and field objects of the data-set abstraction.
//
// A field reads and writes its value through its data set, in the field's native
// buffer format:
//
//   string, fixed char, GUID      std::string (system code page)
//   small integer                 std::int16_t
//   integer, auto-increment       std::int32_t
//   word                          std::uint16_t
//   Boolean                       std::uint16_t, non-zero = true
//   float, currency               double
//   BCD                           Currency
//   date, time, date-time         double day count
//   wide string                   std::u16string
//   large integer                 std::int64_t
//   interface, dispatch           TInterfaceRef
//   variant                       Variant
//
// Fields belong to their data set; the data set destroys them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Db/DbTypes.h"
#include "Rtl/Variant.h"

class TDataSet;

struct TFieldDef {
  std::string name;
  TFieldType dataType = ftUnknown;
  int size = 0;
  bool required = false;
};

class TFieldDefs {
 public:
  // A name already defined (ignoring case) raises EDatabaseError "Duplicate field name '%s'".
  TFieldDef& Add(std::string name, TFieldType type, int size = 0, bool required = false);
  int Count() const { return static_cast<int>(items_.size()); }
  const TFieldDef& operator[](int index) const {
    return items_.at(static_cast<std::size_t>(index));
  }
  int IndexOf(std::string_view name) const;  // ignoring case; −1 when absent
  void Clear() { items_.clear(); }

 private:
  std::vector<TFieldDef> items_;
};

class TField {
 public:
  using TFieldNotifyEvent = std::function<void(TField&)>;

  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;
  virtual ~TField() = default;

  TDataSet* DataSet() const { return dataSet_; }
  const std::string& FieldName() const { return fieldName_; }
  // Only while the field belongs to no open data set.
  void SetFieldName(std::string name) { fieldName_ = std::move(name); }
  const std::string& DisplayName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  // Position of the bound field definition, from 1; 0 while unbound.
  int FieldNo() const { return fieldNo_; }
  // Position in the data set's field list, from 0.
  int Index() const { return index_; }

  bool Required() const { return required_; }
  void SetRequired(bool v) { required_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  // Characters a control shows; the type's default until set.
  int DisplayWidth() const { return displayWidth_ >= 0 ? displayWidth_ : DefaultDisplayWidth(); }
  void SetDisplayWidth(int v) { displayWidth_ = v; }

  // The value: Null when the field has none. Setting Null or empty clears it.
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& v) { SetAsVariant(v); }
  bool IsNull() const { return Value().IsEmptyOrNull(); }
  void Clear() { SetData(nullptr); }

  // Typed access converts through the value; a field without a value reads as 0, ""
  // or false. Conversion failures raise the variant errors.
  std::string AsString() const;
  void SetAsString(std::string_view v) { SetAsVariant(Variant(v)); }
  std::u16string AsWideString() const;
  void SetAsWideString(std::u16string_view v) { SetAsVariant(Variant(v)); }
  std::int32_t AsInteger() const;
  void SetAsInteger(std::int32_t v) { SetAsVariant(Variant(v)); }
  std::int64_t AsLargeInt() const;
  void SetAsLargeInt(std::int64_t v) { SetAsVariant(Variant(v)); }
  double AsFloat() const;
  void SetAsFloat(double v) { SetAsVariant(Variant(v)); }
  bool AsBoolean() const;
  void SetAsBoolean(bool v) { SetAsVariant(Variant(v)); }
  double AsDateTime() const;
  void SetAsDateTime(double v) { SetAsVariant(Variant::FromDate(v)); }

  // The text a control shows: 8-bit in the toolkit; the Unicode layer's fields give
  // the wide text without loss.
  virtual std::string DisplayText() const { return VarToStr(Value()); }
  virtual std::u16string WideDisplayText() const;

  // Raw access in the native buffer format (see the header comment). GetData answers
  // whether the field has a value and, when it has and `buffer` is given, writes it
  // there. SetData with a null buffer clears the value; it refuses read-only fields
  // ("Field '%s' cannot be modified") and data sets not in edit or insert state.
  bool GetData(void* buffer) const;
  void SetData(const void* buffer);

  TFieldNotifyEvent OnChange;

 protected:
  TField(TFieldType type, int size);
  virtual Variant GetAsVariant() const = 0;
  virtual void SetAsVariant(const Variant& v) = 0;
  virtual int DefaultDisplayWidth() const { return 10; }

 private:
  friend class TDataSet;

  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  TFieldType dataType_;
  int size_;
  int fieldNo_ = 0;
  int index_ = -1;
  bool required_ = false;
  bool readOnly_ = false;
  bool visible_ = true;
  int displayWidth_ = -1;
};

class TStringField : public TField {
 public:
  TStringField() : TStringField(ftString, 20) {}

 protected:
  TStringField(TFieldType type, int size) : TField(type, size) {}
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
  int DefaultDisplayWidth() const override { return Size(); }
};

class TFixedCharField : public TStringField {
 public:
  TFixedCharField() : TStringField(ftFixedChar, 20) {}
};

class TGuidField : public TStringField {
 public:
  TGuidField() : TStringField(ftGuid, 38) {}
};

class TWideStringField : public TStringField {
 public:
  TWideStringField() : TStringField(ftWideString, 20) {}

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
};

// Small integer, integer, word and auto-increment fields.
class TIntegerField : public TField {
 public:
  TIntegerField() : TIntegerField(ftInteger) {}

 protected:
  explicit TIntegerField(TFieldType type) : TField(type, 0) {}
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
  int DefaultDisplayWidth() const override;
};

class TSmallintField : public TIntegerField {
 public:
  TSmallintField() : TIntegerField(ftSmallint) {}
};

class TWordField : public TIntegerField {
 public:
  TWordField() : TIntegerField(ftWord) {}
};

class TAutoIncField : public TIntegerField {
 public:
  TAutoIncField() : TIntegerField(ftAutoInc) {}
};

class TLargeintField : public TField {
 public:
  TLargeintField() : TField(ftLargeint, 0) {}

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
  int DefaultDisplayWidth() const override { return 15; }
};

class TBooleanField : public TField {
 public:
  TBooleanField() : TField(ftBoolean, 0) {}

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
  int DefaultDisplayWidth() const override { return 5; }
};

// Float and currency fields (a currency field holds a double in this toolkit).
class TFloatField : public TField {
 public:
  TFloatField() : TFloatField(ftFloat) {}

 protected:
  explicit TFloatField(TFieldType type) : TField(type, 0) {}
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
};

class TCurrencyField : public TFloatField {
 public:
  TCurrencyField() : TFloatField(ftCurrency) {}
};

class TBCDField : public TField {
 public:
  TBCDField() : TField(ftBCD, 4) {}

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
};

class TDateTimeField : public TField {
 public:
  TDateTimeField() : TDateTimeField(ftDateTime) {}
  // A date field shows its date, a time field its time of day.
  std::string DisplayText() const override;

 protected:
  explicit TDateTimeField(TFieldType type) : TField(type, 0) {}
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
  int DefaultDisplayWidth() const override;
};

class TDateField : public TDateTimeField {
 public:
  TDateField() : TDateTimeField(ftDate) {}
};

class TTimeField : public TDateTimeField {
 public:
  TTimeField() : TDateTimeField(ftTime) {}
};

class TInterfaceField : public TField {
 public:
  TInterfaceField() : TInterfaceField(ftInterface) {}

 protected:
  explicit TInterfaceField(TFieldType type) : TField(type, 0) {}
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
};

class TIDispatchField : public TInterfaceField {
 public:
  TIDispatchField() : TInterfaceField(ftIDispatch) {}
};

class TVariantField : public TField {
 public:
  TVariantField() : TField(ftVariant, 0) {}

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& v) override;
};

// Makes a field object of a class; a data set answers one of these per field type.
using TFieldClass = std::unique_ptr<TField> (*)();
template <class F>
std::unique_ptr<TField> NewField() {
  return std::make_unique<F>();
}

// The toolkit's class for a field type; null for types it has no class for.
TFieldClass DefaultFieldClass(TFieldType type);

// The fields of a data set in list order.
class TFields {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TField* operator[](int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  TField* Find(std::string_view name) const;  // ignoring case; null when absent

 private:
  friend class TDataSet;
  std::vector<std::unique_ptr<TField>> items_;
};
