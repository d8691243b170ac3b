#include "Win/ResourceStream.h"

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

TKivResourceStream::TKivResourceStream(HMODULE module, const std::u16string& name,
                                       const std::u16string& type)
    : TReadOnlyMemoryStream(nullptr, 0) {
  Load(module, Platform::FindResource(module, name, type), name);
}

TKivResourceStream::TKivResourceStream(HMODULE module, const std::u16string& name, WORD type)
    : TReadOnlyMemoryStream(nullptr, 0) {
  Load(module, Platform::FindResource(module, name, type), name);
}

void TKivResourceStream::Load(HMODULE module, HRSRC info, const std::u16string& name) {
  if (!info) throw EResNotFound(Format(RtlMessages::kResNotFound, name));
  // A loaded resource lives as long as its module; there is nothing to free.
  HGLOBAL data = LoadResource(module, info);
  if (!data) throw EResNotFound(Format(RtlMessages::kResNotFound, name));
  SetMemory(LockResource(data), SizeofResource(module, info));
}
