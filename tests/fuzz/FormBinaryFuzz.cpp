// Any bytes: the binary reader either refuses them with an exception or accepts a form
// whose text holds every string with the same content (8-bit strings with the same
// bytes) and converts back to binary of the same content, which is canonical: it gives
// the same text again (as a bare stream and as a binary form file). The DFM text model
// renders it back unchanged, and giving its translatable values their own text back
// changes nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormCompare.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FuzzCheck.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text;
  try {
    text = FormBinaryToText(data, size);
  } catch (const EReadError&) {
    return 0;
  }
  FUZZ_CHECK(FirstStringChange(FormBinaryStrings(data, size), FormTextStrings(text)) ==
             std::string::npos);
  std::vector<std::uint8_t> binary = FormTextToBinary(text);
  FUZZ_CHECK(CompareBinaryForms(data, size, binary.data(), binary.size()).sameContent);
  FUZZ_CHECK(FormBinaryToText(binary) == text);
  FUZZ_CHECK(FormTextToBinary(text) == binary);
  std::vector<std::uint8_t> file = AddFormResourceHeader(binary);
  FUZZ_CHECK(FormBinaryToText(file) == text);

  InitializeKivTrxDfmUtils();
  TDfmForm form;
  TDfmPropertyList properties;
  try {
    form.LoadFromBinary(binary.data(), binary.size(), &properties);
  } catch (const EParserError&) {
    // Only the form's own string lists are read with the parser; they may hold any
    // value the format allows.
    FUZZ_CHECK(properties.empty());
    return 0;
  }
  for (TDfmProperty* p : properties) {
    if (!FindPropertyConverter(p->Name)) continue;
    std::string before = p->Value;
    try {
      WideToPropertyValue(*p, PropertyValueToWide(*p));
    } catch (const Exception&) {
    }
    FUZZ_CHECK(p->Value == before);
  }
  FUZZ_CHECK(form.AsText() == text);
  return 0;
}
