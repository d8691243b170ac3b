// Any bytes: the PE reader either refuses them with EReadError or reads sections,
// imports and the file version without touching memory outside the input; its header
// reader that raises nothing refuses exactly the headers the reader refuses.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PeHeaders headers;
  const char* headerError = ReadPeHeaders(data, size, headers);
  std::optional<PeImage> image;
  try {
    image.emplace(std::vector<std::uint8_t>(data, data + size));
  } catch (const EReadError&) {
    FUZZ_CHECK(headerError != nullptr);
    return 0;
  }
  FUZZ_CHECK(headerError == nullptr);
  // Past the headers, a damaged part is refused on its own.
  for (const PeSection& s : image->Sections()) {
    try {
      FUZZ_CHECK(image->SectionData(s).size() == s.rawSize);
    } catch (const EReadError&) {
    }
  }
  try {
    for (const PeImport& i : image->Imports()) {
      FUZZ_CHECK(i.ByOrdinal() || i.function.find('\0') == std::string::npos);
    }
  } catch (const EReadError&) {
  }
  try {
    (void)image->FileVersion();
  } catch (const EReadError&) {
  }
  return 0;
}
