// Any bytes as a string-table block (the first two bytes choose the block number): the
// decoder either refuses them or its result encodes to a block that decodes the same.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "Rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int block = (data[0] | (data[1] << 8)) % 4097;  // 0 is out of range on purpose
  TKivStringList decoded;
  try {
    DecodeStringTableBlock(block, data + 2, size - 2, decoded);
  } catch (const EKivInternalError&) {
    return 0;
  }
  int number = 0;
  std::vector<std::uint8_t> bytes = EncodeStringTableBlock(decoded, number);
  if (decoded.Count() == 0) {
    FUZZ_CHECK(bytes.empty() && number == 0);
    return 0;
  }
  FUZZ_CHECK(number == block);
  TKivStringList again;
  DecodeStringTableBlock(number, bytes.data(), bytes.size(), again);
  FUZZ_CHECK(again.Count() == decoded.Count());
  for (int i = 0; i < decoded.Count(); ++i) {
    FUZZ_CHECK(again.Get(i) == decoded.Get(i));
    FUZZ_CHECK(StringIdOf(again, i) == StringIdOf(decoded, i));
  }
  return 0;
}
