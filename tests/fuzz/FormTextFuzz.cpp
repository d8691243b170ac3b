// Any text: the text-to-binary conversion either refuses it with a parser error or
// produces canonical binary that converts to text and back to the same bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FuzzCheck.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> binary;
  try {
    binary = FormTextToBinary(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EParserError&) {
    return 0;
  }
  std::string text = FormBinaryToText(binary);
  FUZZ_CHECK(FormTextToBinary(text) == binary);
  return 0;
}
