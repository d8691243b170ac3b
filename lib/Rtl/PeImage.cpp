#include "Rtl/PeImage.h"

#include <algorithm>

#include "Rtl/Exceptions.h"

namespace {
constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

[[noreturn]] void Invalid(const std::string& why) { throw EReadError("Invalid PE image: " + why); }
}  // namespace

void PeImage::Need(std::size_t offset, std::size_t size, const char* what) const {
  if (offset > bytes_.size() || size > bytes_.size() - offset) Invalid(what);
}

std::uint16_t PeImage::U16(std::size_t o) const {
  Need(o, 2, "truncated");
  return static_cast<std::uint16_t>(bytes_[o] | (bytes_[o + 1] << 8));
}

std::uint32_t PeImage::U32(std::size_t o) const {
  Need(o, 4, "truncated");
  return bytes_[o] | (bytes_[o + 1] << 8) | (bytes_[o + 2] << 16) |
         (static_cast<std::uint32_t>(bytes_[o + 3]) << 24);
}

PeImage::PeImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 64 || bytes_[0] != 'M' || bytes_[1] != 'Z') Invalid("no MZ header");
  std::uint32_t pe = U32(0x3C);
  if (U32(pe) != 0x00004550) Invalid("no PE signature");
  std::size_t fileHeader = static_cast<std::size_t>(pe) + 4;
  std::uint16_t sectionCount = U16(fileHeader + 2);
  std::uint16_t optionalSize = U16(fileHeader + 16);
  std::size_t optional = fileHeader + 20;
  std::uint16_t magic = U16(optional);
  if (magic != 0x10B && magic != 0x20B) Invalid("unknown optional header");
  is64_ = magic == 0x20B;
  imageBase_ = is64_ ? U32(optional + 24) | (static_cast<std::uint64_t>(U32(optional + 28)) << 32)
                     : U32(optional + 28);
  std::size_t directories = optional + (is64_ ? 112 : 96);
  std::uint32_t directoryCount = U32(directories - 4);
  if (directoryCount > 2 && directories + 24 <= optional + optionalSize) {
    resourceRva_ = U32(directories + 16);
    resourceSize_ = U32(directories + 20);
  }
  std::size_t table = optional + optionalSize;
  Need(table, static_cast<std::size_t>(sectionCount) * 40, "truncated section table");
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    std::size_t s = table + static_cast<std::size_t>(i) * 40;
    PeSection sec;
    sec.headerOffset = static_cast<std::uint32_t>(s);
    for (int k = 0; k < 8 && bytes_[s + k] != 0; ++k) sec.name += static_cast<char>(bytes_[s + k]);
    sec.virtualSize = U32(s + 8);
    sec.virtualAddress = U32(s + 12);
    sec.rawSize = U32(s + 16);
    sec.rawOffset = U32(s + 20);
    sections_.push_back(sec);
  }
}

const PeSection* PeImage::FindSection(const std::string& name) const {
  for (const PeSection& s : sections_) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

std::vector<std::uint8_t> PeImage::SectionData(const PeSection& section) const {
  Need(section.rawOffset, section.rawSize, "section outside the file");
  return std::vector<std::uint8_t>(bytes_.begin() + section.rawOffset,
                                   bytes_.begin() + section.rawOffset + section.rawSize);
}

std::uint32_t PeImage::RvaToOffset(std::uint32_t rva, std::uint32_t size) const {
  for (const PeSection& s : sections_) {
    std::uint64_t start = s.virtualAddress;
    std::uint64_t end = start + std::max(s.virtualSize, s.rawSize);
    if (rva >= start && static_cast<std::uint64_t>(rva) + size <= end) {
      std::uint64_t offset = static_cast<std::uint64_t>(s.rawOffset) + (rva - start);
      Need(static_cast<std::size_t>(offset), size, "data outside the file");
      return static_cast<std::uint32_t>(offset);
    }
  }
  Invalid("address outside every section");
}

std::optional<std::uint64_t> PeImage::FileVersion() const {
  if (resourceRva_ == 0 || resourceSize_ == 0) return std::nullopt;
  std::uint32_t root = RvaToOffset(resourceRva_, 16);
  // Walks one directory level: the entry with `id`, or the first one when id is 0.
  auto find = [&](std::uint32_t dir, std::uint32_t id,
                  bool& isDir) -> std::optional<std::uint32_t> {
    std::uint32_t count = static_cast<std::uint32_t>(U16(dir + 12)) + U16(dir + 14);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::size_t entry = dir + 16 + static_cast<std::size_t>(i) * 8;
      std::uint32_t name = U32(entry);
      std::uint32_t target = U32(entry + 4);
      if (id != 0 && name != id) continue;
      isDir = (target & 0x80000000u) != 0;
      std::uint32_t offset = target & 0x7FFFFFFFu;
      if (offset >= resourceSize_) Invalid("resource entry outside the resource directory");
      return root + offset;
    }
    return std::nullopt;
  };
  bool isDir = false;
  auto types = find(root, kVersionType, isDir);
  if (!types || !isDir) return std::nullopt;
  auto names = find(*types, 0, isDir);
  if (!names || !isDir) return std::nullopt;
  auto langs = find(*names, 0, isDir);
  if (!langs || isDir) return std::nullopt;
  std::uint32_t dataRva = U32(*langs);
  std::uint32_t dataSize = U32(*langs + 4);
  if (dataSize < 40 + 52) Invalid("version resource too small");
  std::uint32_t block = RvaToOffset(dataRva, dataSize);
  // "VS_VERSION_INFO" key after three words, then padding to a 4-byte boundary.
  std::size_t fixed = block + 6 + 16 * 2;
  while ((fixed - block) % 4 != 0) ++fixed;
  if (U16(block + 2) < 52 || U32(fixed) != kFixedSignature) return std::nullopt;
  return (static_cast<std::uint64_t>(U32(fixed + 8)) << 32) | U32(fixed + 12);
}
