// Any bytes: the binary reader either refuses them with an exception or accepts a form
// whose text converts back to canonical binary, whose canonical binary gives the same
// text again (as a bare stream and as a binary form file), and which the DFM text model
// renders back unchanged.
#include <cstdint>
#include <string>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FuzzCheck.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text;
  try {
    text = FormBinaryToText(data, size);
  } catch (const EReadError&) {
    return 0;
  }
  std::vector<std::uint8_t> binary = FormTextToBinary(text);
  FUZZ_CHECK(FormBinaryToText(binary) == text);
  FUZZ_CHECK(FormTextToBinary(text) == binary);
  std::vector<std::uint8_t> file = AddFormResourceHeader(binary);
  FUZZ_CHECK(FormBinaryToText(file) == text);

  TDfmForm form;
  TDfmPropertyList properties;
  try {
    form.LoadFromBinary(binary.data(), binary.size(), &properties);
  } catch (const EParserError&) {
    // Only the form's own string lists are read with the parser; they may hold any
    // value the format allows.
    FUZZ_CHECK(properties.empty());
  }
  return 0;
}
