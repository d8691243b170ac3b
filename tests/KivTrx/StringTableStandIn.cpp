// Stand-in for the portable string-table helpers of KivTrxResourceUtils, used by the
// translation table's host tests while the resource writer is built elsewhere. The
// test build takes it only when lib/KivTrx has no KivTrxResourceUtils.cpp.
#include <cstdint>

#include "KivTrx/KivTrxResourceUtils.h"
#include "Rtl/Exceptions.h"

int StringTableBlock(int id) { return id / 16 + 1; }

int StringIdOf(const TKivStringList& block, int index) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(block.Objects(index)));
}

void DecodeStringTableBlock(int blockNumber, const std::uint8_t* data, std::size_t size,
                            TKivStringList& out) {
  out.Clear();
  std::size_t at = 0;
  for (int slot = 0; slot < 16; ++slot) {
    if (at + 2 > size) throw EKivInternalError("Internal Error: string table block cut short.");
    std::size_t count = data[at] | (data[at + 1] << 8);
    at += 2;
    if (at + count * 2 > size)
      throw EKivInternalError("Internal Error: string table block cut short.");
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i, at += 2) {
      text += static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    }
    if (text.empty()) continue;
    auto id = static_cast<std::intptr_t>((blockNumber - 1) * 16 + slot);
    out.AddObject(text, reinterpret_cast<void*>(id));
  }
}

void SetStringTableString(TStringTableBlocks& blocks, int id, const std::u16string& text) {
  for (auto& block : blocks) {
    if (block->Count() == 0 || StringTableBlock(StringIdOf(*block, 0)) != StringTableBlock(id)) {
      continue;
    }
    for (int i = 0; i < block->Count(); ++i) {
      if (StringIdOf(*block, i) == id) block->Put(i, text);
    }
    return;
  }
}
