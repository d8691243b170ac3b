#include "Rtl/PeImage.h"

#include <algorithm>
#include <map>

#include "Rtl/Exceptions.h"

namespace {
constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
// Bounds that no real image comes near; a damaged one must not make the reader
// collect names without end.
constexpr std::size_t kMaxImportedLibraries = 4096;
constexpr std::size_t kMaxImportsPerLibrary = 65536;
constexpr std::size_t kMaxNameLength = 1024;
constexpr std::size_t kMaxResources = 100000;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;

[[noreturn]] void Invalid(const std::string& why) { throw EReadError("Invalid PE image: " + why); }

// Little-endian reads that fail softly: after the first read outside the bytes every
// read yields 0 and `error` says so.
class HeaderReader {
 public:
  HeaderReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  const char* error = nullptr;

  bool Fits(std::size_t offset, std::size_t size, const char* what) {
    if (error) return false;
    if (offset <= size_ && size <= size_ - offset) return true;
    error = what;
    return false;
  }
  std::uint16_t U16(std::size_t o) {
    return Fits(o, 2, "truncated") ? static_cast<std::uint16_t>(data_[o] | (data_[o + 1] << 8)) : 0;
  }
  std::uint32_t U32(std::size_t o) {
    return U16(o) | (static_cast<std::uint32_t>(U16(o + 2)) << 16);
  }
  std::uint8_t Byte(std::size_t o) { return Fits(o, 1, "truncated") ? data_[o] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// The fields read below reach to the size of the headers at offset 60.
constexpr std::uint16_t kMinOptionalHeader = 64;

}  // namespace

void PeImage::Need(std::size_t offset, std::size_t size, const char* what) const {
  if (offset > size_ || size > size_ - offset) Invalid(what);
}

std::uint16_t PeImage::U16(std::size_t o) const {
  Need(o, 2, "truncated");
  return static_cast<std::uint16_t>(data_[o] | (data_[o + 1] << 8));
}

std::uint32_t PeImage::U32(std::size_t o) const {
  Need(o, 4, "truncated");
  return data_[o] | (data_[o + 1] << 8) | (data_[o + 2] << 16) |
         (static_cast<std::uint32_t>(data_[o + 3]) << 24);
}

std::uint64_t PeImage::U64(std::size_t o) const {
  return U32(o) | (static_cast<std::uint64_t>(U32(o + 4)) << 32);
}

const char* ReadPeHeaders(const std::uint8_t* data, std::size_t size, PeHeaders& h) {
  h = PeHeaders{};
  HeaderReader r(data, size);
  if (size < 64 || data[0] != 'M' || data[1] != 'Z') return "no MZ header";
  std::uint32_t pe = r.U32(0x3C);
  if (r.U32(pe) != 0x00004550) return r.error ? r.error : "no PE signature";
  std::size_t fileHeader = static_cast<std::size_t>(pe) + 4;
  std::uint16_t sectionCount = r.U16(fileHeader + 2);
  h.timeDateStamp = r.U32(fileHeader + 4);
  std::uint16_t optionalSize = r.U16(fileHeader + 16);
  std::size_t optional = fileHeader + 20;
  std::uint16_t magic = r.U16(optional);
  if (r.error) return r.error;
  if (magic != 0x10B && magic != 0x20B) return "unknown optional header";
  if (optionalSize < kMinOptionalHeader) return "optional header too small";
  h.is64 = magic == 0x20B;
  h.imageBase =
      h.is64 ? r.U32(optional + 24) | (static_cast<std::uint64_t>(r.U32(optional + 28)) << 32)
             : r.U32(optional + 28);
  h.sizeOfImage = r.U32(optional + 56);
  h.sizeOfHeaders = r.U32(optional + 60);
  std::size_t directories = optional + (h.is64 ? 112 : 96);
  std::uint32_t directoryCount = r.U32(directories - 4);
  if (directoryCount > kResourceDirectoryIndex) {
    h.systemResourceRva = r.U32(directories + 8 * kResourceDirectoryIndex);
    h.systemResourceSize = r.U32(directories + 8 * kResourceDirectoryIndex + 4);
  }
  if (directoryCount > 1 && directories + 16 <= optional + optionalSize) {
    h.importRva = r.U32(directories + 8);
  }
  if (directoryCount > 2 && directories + 24 <= optional + optionalSize) {
    h.resourceRva = r.U32(directories + 16);
    h.resourceSize = r.U32(directories + 20);
  }
  std::size_t table = optional + optionalSize;
  if (!r.Fits(table, static_cast<std::size_t>(sectionCount) * 40, "truncated section table")) {
    return r.error;
  }
  h.sections.reserve(sectionCount);
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    std::size_t s = table + static_cast<std::size_t>(i) * 40;
    PeSection sec;
    sec.headerOffset = static_cast<std::uint32_t>(s);
    for (int k = 0; k < 8 && r.Byte(s + k) != 0; ++k) sec.name += static_cast<char>(r.Byte(s + k));
    sec.virtualSize = r.U32(s + 8);
    sec.virtualAddress = r.U32(s + 12);
    sec.rawSize = r.U32(s + 16);
    sec.rawOffset = r.U32(s + 20);
    sec.characteristics = r.U32(s + 36);
    h.sections.push_back(std::move(sec));
  }
  return r.error;
}

PeImage::PeImage(std::vector<std::uint8_t> bytes)
    : owned_(std::move(bytes)), data_(owned_.data()), size_(owned_.size()) {
  if (const char* error = ReadPeHeaders(data_, size_, headers_)) Invalid(error);
}

PeImage::PeImage(const std::uint8_t* data, std::size_t size, PeLayout layout)
    : data_(data), size_(size), layout_(layout) {
  if (const char* error = ReadPeHeaders(data_, size_, headers_)) Invalid(error);
}

const PeSection* PeImage::FindSection(const std::string& name) const {
  for (const PeSection& s : headers_.sections) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

std::vector<std::uint8_t> PeImage::SectionData(const PeSection& section) const {
  Need(section.rawOffset, section.rawSize, "section outside the file");
  return std::vector<std::uint8_t>(data_ + section.rawOffset,
                                   data_ + section.rawOffset + section.rawSize);
}

std::uint32_t PeImage::RvaToOffset(std::uint32_t rva, std::uint32_t size) const {
  for (const PeSection& s : headers_.sections) {
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
  for (std::size_t i = offset; i < size_ && name.size() < kMaxNameLength; ++i) {
    if (data_[i] == 0) return name;
    name += static_cast<char>(data_[i]);
  }
  Invalid("unterminated import name");
}

std::vector<PeImport> PeImage::Imports() const {
  std::vector<PeImport> imports;
  if (headers_.importRva == 0) return imports;
  const std::uint32_t thunkSize = headers_.is64 ? 8 : 4;
  const std::uint64_t ordinalFlag = headers_.is64 ? 0x8000000000000000ull : 0x80000000ull;
  for (std::size_t i = 0;; ++i) {
    if (i == kMaxImportedLibraries) Invalid("too many imported libraries");
    std::uint64_t at = headers_.importRva + static_cast<std::uint64_t>(i) * 20;
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
      std::uint64_t thunk = headers_.is64 ? U64(o) : U32(o);
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
  if (headers_.resourceRva == 0 || headers_.resourceSize == 0) return std::nullopt;
  std::uint32_t root = RvaToOffset(headers_.resourceRva, 16);
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
      if (offset >= headers_.resourceSize) Invalid("resource entry outside the resource directory");
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

// The system takes a directory address that lies within the headers as it is, even in
// a file; others go through the section table.
std::size_t PeImage::ResourceRootOffset() const {
  if (layout_ == PeLayout::Mapped || headers_.systemResourceRva < headers_.sizeOfHeaders) {
    Need(headers_.systemResourceRva, 16, "resource directory outside the image");
    return headers_.systemResourceRva;
  }
  return ResourceDataOffset(headers_.systemResourceRva, 16);
}

// In a file, the system maps an address through the first section whose file data
// starts at or before it, with its own 32-bit arithmetic; the same section must be
// found here, or the bytes checked would not be the bytes it reads.
std::size_t PeImage::ResourceDataOffset(std::uint32_t rva, std::uint32_t size) const {
  if (layout_ == PeLayout::Mapped) {
    Need(rva, size, "resource data outside the image");
    return rva;
  }
  for (const PeSection& s : headers_.sections) {
    if (rva < s.virtualAddress || static_cast<std::uint32_t>(s.virtualAddress + s.rawSize) <= rva) {
      continue;
    }
    std::uint64_t offset = static_cast<std::uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
    if (offset > size_) Invalid("resource data outside the file");
    Need(static_cast<std::size_t>(offset), size, "resource data outside the file");
    return static_cast<std::size_t>(offset);
  }
  Invalid("resource data outside every section");
}

// A named entry's name lies at its offset from the directory's root. The system takes
// the first entries of a directory as named and the others as ids; an entry whose
// flag says otherwise would be read both ways.
PeResourceId PeImage::ResourceEntryId(std::size_t root, std::size_t entry, bool named) const {
  std::uint32_t field = U32(entry);
  if (((field & kHighBit) != 0) != named) Invalid("resource directory entries out of order");
  PeResourceId id;
  if (!named) {
    if (field > 0xFFFF) Invalid("resource id out of range");
    id.id = static_cast<std::uint16_t>(field);
    return id;
  }
  std::size_t at = root + (field & ~kHighBit);
  std::uint16_t length = U16(at);
  Need(at + 2, static_cast<std::size_t>(length) * 2, "resource name outside the image");
  id.named = true;
  id.name.resize(length);
  for (std::size_t i = 0; i < length; ++i) id.name[i] = static_cast<char16_t>(U16(at + 2 + 2 * i));
  return id;
}

std::vector<PeResource> PeImage::Resources() const {
  std::vector<PeResource> resources;
  if (headers_.systemResourceRva == 0) return resources;
  const std::size_t root = ResourceRootOffset();

  // A directory's entries, checked: (id, target) each.
  auto entries = [&](std::size_t dir) {
    std::uint32_t named = U16(dir + 12);
    std::uint32_t count = named + U16(dir + 14);
    Need(dir + 16, static_cast<std::size_t>(count) * 8, "resource directory outside the image");
    std::vector<std::pair<PeResourceId, std::uint32_t>> list;
    list.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::size_t entry = dir + 16 + static_cast<std::size_t>(i) * 8;
      list.emplace_back(ResourceEntryId(root, entry, i < named), U32(entry + 4));
    }
    return list;
  };
  auto subdirectory = [&](std::uint32_t target) {
    if ((target & kHighBit) == 0) Invalid("resource directory without its subdirectory");
    return root + (target & ~kHighBit);
  };
  auto count = [&](std::size_t n) {
    if (n > kMaxResources) Invalid("too many resources");
  };

  // Directories may be shared between entries, even on purpose in a damaged file: each
  // is read once, so that the work stays bounded by the size of the result.
  struct Leaf {
    std::uint16_t language;
    std::size_t offset;
    std::uint32_t size;
  };
  struct NamedLeaf {
    PeResourceId name;
    Leaf leaf;
  };
  std::map<std::size_t, std::vector<Leaf>> languageDirs;
  std::map<std::size_t, std::vector<NamedLeaf>> nameDirs;

  auto languages = [&](std::size_t dir) -> const std::vector<Leaf>& {
    auto found = languageDirs.find(dir);
    if (found != languageDirs.end()) return found->second;
    std::vector<Leaf> leaves;
    for (const auto& [language, target] : entries(dir)) {
      if (language.named || (target & kHighBit) != 0) Invalid("resource directory too deep");
      std::size_t entry = root + target;
      Need(entry, 16, "resource data entry outside the image");
      std::uint32_t size = U32(entry + 4);
      leaves.push_back({language.id, ResourceDataOffset(U32(entry), size), size});
    }
    return languageDirs.emplace(dir, std::move(leaves)).first->second;
  };
  auto names = [&](std::size_t dir) -> const std::vector<NamedLeaf>& {
    auto found = nameDirs.find(dir);
    if (found != nameDirs.end()) return found->second;
    std::vector<NamedLeaf> leaves;
    for (const auto& [name, target] : entries(dir)) {
      for (const Leaf& leaf : languages(subdirectory(target))) {
        leaves.push_back({name, leaf});
        count(leaves.size());
      }
    }
    return nameDirs.emplace(dir, std::move(leaves)).first->second;
  };

  for (const auto& [type, target] : entries(root)) {
    for (const NamedLeaf& leaf : names(subdirectory(target))) {
      resources.push_back({type, leaf.name, leaf.leaf.language, leaf.leaf.offset, leaf.leaf.size});
      count(resources.size());
    }
  }
  return resources;
}
