// Strings in form syntax: reading any text either works or raises a clear error, and
// every wide string written with WideToDfmString reads back unchanged. Shortcut texts
// read back as the value they came from.
#include <cstdint>
#include <string>
#include <string_view>

#include "FormFiles/FormText.h"
#include "FormFiles/ShortCut.h"
#include "FuzzCheck.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    DfmStringToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
  }

  std::u16string wide(size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  std::string encoded = WideToDfmString(wide);
  FUZZ_CHECK(DfmStringToWide(encoded) == wide);
  std::string indented;
  AppendFormString(indented, wide, 6, false);
  FUZZ_CHECK(DfmStringToWide(indented) == wide);

  if (size >= 2) {
    TShortCut sc = static_cast<TShortCut>(data[0] | (data[1] << 8));
    FUZZ_CHECK(TextToShortCut(ShortCutToText(sc)) == sc);
  }
  return 0;
}
