#include "Debug/ModuleList.h"

#include <cstring>

namespace {
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

bool ReadImageHeaders(const std::uint8_t* h, std::size_t size, TImageLayout& layout) {
  if (size < 64 || h[0] != 'M' || h[1] != 'Z') return false;
  std::size_t pe = U32(h + 0x3C);
  if (pe > size || size - pe < 24 || U32(h + pe) != 0x00004550) return false;
  std::size_t file = pe + 4;
  std::size_t sectionCount = U16(h + file + 2);
  std::size_t optionalSize = U16(h + file + 16);
  std::size_t optional = file + 20;
  if (optionalSize < 64 || optional + optionalSize > size) return false;
  std::uint16_t magic = U16(h + optional);
  if (magic == 0x10B) {
    layout.imageBase = U32(h + optional + 28);
  } else if (magic == 0x20B) {
    layout.imageBase =
        U32(h + optional + 24) | (static_cast<std::uint64_t>(U32(h + optional + 28)) << 32);
  } else {
    return false;
  }
  layout.sizeOfImage = U32(h + optional + 56);
  layout.timeDateStamp = U32(h + file + 4);
  std::size_t table = optional + optionalSize;
  if (table > size || sectionCount > (size - table) / 40) return false;
  layout.sections.clear();
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::uint8_t* s = h + table + i * 40;
    TImageSection sec;
    std::memcpy(sec.name, s, 8);
    sec.virtualSize = U32(s + 8);
    sec.virtualAddress = U32(s + 12);
    sec.characteristics = U32(s + 36);
    layout.sections.push_back(sec);
  }
  return true;
}
