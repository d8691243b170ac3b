#include "KivTrx/KivTrxForms.h"

#include "Gui/Reader.h"
#include "Gui/Writer.h"
#include "Rtl/CodePage.h"
#include "Rtl/WideText.h"

const TClassInfo TKivTrxStringList::kClassInfo{
    "TKivTrxStringList", &TKivStrings::kClassInfo, nullptr, {}, {}, {}};
const TClassInfo TKivTrxTranslatableProps::kClassInfo{
    "TKivTrxTranslatableProps", &TKivTrxStringList::kClassInfo, nullptr, {}, {}, {}};
const TClassInfo TKivTrxInlineClasses::kClassInfo{
    "TKivTrxInlineClasses", &TKivTrxStringList::kClassInfo, nullptr, {}, {}, {}};

TKivTrxStringList::TKivTrxStringList() {
  SetSorted(true);
  SetDuplicates(TDuplicates::dupIgnore);
}

void TKivTrxStringList::SetStrings(const TKivStringList& source) {
  BeginUpdate();
  try {
    Clear();
    for (int i = 0; i < source.Count(); ++i) Add(source.Get(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKivTrxStringList::RenameComponent(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) return;
  std::u16string oldWide = AnsiToWide(oldName);
  std::u16string newWide = AnsiToWide(newName);
  TKivStringList copy;
  copy.Assign(*this);
  for (int i = copy.Count() - 1; i >= 0; --i) {
    const std::u16string& entry = copy.Get(i);
    std::size_t dot = entry.rfind(u'.');
    std::u16string objectPath = dot == std::u16string::npos ? u"" : entry.substr(0, dot);
    std::u16string property = dot == std::u16string::npos ? entry : entry.substr(dot + 1);
    if (WideSameText(objectPath, oldWide)) copy.Put(i, newWide + u"." + property);
  }
  SetStrings(copy);
}

void TKivTrxStringList::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "WideStrings", [this](TReader& r) { ReadWideStrings(r); },
      [this](TWriter& w) { WriteWideStrings(w); }, HasWideStrings(filer));
}

void TKivTrxStringList::ReadWideStrings(TReader& reader) {
  reader.ReadListBegin();
  BeginUpdate();
  try {
    Clear();
    // Older writers stored the strings as 8-bit text; the reader takes every kind.
    while (!reader.EndOfList()) Add(reader.ReadString());
    reader.ReadListEnd();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKivTrxStringList::WriteWideStrings(TWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < Count(); ++i) writer.WriteWideString(Get(i));
  writer.WriteListEnd();
}

bool TKivTrxStringList::HasWideStrings(const TFiler& filer) const {
  if (Count() > 0) return true;
  auto* ancestor = dynamic_cast<const TKivStringList*>(filer.Ancestor());
  return ancestor && ancestor->Count() != Count();
}
