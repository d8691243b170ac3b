// Any bytes as a module file: looking for a section never raises, and reading one either
// gives at most the file's bytes as text or the size error, nothing else.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "KivTrx/KivTrxPeUtils.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  for (const char* name : {"KIV.DRC", ".rsrc", ".text", "KIVDEBUG"}) {
    bool has = HasPeSection(bytes, name);
    try {
      std::u16string text = ReadPeSectionText(bytes, name);
      FUZZ_CHECK(has || text.empty());
      FUZZ_CHECK(text.size() * 2 <= size);
    } catch (const EKivInternalError&) {
      FUZZ_CHECK(has);
    }
  }
  return 0;
}
