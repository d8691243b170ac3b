#include "Db/Fields.h"

#include <cmath>

#include "Db/DataSet.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

// ---- Field definitions ----

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
  if (IndexOf(name) >= 0) throw EDatabaseError(Format(DbMessages::kDuplicateFieldName, name));
  items_.push_back(TFieldDef{std::move(name), type, size, required});
  return items_.back();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (SameText(items_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

TField* TFields::Find(std::string_view name) const {
  for (const auto& f : items_) {
    if (SameText(f->FieldName(), name)) return f.get();
  }
  return nullptr;
}

// ---- TField ----

TField::TField(TFieldType type, int size) : dataType_(type), size_(size) {}

bool TField::GetData(void* buffer) const {
  if (!dataSet_) throw EDatabaseError(Format(DbMessages::kFieldNoDataSet, fieldName_));
  return dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  if (!dataSet_) throw EDatabaseError(Format(DbMessages::kFieldNoDataSet, fieldName_));
  if (readOnly_) throw EDatabaseError(Format(DbMessages::kFieldReadOnly, DisplayName()));
  TDataSetState s = dataSet_->State();
  if (s != dsEdit && s != dsInsert) throw EDatabaseError(DbMessages::kNotEditing);
  dataSet_->SetFieldData(this, buffer);
}

std::string TField::AsString() const { return VarToStr(Value()); }

std::u16string TField::AsWideString() const { return VarToWideStr(Value()); }

std::int32_t TField::AsInteger() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.AsInteger();
}

std::int64_t TField::AsLargeInt() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.AsInt64();
}

double TField::AsFloat() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.AsDouble();
}

bool TField::AsBoolean() const {
  Variant v = Value();
  return v.IsNull() ? false : v.AsBoolean();
}

double TField::AsDateTime() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.AsDateTime();
}

// The toolkit's display path is 8-bit: text outside the code page is lost here.
std::u16string TField::WideDisplayText() const { return AnsiToWide(DisplayText()); }

// ---- Typed fields ----
//
// Each reads its native buffer and makes a variant of the matching type, and writes
// a variant converted to the native type; Null and empty clear the field.

namespace {

template <typename Native>
bool ReadNative(const TField& f, Native& out) {
  return f.GetData(&out);
}

}  // namespace

Variant TStringField::GetAsVariant() const {
  std::string s;
  return ReadNative(*this, s) ? Variant(s) : Variant::Null();
}

void TStringField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  std::string s = v.AsAnsiString();
  SetData(&s);
}

Variant TWideStringField::GetAsVariant() const {
  std::u16string s;
  return ReadNative(*this, s) ? Variant(s) : Variant::Null();
}

void TWideStringField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  std::u16string s = v.AsWideString();
  SetData(&s);
}

Variant TIntegerField::GetAsVariant() const {
  switch (DataType()) {
    case ftSmallint: {
      std::int16_t n = 0;
      return ReadNative(*this, n) ? Variant(n) : Variant::Null();
    }
    case ftWord: {
      std::uint16_t n = 0;
      return ReadNative(*this, n) ? Variant(n) : Variant::Null();
    }
    default: {
      std::int32_t n = 0;
      return ReadNative(*this, n) ? Variant(n) : Variant::Null();
    }
  }
}

void TIntegerField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  switch (DataType()) {
    case ftSmallint: {
      std::int16_t n = v.AsSmallint();
      return SetData(&n);
    }
    case ftWord: {
      std::uint16_t n = v.AsWord();
      return SetData(&n);
    }
    default: {
      std::int32_t n = v.AsInteger();
      return SetData(&n);
    }
  }
}

int TIntegerField::DefaultDisplayWidth() const {
  if (DataType() == ftSmallint) return 6;
  if (DataType() == ftWord) return 5;
  return 11;
}

Variant TLargeintField::GetAsVariant() const {
  std::int64_t n = 0;
  return ReadNative(*this, n) ? Variant(n) : Variant::Null();
}

void TLargeintField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  std::int64_t n = v.AsInt64();
  SetData(&n);
}

Variant TBooleanField::GetAsVariant() const {
  std::uint16_t n = 0;
  return ReadNative(*this, n) ? Variant(n != 0) : Variant::Null();
}

void TBooleanField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  std::uint16_t n = v.AsBoolean() ? 1 : 0;
  SetData(&n);
}

Variant TFloatField::GetAsVariant() const {
  double d = 0;
  return ReadNative(*this, d) ? Variant(d) : Variant::Null();
}

void TFloatField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  double d = v.AsDouble();
  SetData(&d);
}

Variant TBCDField::GetAsVariant() const {
  Currency c;
  return ReadNative(*this, c) ? Variant(c) : Variant::Null();
}

void TBCDField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  Currency c = v.AsCurrency();
  SetData(&c);
}

Variant TDateTimeField::GetAsVariant() const {
  double d = 0;
  return ReadNative(*this, d) ? Variant::FromDate(d) : Variant::Null();
}

void TDateTimeField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  double d = v.AsDateTime();
  SetData(&d);
}

std::string TDateTimeField::DisplayText() const {
  Variant v = Value();
  if (v.IsNull()) return "";
  double d = v.AsDateTime();
  if (DataType() == ftDate) d = std::trunc(d);
  if (DataType() == ftTime) d = std::fabs(d - std::trunc(d));
  return Variant::FromDate(d).AsAnsiString();
}

int TDateTimeField::DefaultDisplayWidth() const {
  if (DataType() == ftDate) return 10;
  if (DataType() == ftTime) return 8;
  return 19;
}

Variant TInterfaceField::GetAsVariant() const {
  TInterfaceRef r;
  return ReadNative(*this, r) ? Variant(r, DataType() == ftIDispatch) : Variant::Null();
}

void TInterfaceField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  TInterfaceRef r = v.AsInterface();
  SetData(&r);
}

Variant TVariantField::GetAsVariant() const {
  Variant v;
  return ReadNative(*this, v) ? v : Variant::Null();
}

void TVariantField::SetAsVariant(const Variant& v) {
  if (v.IsEmptyOrNull()) return Clear();
  SetData(&v);
}

TFieldClass DefaultFieldClass(TFieldType type) {
  switch (type) {
    case ftString:
      return &NewField<TStringField>;
    case ftFixedChar:
      return &NewField<TFixedCharField>;
    case ftGuid:
      return &NewField<TGuidField>;
    case ftWideString:
      return &NewField<TWideStringField>;
    case ftSmallint:
      return &NewField<TSmallintField>;
    case ftInteger:
      return &NewField<TIntegerField>;
    case ftWord:
      return &NewField<TWordField>;
    case ftAutoInc:
      return &NewField<TAutoIncField>;
    case ftLargeint:
      return &NewField<TLargeintField>;
    case ftBoolean:
      return &NewField<TBooleanField>;
    case ftFloat:
      return &NewField<TFloatField>;
    case ftCurrency:
      return &NewField<TCurrencyField>;
    case ftBCD:
      return &NewField<TBCDField>;
    case ftDate:
      return &NewField<TDateField>;
    case ftTime:
      return &NewField<TTimeField>;
    case ftDateTime:
      return &NewField<TDateTimeField>;
    case ftInterface:
      return &NewField<TInterfaceField>;
    case ftIDispatch:
      return &NewField<TIDispatchField>;
    case ftVariant:
      return &NewField<TVariantField>;
    default:
      return nullptr;
  }
}
