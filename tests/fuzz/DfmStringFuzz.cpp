// Strings in form syntax: reading any text either works or raises a clear error, every
// wide string written with WideToDfmString reads back unchanged, and any bytes written
// as 8-bit text read back as the same bytes. Shortcut texts read back as the value they
// came from.
#include <cstdint>
#include <string>
#include <string_view>

#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "FormFiles/ShortCut.h"
#include "FuzzCheck.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
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

  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string eightBit;
  AppendFormBytes(eightBit, bytes, 4, true);
  TParser p(eightBit, false);
  TFormString read = p.TokenString();
  for (p.NextToken(); p.IsSymbol('+'); p.NextToken()) {
    p.NextToken();
    read.Append(p.TokenString());
  }
  FUZZ_CHECK(p.Kind() == TTokenKind::EndOfText);
  FUZZ_CHECK(read.IsEightBit() && read.bytes == bytes);

  if (size >= 2) {
    TShortCut sc = static_cast<TShortCut>(data[0] | (data[1] << 8));
    FUZZ_CHECK(TextToShortCut(ShortCutToText(sc)) == sc);
  }
  return 0;
}
