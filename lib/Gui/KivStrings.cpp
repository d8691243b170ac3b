#include "Gui/KivStrings.h"

#include "Gui/Reader.h"
#include "Gui/Writer.h"

const TClassInfo TKivStrings::kClassInfo{
    "TKivStrings", &TPersistent::kClassInfo, nullptr, {}, {}, {}};

void TKivStrings::DefineProperties(TFiler& filer) {
  bool hasData = Count() > 0;
  if (auto* ancestor = dynamic_cast<TKivStringList*>(filer.Ancestor())) {
    hasData = !SameStrings(*ancestor);
  }
  filer.DefineProperty(
      "Strings", [this](TReader& r) { ReadStrings(r); }, [this](TWriter& w) { WriteStrings(w); },
      hasData);
}

void TKivStrings::ReadStrings(TReader& reader) {
  reader.ReadListBegin();
  BeginUpdate();
  try {
    Clear();
    while (!reader.EndOfList()) Add(reader.ReadString());
    reader.ReadListEnd();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKivStrings::WriteStrings(TWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < Count(); ++i) writer.WriteString(Get(i));
  writer.WriteListEnd();
}

bool TKivStrings::SameStrings(const TKivStringList& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    if (Get(i) != other.Get(i)) return false;
  }
  return true;
}
