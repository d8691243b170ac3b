// Any bytes: the PE reader and the image-header reader either refuse them with
// EReadError or read sections, imports, the image base and the file version without
// touching memory outside the input.
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
    if (headers) FUZZ_CHECK(image.ImageBase() == layout.imageBase);
  } catch (const EReadError&) {
  }
  return 0;
}
