#include "DataSets/KivFields.h"

#include "Rtl/CodePage.h"

namespace {

// Date text is ASCII, so widening it is exact.
std::u16string WideDateText(const TField& field) { return AnsiToWide(field.DisplayText()); }

}  // namespace

std::u16string TKivStringField::WideDisplayText() const { return AnsiToWide(AsString()); }

std::string TKivWideStringField::DisplayText() const { return WideToAnsi(AsWideString()); }

std::u16string TKivWideStringField::WideDisplayText() const { return AsWideString(); }

std::u16string TKivDateTimeField::WideDisplayText() const { return WideDateText(*this); }
std::u16string TKivDateField::WideDisplayText() const { return WideDateText(*this); }
std::u16string TKivTimeField::WideDisplayText() const { return WideDateText(*this); }
