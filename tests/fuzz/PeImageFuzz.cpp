// The PE reader and the image-header reader on damaged images: EReadError or an
// answer, never a read outside the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Debug/ModuleList.h"
#include "FuzzCheck.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TImageLayout layout;
  bool headers = ReadImageHeaders(data, size, layout);
  try {
    PeImage image(std::vector<std::uint8_t>(data, data + size));
    for (const PeSection& s : image.Sections()) {
      try {
        std::vector<std::uint8_t> bytes = image.SectionData(s);
        FUZZ_CHECK(bytes.size() == s.rawSize);
      } catch (const EReadError&) {
      }
    }
    (void)image.FileVersion();
    if (headers) FUZZ_CHECK(image.ImageBase() == layout.imageBase);
  } catch (const EReadError&) {
  }
  return 0;
}
