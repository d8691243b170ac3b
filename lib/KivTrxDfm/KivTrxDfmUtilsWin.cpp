#include "KivTrxDfm/KivTrxDfmUtils.h"

#include "Win/ResourceStream.h"

void TDfmForm::LoadFromResource(HMODULE module, const std::u16string& resName,
                                TDfmPropertyList* flatList) {
  // RT_RCDATA by number: the resource stream takes integer types as WORD.
  TKivResourceStream stream(module, resName, static_cast<WORD>(10));
  LoadFromBinary(stream.Memory(), static_cast<std::size_t>(stream.Size()), flatList);
}
