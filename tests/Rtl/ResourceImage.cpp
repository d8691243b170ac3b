#include "ResourceImage.h"

#include <algorithm>
#include <tuple>

PeResourceId ResId(std::uint16_t id) { return {false, id, {}}; }
PeResourceId ResName(std::u16string name) { return {true, 0, std::move(name)}; }

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  Put16(bytes, offset, static_cast<std::uint16_t>(value));
  Put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

namespace {

// Named identifiers first, by name; then ids in ascending order.
bool Before(const PeResourceId& a, const PeResourceId& b) {
  return std::make_tuple(!a.named, a.name, a.id) < std::make_tuple(!b.named, b.name, b.id);
}

struct NameGroup {
  PeResourceId name;
  std::vector<const TestResource*> languages;
};
struct TypeGroup {
  PeResourceId type;
  std::vector<NameGroup> names;
};

std::size_t Align(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

std::vector<std::uint8_t> BuildResourceImage(std::vector<TestResource> resources,
                                             TestImageLayout* layout) {
  std::stable_sort(resources.begin(), resources.end(), [](const auto& a, const auto& b) {
    if (Before(a.type, b.type) || Before(b.type, a.type)) return Before(a.type, b.type);
    if (Before(a.name, b.name) || Before(b.name, a.name)) return Before(a.name, b.name);
    return a.language < b.language;
  });
  std::vector<TypeGroup> types;
  for (const TestResource& r : resources) {
    if (types.empty() || !(types.back().type == r.type)) types.push_back({r.type, {}});
    auto& names = types.back().names;
    if (names.empty() || !(names.back().name == r.name)) names.push_back({r.name, {}});
    names.back().languages.push_back(&r);
  }

  // Directories, then data entries, then names, then data.
  std::size_t directories = 16 + 8 * types.size();
  for (const TypeGroup& t : types) {
    directories += 16 + 8 * t.names.size();
    for (const NameGroup& n : t.names) directories += 16 + 8 * n.languages.size();
  }
  std::size_t entries = directories;
  std::size_t strings = entries + 16 * resources.size();
  std::vector<std::uint8_t> sec(strings, 0);
  TestImageLayout info;
  auto addName = [&](const PeResourceId& id) -> std::uint32_t {
    if (!id.named) return id.id;
    std::uint32_t at = static_cast<std::uint32_t>(sec.size());
    info.names.push_back(TestImageLayout::kSectionOffset + at);
    sec.push_back(static_cast<std::uint8_t>(id.name.size()));
    sec.push_back(static_cast<std::uint8_t>(id.name.size() >> 8));
    std::vector<std::uint8_t> text = Utf16Bytes(id.name);
    sec.insert(sec.end(), text.begin(), text.end());
    return 0x80000000u | at;
  };
  auto writeDir = [&](std::size_t at, const std::vector<PeResourceId>& ids) {
    std::uint16_t named = static_cast<std::uint16_t>(
        std::count_if(ids.begin(), ids.end(), [](const PeResourceId& id) { return id.named; }));
    Put16(sec, at + 12, named);
    Put16(sec, at + 14, static_cast<std::uint16_t>(ids.size() - named));
    for (std::size_t i = 0; i < ids.size(); ++i) Put32(sec, at + 16 + 8 * i, addName(ids[i]));
  };

  std::size_t nextDir = 16 + 8 * types.size();
  std::size_t nextEntry = entries;
  std::vector<std::pair<std::size_t, const TestResource*>> dataEntries;
  std::vector<PeResourceId> typeIds;
  for (const TypeGroup& t : types) typeIds.push_back(t.type);
  writeDir(0, typeIds);
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    const TypeGroup& t = types[ti];
    std::size_t nameDir = nextDir;
    Put32(sec, 16 + 8 * ti + 4, 0x80000000u | static_cast<std::uint32_t>(nameDir));
    nextDir += 16 + 8 * t.names.size();
    std::vector<PeResourceId> nameIds;
    for (const NameGroup& n : t.names) nameIds.push_back(n.name);
    writeDir(nameDir, nameIds);
    for (std::size_t ni = 0; ni < t.names.size(); ++ni) {
      const NameGroup& n = t.names[ni];
      std::size_t languageDir = nextDir;
      Put32(sec, nameDir + 16 + 8 * ni + 4, 0x80000000u | static_cast<std::uint32_t>(languageDir));
      nextDir += 16 + 8 * n.languages.size();
      std::vector<PeResourceId> languageIds;
      for (const TestResource* r : n.languages) languageIds.push_back(ResId(r->language));
      writeDir(languageDir, languageIds);
      for (std::size_t li = 0; li < n.languages.size(); ++li) {
        Put32(sec, languageDir + 16 + 8 * li + 4, static_cast<std::uint32_t>(nextEntry));
        dataEntries.emplace_back(nextEntry, n.languages[li]);
        nextEntry += 16;
      }
    }
  }
  for (const auto& [entry, r] : dataEntries) {
    sec.resize(Align(sec.size(), 4), 0);
    Put32(sec, entry, TestImageLayout::kSectionRva + static_cast<std::uint32_t>(sec.size()));
    Put32(sec, entry + 4, static_cast<std::uint32_t>(r->data.size()));
    sec.insert(sec.end(), r->data.begin(), r->data.end());
    info.dataEntries.push_back(TestImageLayout::kSectionOffset + entry);
  }
  const std::uint32_t virtualSize = static_cast<std::uint32_t>(sec.size());
  sec.resize(Align(sec.size(), 0x200), 0);

  std::vector<std::uint8_t> image(TestImageLayout::kSectionOffset, 0);
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, 0x80);
  Put32(image, 0x80, 0x00004550);
  Put16(image, 0x84, 0x14C);        // i386
  Put16(image, 0x84 + 2, 1);        // one section
  Put16(image, 0x84 + 16, 224);     // optional header of PE32
  Put16(image, 0x84 + 18, 0x2102);  // a library
  const std::size_t optional = 0x98;
  Put16(image, optional, 0x10B);
  Put32(image, optional + 28, 0x10000000);  // image base
  Put32(image, optional + 32, 0x1000);      // section alignment
  Put32(image, optional + 36, 0x200);       // file alignment
  Put32(image, optional + 56,
        static_cast<std::uint32_t>(Align(TestImageLayout::kSectionRva + virtualSize, 0x1000)));
  Put32(image, optional + 60, TestImageLayout::kSectionOffset);  // size of headers
  Put32(image, optional + 92, 16);
  Put32(image, TestImageLayout::kResourceDirectory, TestImageLayout::kSectionRva);
  Put32(image, TestImageLayout::kResourceDirectory + 4, virtualSize);
  const std::size_t header = TestImageLayout::kSectionHeader;
  const char name[] = ".rsrc";
  std::copy(name, name + 5, image.begin() + static_cast<std::ptrdiff_t>(header));
  Put32(image, header + 8, virtualSize);
  Put32(image, header + 12, TestImageLayout::kSectionRva);
  Put32(image, header + 16, static_cast<std::uint32_t>(sec.size()));
  Put32(image, header + 20, TestImageLayout::kSectionOffset);
  Put32(image, header + 36, 0x40000040);  // initialised data, readable
  image.insert(image.end(), sec.begin(), sec.end());
  info.end = image.size();
  if (layout) *layout = info;
  return image;
}

