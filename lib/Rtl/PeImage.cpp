#include "Rtl/PeImage.h"

#include <algorithm>

#include "Rtl/Exceptions.h"

namespace {
constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
// Bounds that no real image comes near; a damaged one must not make the reader
// collect names without end.
constexpr std::size_t kMaxImportedLibraries = 4096;
constexpr std::size_t kMaxImportsPerLibrary = 65536;
constexpr std::size_t kMaxNameLength = 1024;

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

std::uint64_t PeImage::U64(std::size_t o) const {
  return U32(o) | (static_cast<std::uint64_t>(U32(o + 4)) << 32);
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
  if (directoryCount > 1 && directories + 16 <= optional + optionalSize) {
    importRva_ = U32(directories + 8);
  }
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

std::string PeImage::NameAt(std::uint32_t rva) const {
  std::size_t offset = RvaToOffset(rva, 1);
  std::string name;
  for (std::size_t i = offset; i < bytes_.size() && name.size() < kMaxNameLength; ++i) {
    if (bytes_[i] == 0) return name;
    name += static_cast<char>(bytes_[i]);
  }
  Invalid("unterminated import name");
}

std::vector<PeImport> PeImage::Imports() const {
  std::vector<PeImport> imports;
  if (importRva_ == 0) return imports;
  const std::uint32_t thunkSize = is64_ ? 8 : 4;
  const std::uint64_t ordinalFlag = is64_ ? 0x8000000000000000ull : 0x80000000ull;
  for (std::size_t i = 0;; ++i) {
    if (i == kMaxImportedLibraries) Invalid("too many imported libraries");
    std::uint64_t at = importRva_ + static_cast<std::uint64_t>(i) * 20;
    if (at + 20 > 0xFFFFFFFFull) Invalid("import table outside the image");
    std::uint32_t d = RvaToOffset(static_cast<std::uint32_t>(at), 20);
    std::uint32_t lookup = U32(d);
    std::uint32_t nameRva = U32(d + 12);
    std::uint32_t addresses = U32(d + 16);
    if (nameRva == 0 && addresses == 0) break;  // the table's closing entry
    if (nameRva == 0) Invalid("imported library without a name");
    std::string dll = NameAt(nameRva);
    // Linkers that bind nothing may leave the lookup table out: the address table
    // holds the same entries in the file.
    std::uint32_t thunks = lookup != 0 ? lookup : addresses;
    for (std::size_t k = 0;; ++k) {
      if (k == kMaxImportsPerLibrary) Invalid("too many imports from " + dll);
      std::uint64_t t = thunks + static_cast<std::uint64_t>(k) * thunkSize;
      if (t + thunkSize > 0xFFFFFFFFull) Invalid("import lookup table outside the image");
      std::uint32_t o = RvaToOffset(static_cast<std::uint32_t>(t), thunkSize);
      std::uint64_t thunk = is64_ ? U64(o) : U32(o);
      if (thunk == 0) break;
      PeImport entry;
      entry.dll = dll;
      if (thunk & ordinalFlag) {
        entry.ordinal = static_cast<std::uint16_t>(thunk & 0xFFFF);
      } else {
        if (thunk > 0x7FFFFFFFull) Invalid("import name outside the image");
        // A two-byte hint precedes the name.
        entry.function = NameAt(static_cast<std::uint32_t>(thunk) + 2);
        if (entry.function.empty()) Invalid("empty import name from " + dll);
      }
      imports.push_back(std::move(entry));
    }
  }
  return imports;
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
