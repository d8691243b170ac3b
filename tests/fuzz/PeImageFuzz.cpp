// Any bytes: the PE reader either refuses them with EReadError or reads sections,
// imports and the file version without touching memory outside the input; its header
// reader that raises nothing refuses exactly the headers the reader refuses.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PeHeaders headers;
  const char* headerError = ReadPeHeaders(data, size, headers);
  try {
    PeImage image(std::vector<std::uint8_t>(data, data + size));
    for (const PeSection& s : image.Sections()) {
      try {
        FUZZ_CHECK(image.SectionData(s).size() == s.rawSize);
      } catch (const EReadError&) {
      }
    }
    try {
      for (const PeImport& i : image.Imports()) {
        FUZZ_CHECK(i.ByOrdinal() || i.function.find('\0') == std::string::npos);
      }
    } catch (const EReadError&) {
    }
    (void)image.FileVersion();
    FUZZ_CHECK(headerError == nullptr);
  } catch (const EReadError&) {
    FUZZ_CHECK(headerError != nullptr);
  }
  return 0;
}