const char* DamageName(ModuleDamage damage) {
  switch (damage) {
    case ModuleDamage::CutInHeaders:
      return "cut in its headers";
    case ModuleDamage::CutInResources:
      return "cut in its resources";
    case ModuleDamage::CutAt60Percent:
      return "cut at 60 %";
    case ModuleDamage::CutAt90Percent:
      return "cut at 90 %";
    case ModuleDamage::DirectoryOutside:
      return "resource directory outside the file";
    case ModuleDamage::SubdirectoryOutside:
      return "resource subdirectory outside the file";
    case ModuleDamage::StringTableCutShort:
      return "string table cut short";
  }
  return "?";
}

namespace {

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t o) {
  return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (static_cast<std::uint32_t>(b[o + 3]) << 24);
}

// Where the resource directory's address is written in the optional header.
std::size_t ResourceDirectoryField(const std::vector<std::uint8_t>& b) {
  std::size_t optional = Get32(b, 0x3C) + 24;
  bool is64 = (b[optional] | (b[optional + 1] << 8)) == 0x20B;
  return optional + (is64 ? 112 : 96) + 16;
}

}  // namespace

std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, ModuleDamage damage) {
  switch (damage) {
    case ModuleDamage::CutInHeaders:
      bytes.resize(300);
      return bytes;
    case ModuleDamage::CutAt60Percent:
      bytes.resize(bytes.size() * 6 / 10);
      return bytes;
    case ModuleDamage::CutAt90Percent:
      bytes.resize(bytes.size() * 9 / 10);
      return bytes;
    case ModuleDamage::DirectoryOutside:
      Put32(bytes, ResourceDirectoryField(bytes), 0x7FFFF000);
      return bytes;
    case ModuleDamage::CutInResources:
    case ModuleDamage::SubdirectoryOutside: {
      const std::uint32_t rva = Get32(bytes, ResourceDirectoryField(bytes));
      // A named image: the sections of a temporary one would be gone inside the loop.
      const PeImage image(bytes.data(), bytes.size());
      for (const PeSection& s : image.Sections()) {
        if (rva < s.virtualAddress || rva >= s.virtualAddress + s.rawSize) continue;
        const std::size_t root = s.rawOffset + (rva - s.virtualAddress);
        if (damage == ModuleDamage::CutInResources) {
          bytes.resize(root + (s.rawOffset + s.rawSize - root) * 6 / 10);
        } else {
          Put32(bytes, root + 16 + 4, 0x80000000u | 0x7FFFFFF0u);
        }
        break;
      }
      return bytes;
    }
    case ModuleDamage::StringTableCutShort:
      for (const PeResource& r : PeImage(bytes.data(), bytes.size()).Resources()) {
        if (!r.type.named && r.type.id == 6 && r.size >= 2) {
          Put16(bytes, r.offset, 0x7FFF);
          break;
        }
      }
      return bytes;
  }
  return bytes;
}
