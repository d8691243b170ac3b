#include "KivTrx/KivTrxResourceUtils.h"

#include <cstdint>

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

namespace {

constexpr int kBlockSlots = 16;
constexpr std::uint16_t kStringTableType = 6;  // RT_STRING
// Integer resource names are 16-bit, so blocks run from 1 to 65536 / 16.
constexpr int kLastBlock = 0x10000 / kBlockSlots;

void* IdToObject(int id) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(id)); }

int FirstIdOf(int blockNumber) { return (blockNumber - 1) * kBlockSlots; }

void CheckBlockNumber(int blockNumber) {
  if (blockNumber < 1 || blockNumber > kLastBlock) {
    throw EKivInternalError(
        Format("Internal Error: String table block %d is out of range.", blockNumber));
  }
}

// Hands each of a block's sixteen entries to `visit` (slot, characters, count); false
// when the data ends inside an entry. Bytes after the last entry are not looked at.
template <typename Visit>
bool WalkStringTableBlock(const std::uint8_t* data, std::size_t size, Visit visit) {
  std::size_t pos = 0;
  for (int slot = 0; slot < kBlockSlots; ++slot) {
    if (size - pos < 2) return false;
    const std::size_t count = data[pos] | (data[pos + 1] << 8);
    pos += 2;
    if ((size - pos) / 2 < count) return false;
    visit(slot, data + pos, count);
    pos += 2 * count;
  }
  return true;
}

}  // namespace

int StringTableBlock(int id) { return id / kBlockSlots + 1; }

int StringIdOf(const TKivStringList& block, int index) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(block.Objects(index)));
}

void DecodeStringTableBlock(int blockNumber, const std::uint8_t* data, std::size_t size,
                            TKivStringList& out) {
  CheckBlockNumber(blockNumber);
  out.Clear();
  const bool whole =
      WalkStringTableBlock(data, size, [&](int slot, const std::uint8_t* chars, std::size_t count) {
        if (count == 0) return;
        std::u16string text(count, u'\0');
        for (std::size_t i = 0; i < count; ++i) {
          text[i] = static_cast<char16_t>(chars[2 * i] | (chars[2 * i + 1] << 8));
        }
        out.AddObject(text, IdToObject(FirstIdOf(blockNumber) + slot));
      });
  if (!whole) {
    throw EKivInternalError(
        Format("Internal Error: String table block %d is cut short.", blockNumber));
  }
}

void CheckModuleResources(const std::uint8_t* data, std::size_t size, PeLayout layout) {
  PeImage image(data, size, layout);
  for (const PeResource& res : image.Resources()) {
    if (res.type.named || res.type.id != kStringTableType || res.name.named) continue;
    // The system's string lookup walks a block's entries without looking at its size.
    if (!WalkStringTableBlock(data + res.offset, res.size,
                              [](int, const std::uint8_t*, std::size_t) {})) {
      throw EReadError(Format("string table block %d is cut short", res.name.id));
    }
  }
}

std::vector<std::uint8_t> EncodeStringTableBlock(const TKivStringList& block, int& blockNumber) {
  blockNumber = 0;
  if (block.Count() == 0) return {};
  const int number = StringTableBlock(StringIdOf(block, 0));
  CheckBlockNumber(number);
  // A string whose id lies outside the block, or two for one slot, would silently lose
  // one of them in the written table.
  std::u16string slots[kBlockSlots];
  bool filled[kBlockSlots] = {};
  for (int i = 0; i < block.Count(); ++i) {
    const int id = StringIdOf(block, i);
    const int slot = id - FirstIdOf(number);
    if (slot < 0 || slot >= kBlockSlots || filled[slot]) {
      throw EKivInternalError(
          Format("Internal Error: String %d does not fit string table block %d.", id, number));
    }
    if (block.Get(i).size() > 0xFFFF) {
      throw EKivInternalError(Format("Internal Error: String %d is too long.", id));
    }
    slots[slot] = block.Get(i);
    filled[slot] = true;
  }
  std::vector<std::uint8_t> bytes;
  for (const std::u16string& text : slots) {
    bytes.push_back(static_cast<std::uint8_t>(text.size() & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(text.size() >> 8));
    for (char16_t c : text) {
      bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  blockNumber = number;
  return bytes;
}

void SetStringTableString(TStringTableBlocks& blocks, int id, const std::u16string& text) {
  const int number = StringTableBlock(id);
  for (const auto& block : blocks) {
    if (block->Count() == 0 || StringTableBlock(StringIdOf(*block, 0)) != number) continue;
    const int index = block->IndexOfObject(IdToObject(id));
    if (index >= 0) block->Put(index, text);
    return;
  }
}
