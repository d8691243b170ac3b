// Any bytes as a module, laid out as its file or as the loader maps it: the check that
// comes before the system's resource calls either refuses them with EReadError or
// passes them, and then every resource listed lies within the bytes and every string
// table among them decodes whole.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"

namespace {

void CheckLayout(const std::uint8_t* data, std::size_t size, PeLayout layout) {
  try {
    CheckModuleResources(data, size, layout);
  } catch (const EReadError&) {
    return;
  }
  for (const PeResource& r : PeImage(data, size, layout).Resources()) {
    FUZZ_CHECK(r.offset <= size && r.size <= size - r.offset);
    if (r.type.named || r.type.id != 6 || r.name.named) continue;
    if (r.name.id == 0 || r.name.id > 4096) continue;  // no block the system asks for
    TKivStringList block;
    DecodeStringTableBlock(r.name.id, data + r.offset, r.size, block);  // must not raise
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckLayout(data, size, PeLayout::File);
  CheckLayout(data, size, PeLayout::Mapped);
  return 0;
}
