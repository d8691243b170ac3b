// Any text: the text-to-binary conversion either refuses it with a parser error or
// produces binary that holds every string of the text with the same content (8-bit
// text with the same bytes) and that is canonical: it converts to text and back to the
// same bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormCompare.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FuzzCheck.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> binary;
  try {
    binary = FormTextToBinary(input);
  } catch (const EParserError&) {
    return 0;
  }
  FUZZ_CHECK(
      FirstStringChange(FormTextStrings(input), FormBinaryStrings(binary.data(), binary.size())) ==
      std::string::npos);
  std::string text = FormBinaryToText(binary);
  FUZZ_CHECK(FormTextToBinary(text) == binary);
  return 0;
}
