#include <gtest/gtest.h>

#include <cstring>

#include "ResourceImage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PeImage.h"
#include "VersionResource.h"

namespace {

// Builds a small PE32+ image: headers, then one section at file offset 0x400 and
// address 0x1000 holding a resource directory that leads to a version resource, and
// optionally a second section named "KIV.DRC".
class PeBuilder {
 public:
  explicit PeBuilder(bool withVersion = true, bool withDrc = false) {
    std::vector<std::uint8_t> rsrc;
    if (withVersion) rsrc = ResourceSection(Version());
    sectionCount_ = 1 + (withDrc ? 1 : 0);
    bytes_.assign(0x400, 0);
    bytes_[0] = 'M';
    bytes_[1] = 'Z';
    Put32(0x3C, 0x80);
    Put32(0x80, 0x00004550);
    Put16(0x84 + 2, sectionCount_);
    Put16(0x84 + 16, 240);  // optional header size of PE32+
    Put16(0x98, 0x20B);     // PE32+
    Put32(0x98 + 108, 16);  // data directories
    if (withVersion) {
      Put32(0x98 + 112 + 16, 0x1000);  // resource directory address
      Put32(0x98 + 112 + 20, static_cast<std::uint32_t>(rsrc.size()));
    }
    std::size_t table = 0x98 + 240;
    Section(table, ".rsrc", 0x1000, static_cast<std::uint32_t>(rsrc.size()), 0x400);
    bytes_.insert(bytes_.end(), rsrc.begin(), rsrc.end());
    if (withDrc) {
      std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size());
      Section(table + 40, "KIV.DRC", 0x3000, 8, offset);
      const char data[8] = {'1', 0, '=', 0, 'x', 0, 0, 0};
      bytes_.insert(bytes_.end(), data, data + 8);
    }
  }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  void Put16(std::size_t o, std::uint16_t v) { std::memcpy(&bytes_[o], &v, 2); }
  void Put32(std::size_t o, std::uint32_t v) { std::memcpy(&bytes_[o], &v, 4); }

  static constexpr std::size_t kLeafOffset = 0x400 + 3 * 24;  // the data entry

 private:
  static std::vector<std::uint8_t> Version() {
    VersionLayout layout;
    layout.fileVersion[0] = 2000;
    layout.fileVersion[1] = 80;
    layout.fileVersion[2] = 760;
    layout.fileVersion[3] = 1;
    layout.translations = {0x04B00409};
    layout.strings = {{u"CompanyName", u"Plinth", false}};
    return BuildVersionResource(layout);
  }

  // Three directory levels (type 16, name 1, language 0x409), one data entry, data.
  static std::vector<std::uint8_t> ResourceSection(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> s(3 * 24 + 16, 0);
    auto put32 = [&](std::size_t o, std::uint32_t v) { std::memcpy(&s[o], &v, 4); };
    auto dir = [&](std::size_t at, std::uint32_t id, std::uint32_t target) {
      s[at + 14] = 1;  // one id entry
      put32(at + 16, id);
      put32(at + 20, target);
    };
    dir(0, 16, 0x80000000u | 24);
    dir(24, 1, 0x80000000u | 48);
    dir(48, 0x409, 72);
    put32(72, 0x1000 + 88);  // data address
    put32(76, static_cast<std::uint32_t>(data.size()));
    s.insert(s.end(), data.begin(), data.end());
    return s;
  }

  void Section(std::size_t at, const char* name, std::uint32_t rva, std::uint32_t size,
               std::uint32_t offset) {
    std::memcpy(&bytes_[at], name, std::strlen(name));
    Put32(at + 8, size);
    Put32(at + 12, rva);
    Put32(at + 16, size);
    Put32(at + 20, offset);
  }

  std::vector<std::uint8_t> bytes_;
  std::uint16_t sectionCount_ = 1;
};

TEST(PeImage, ReadsTheFileVersionAndSections) {
  PeBuilder b(true, true);
  PeImage image(b.Bytes());
  EXPECT_TRUE(image.Is64Bit());
  ASSERT_TRUE(image.FileVersion().has_value());
  EXPECT_EQ(*image.FileVersion(), 0x07D0005002F80001ull);
  const PeSection* drc = image.FindSection("KIV.DRC");
  ASSERT_NE(drc, nullptr);
  std::vector<std::uint8_t> data = image.SectionData(*drc);
  EXPECT_EQ(data.size(), 8u);
  EXPECT_EQ(data[0], '1');
  EXPECT_EQ(image.FindSection(".text"), nullptr);
}

TEST(PeImage, PreferredBaseAndWhereEachSectionHeaderLies) {
  PeBuilder b(true, true);
  b.Put32(0x98 + 24, 0x40000000);  // PE32+: the image base is 64 bits at offset 24
  b.Put32(0x98 + 28, 0x1);
  PeImage image(b.Bytes());
  EXPECT_EQ(image.ImageBase(), 0x140000000ull);
  ASSERT_EQ(image.Sections().size(), 2u);
  EXPECT_EQ(image.Sections()[0].headerOffset, 0x98u + 240);
  EXPECT_EQ(image.Sections()[1].headerOffset, 0x98u + 240 + 40);
}

TEST(PeImage, NoVersionResourceIsNoVersion) {
  PeBuilder b(false);
  EXPECT_FALSE(PeImage(b.Bytes()).FileVersion().has_value());
}

TEST(PeImage, DamagedHeadersRaiseAClearError) {
  auto expectInvalid = [](std::vector<std::uint8_t> bytes, const std::string& why) {
    try {
      PeImage image(std::move(bytes));
      image.FileVersion();
      ADD_FAILURE() << "accepted: " << why;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message().rfind("Invalid PE image: ", 0), 0u) << e.Message();
    }
  };
  expectInvalid({}, "empty");
  expectInvalid(std::vector<std::uint8_t>(200, 0), "no MZ");
  {
    PeBuilder b;
    b.Put32(0x3C, 0x7FFFFFF0);
    expectInvalid(b.Bytes(), "header offset past the end");
  }
  {
    PeBuilder b;
    b.Put32(0x80, 0x12345678);
    expectInvalid(b.Bytes(), "no PE signature");
  }
  {
    PeBuilder b;
    b.Put16(0x84 + 2, 0xFFFF);
    expectInvalid(b.Bytes(), "section table past the end");
  }
  {
    PeBuilder b;
    b.Put32(0x98 + 112 + 16, 0x9000);
    expectInvalid(b.Bytes(), "resource address outside every section");
  }
  {
    PeBuilder b;
    b.Put32(PeBuilder::kLeafOffset + 4, 0x7FFFFFFF);
    expectInvalid(b.Bytes(), "version data larger than the image");
  }
  {
    PeBuilder b;
    b.Put32(0x400 + 20, 0x80000000u | 0x7FFFFFF0);
    expectInvalid(b.Bytes(), "directory entry outside the resources");
  }
  {
    PeBuilder b;
    std::vector<std::uint8_t> cut(b.Bytes().begin(), b.Bytes().begin() + 0x420);
    expectInvalid(cut, "truncated in the resources");
  }
}

TEST(PeImage, EveryTruncationFailsCleanly) {
  PeBuilder b(true, true);
  for (std::size_t n = 0; n < b.Bytes().size(); n += 7) {
    std::vector<std::uint8_t> cut(b.Bytes().begin(), b.Bytes().begin() + n);
    try {
      PeImage image(cut);
      image.FileVersion();
    } catch (const EReadError&) {
    }
  }
}

// A PE image with one section at address 0x2000 (file offset 0x400) holding an import
// table: descriptors, lookup tables and names, laid out in that order.
class ImportImageBuilder {
 public:
  struct Library {
    std::string name;
    std::vector<std::string> functions;  // "#12" imports ordinal 12
    bool noLookupTable = false;          // only the address table, as some linkers leave it
  };

  ImportImageBuilder(bool is64, const std::vector<Library>& libraries) : is64_(is64) {
    const std::uint32_t base = 0x2000;
    const std::uint32_t thunk = is64 ? 8 : 4;
    std::uint32_t descriptors = static_cast<std::uint32_t>(libraries.size() + 1) * 20;
    std::uint32_t tables = 0;
    for (const Library& l : libraries) tables += 2 * (l.functions.size() + 1) * thunk;
    std::vector<std::uint8_t> sec(descriptors + tables, 0);
    std::uint32_t next = descriptors;
    auto addName = [&](const std::string& n, bool hint) {
      std::uint32_t at = base + static_cast<std::uint32_t>(sec.size());
      if (hint) sec.insert(sec.end(), {0, 0});
      sec.insert(sec.end(), n.begin(), n.end());
      sec.push_back(0);
      return at;
    };
    auto put = [&](std::uint32_t o, std::uint64_t v, std::uint32_t size) {
      std::memcpy(&sec[o], &v, size);
    };
    for (std::size_t i = 0; i < libraries.size(); ++i) {
      const Library& l = libraries[i];
      std::uint32_t ilt = next;
      std::uint32_t iat = next + static_cast<std::uint32_t>(l.functions.size() + 1) * thunk;
      next = iat + static_cast<std::uint32_t>(l.functions.size() + 1) * thunk;
      std::uint32_t d = static_cast<std::uint32_t>(i) * 20;
      put(d, l.noLookupTable ? 0 : base + ilt, 4);
      put(d + 12, addName(l.name, false), 4);
      put(d + 16, base + iat, 4);
      for (std::size_t k = 0; k < l.functions.size(); ++k) {
        const std::string& f = l.functions[k];
        std::uint64_t value =
            f[0] == '#' ? (is64 ? 0x8000000000000000ull : 0x80000000ull) | std::stoul(f.substr(1))
                        : addName(f, true);
        put(ilt + static_cast<std::uint32_t>(k) * thunk, l.noLookupTable ? 0 : value, thunk);
        put(iat + static_cast<std::uint32_t>(k) * thunk, value, thunk);
      }
    }
    importSize_ = static_cast<std::uint32_t>(sec.size());
    bytes_.assign(0x400, 0);
    bytes_[0] = 'M';
    bytes_[1] = 'Z';
    Put32(0x3C, 0x80);
    Put32(0x80, 0x00004550);
    Put16(0x84 + 2, 1);
    std::uint16_t optionalSize = is64 ? 240 : 224;
    Put16(0x84 + 16, optionalSize);
    Put16(0x98, is64 ? 0x20B : 0x10B);
    std::size_t dirs = 0x98 + (is64 ? 112 : 96);
    Put32(dirs - 4, 16);
    Put32(dirs + 8, base);
    Put32(dirs + 12, importSize_);
    std::size_t table = 0x98 + optionalSize;
    std::memcpy(&bytes_[table], ".idata", 6);
    Put32(table + 8, importSize_);
    Put32(table + 12, base);
    Put32(table + 16, importSize_);
    Put32(table + 20, 0x400);
    bytes_.insert(bytes_.end(), sec.begin(), sec.end());
  }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  void Put16(std::size_t o, std::uint16_t v) { std::memcpy(&bytes_[o], &v, 2); }
  void Put32(std::size_t o, std::uint32_t v) { std::memcpy(&bytes_[o], &v, 4); }
  std::size_t DirectoryOffset() const { return 0x98 + (is64_ ? 112 : 96) + 8; }
  static constexpr std::size_t kSectionOffset = 0x400;

 private:
  bool is64_;
  std::uint32_t importSize_ = 0;
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::string> Describe(const std::vector<PeImport>& imports) {
  std::vector<std::string> out;
  for (const PeImport& i : imports) {
    out.push_back(i.dll + "!" + (i.ByOrdinal() ? "#" + std::to_string(i.ordinal) : i.function));
  }
  return out;
}

const std::vector<ImportImageBuilder::Library> kLibraries = {
    {"KERNEL32.dll", {"GetTickCount", "SetFilePointer"}},
    {"comctl32.dll", {"#17", "InitCommonControlsEx"}},
};

TEST(PeImage, ReadsTheImportsOfBothImageKinds) {
  const std::vector<std::string> expected = {"KERNEL32.dll!GetTickCount",
                                             "KERNEL32.dll!SetFilePointer", "comctl32.dll!#17",
                                             "comctl32.dll!InitCommonControlsEx"};
  for (bool is64 : {false, true}) {
    ImportImageBuilder b(is64, kLibraries);
    PeImage image(b.Bytes());
    EXPECT_EQ(image.Is64Bit(), is64);
    EXPECT_EQ(Describe(image.Imports()), expected) << (is64 ? "PE32+" : "PE32");
  }
}

TEST(PeImage, ImportsWithoutALookupTableComeFromTheAddressTable) {
  ImportImageBuilder b(false, {{"USER32.dll", {"MessageBoxW", "#5"}, true}});
  EXPECT_EQ(Describe(PeImage(b.Bytes()).Imports()),
            (std::vector<std::string>{"USER32.dll!MessageBoxW", "USER32.dll!#5"}));
}

TEST(PeImage, AnImageWithoutImportsHasNone) {
  PeBuilder b;
  EXPECT_TRUE(PeImage(b.Bytes()).Imports().empty());
  ImportImageBuilder none(true, {});
  EXPECT_TRUE(PeImage(none.Bytes()).Imports().empty());
}

TEST(PeImage, DamagedImportTablesRaiseAClearError) {
  auto expectInvalid = [](const std::vector<std::uint8_t>& bytes, const std::string& why) {
    try {
      PeImage(bytes).Imports();
      ADD_FAILURE() << "accepted: " << why;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message().rfind("Invalid PE image: ", 0), 0u) << e.Message();
    }
  };
  const std::size_t s = ImportImageBuilder::kSectionOffset;
  {
    ImportImageBuilder b(false, kLibraries);
    b.Put32(b.DirectoryOffset(), 0x9000);
    expectInvalid(b.Bytes(), "import table outside every section");
  }
  {
    ImportImageBuilder b(false, kLibraries);
    b.Put32(s + 12, 0x7FFFFFF0);
    expectInvalid(b.Bytes(), "library name outside the image");
  }
  {
    ImportImageBuilder b(false, kLibraries);
    b.Put32(s + 12, 0);
    expectInvalid(b.Bytes(), "library without a name");
  }
  {
    ImportImageBuilder b(true, kLibraries);
    b.Put32(s, 0x2000 + 0xFFFF0);
    expectInvalid(b.Bytes(), "lookup table outside the image");
  }
  {
    // No closing entry: the descriptors run off the end of the section.
    ImportImageBuilder b(false, kLibraries);
    std::vector<std::uint8_t>& bytes = b.Bytes();
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(s), bytes.end(), 0x41);
    expectInvalid(bytes, "no closing entry");
  }
  {
    // The last name runs to the end of the file without its NUL.
    ImportImageBuilder b(false, kLibraries);
    b.Bytes().pop_back();
    expectInvalid(b.Bytes(), "unterminated name");
  }
}

TEST(PeImage, EveryTruncationOfAnImportTableFailsCleanly) {
  ImportImageBuilder b(true, kLibraries);
  for (std::size_t n = 0; n < b.Bytes().size(); ++n) {
    std::vector<std::uint8_t> cut(b.Bytes().begin(), b.Bytes().begin() + n);
    try {
      PeImage(cut).Imports();
    } catch (const EReadError&) {
    }
  }
}

// Resources as a module holds them: named types and names, several languages.
std::vector<TestResource> ModuleResources() {
  return {
      {ResId(10), ResName(u"KIV_TRX_GUID"), 0,
       Utf16Bytes(u"{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}")},
      {ResId(6), ResId(1), 0x409, {1, 0, 'a', 0}},
      {ResId(6), ResId(1), 0, {0, 0}},
      {ResName(u"KIVTYPE"), ResId(7), 0, {'x'}},
      {ResId(10), ResName(u"KIV.DRC"), 0, Utf16Bytes(u"4096=Unit_SFirst\r\n")},
  };
}

std::string Describe(const PeResourceId& id) {
  if (!id.named) return std::to_string(id.id);
  return std::string(id.name.begin(), id.name.end());
}

std::vector<std::string> Describe(const std::vector<PeResource>& list,
                                  const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> out;
  for (const PeResource& r : list) {
    std::string data(bytes.begin() + static_cast<std::ptrdiff_t>(r.offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(r.offset + r.size));
    out.push_back(Describe(r.type) + "/" + Describe(r.name) + "/" + std::to_string(r.language) +
                  "=" + std::to_string(data.size()) + ":" + data.substr(0, 2));
  }
  return out;
}

const std::vector<std::string> kModuleListing = {
    "KIVTYPE/7/0=1:x", "6/1/0=2:" + std::string(2, '\0'), "6/1/1033=4:" + std::string("\1\0", 2),
    "10/KIV.DRC/0=36:4" + std::string(1, '\0'), "10/KIV_TRX_GUID/0=76:{" + std::string(1, '\0')};

TEST(PeImage, ListsEveryResourceWhereTheSystemFindsIt) {
  std::vector<std::uint8_t> file = BuildResourceImage(ModuleResources());
  EXPECT_EQ(Describe(PeImage(file.data(), file.size()).Resources(), file), kModuleListing);

  // The same image as the loader maps it: each address is its offset.
  std::vector<std::uint8_t> mapped(TestImageLayout::kSectionRva, 0);
  std::copy(file.begin(), file.begin() + TestImageLayout::kSectionOffset, mapped.begin());
  mapped.insert(mapped.end(), file.begin() + TestImageLayout::kSectionOffset, file.end());
  EXPECT_EQ(Describe(PeImage(mapped.data(), mapped.size(), PeLayout::Mapped).Resources(), mapped),
            kModuleListing);

  EXPECT_TRUE(PeImage(BuildResourceImage({})).Resources().empty());
  PeBuilder noResources(false);
  EXPECT_TRUE(PeImage(noResources.Bytes()).Resources().empty());
}

TEST(PeImage, ResourcesOutsideTheImageOrOutOfShapeAreRefused) {
  TestImageLayout at;
  const std::vector<std::uint8_t> good = BuildResourceImage(ModuleResources(), &at);
  const std::size_t root = TestImageLayout::kSectionOffset;
  auto refused = [&](const char* why, auto damage) {
    std::vector<std::uint8_t> bytes = good;
    damage(bytes);
    try {
      PeImage(bytes.data(), bytes.size()).Resources();
      ADD_FAILURE() << "accepted: " << why;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message().rfind("Invalid PE image: ", 0), 0u) << e.Message();
    }
  };
  refused("directory address outside every section",
          [&](auto& b) { Put32(b, TestImageLayout::kResourceDirectory, 0x9000); });
  refused("data larger than the file", [&](auto& b) { Put32(b, at.dataEntries[0] + 4, 0x10000); });
  refused("data address outside every section",
          [&](auto& b) { Put32(b, at.dataEntries[1], 0x7000); });
  refused("data entry outside the file",
          [&](auto& b) { Put32(b, root + 16 + 8 * 2 + 4, 0x80000000u | 0x7FFF0); });
  refused("name outside the file", [&](auto& b) { Put32(b, root + 16, 0x80000000u | 0x7FFF0); });
  refused("name longer than the file", [&](auto& b) { Put16(b, at.names[0], 0xFFFF); });
  refused("entry count beyond the file", [&](auto& b) { Put16(b, root + 14, 0xFFFF); });
  refused("an id entry flagged as named", [&](auto& b) { Put32(b, root + 16 + 8, 0x80000006u); });
  refused("a type without its subdirectory", [&](auto& b) { b[root + 16 + 8 + 7] &= 0x7F; });
  refused("a section whose file data lies past the end",
          [&](auto& b) { Put32(b, TestImageLayout::kSectionHeader + 20, 0x100000); });
}

TEST(PeImage, EveryTruncationListsOnlyWhatItHoldsOrIsRefused) {
  const std::vector<std::uint8_t> good = BuildResourceImage(ModuleResources());
  for (std::size_t n = 0; n < good.size(); n += 3) {
    try {
      for (const PeResource& r : PeImage(good.data(), n).Resources()) {
        EXPECT_LE(r.offset + r.size, n);
      }
    } catch (const EReadError&) {
    }
  }
}

// A damaged file may point many entries at one directory; the list it would give is
// refused long before it fills the memory.
TEST(PeImage, DirectoriesSharedWithoutEndAreRefused) {
  std::vector<std::uint8_t> bytes = BuildResourceImage({});
  const std::uint32_t n = 400;
  // After the section's start: a root and a name directory of n entries each, all
  // leading to one name directory and one language directory, and one resource.
  const std::uint32_t root =
      static_cast<std::uint32_t>(bytes.size() - TestImageLayout::kSectionOffset);
  const std::uint32_t names = 16 + 8 * n, languages = names + 16 + 8 * n, entry = languages + 24;
  std::vector<std::uint8_t> dirs(entry + 17, 0);
  for (std::uint32_t dir : {0u, names}) {
    Put16(dirs, dir + 14, static_cast<std::uint16_t>(n));
    for (std::uint32_t i = 0; i < n; ++i) {
      Put32(dirs, dir + 16 + 8 * i, i + 1);
      Put32(dirs, dir + 20 + 8 * i, 0x80000000u | (dir == 0 ? names : languages));
    }
  }
  Put16(dirs, languages + 14, 1);
  Put32(dirs, languages + 20, entry);
  Put32(dirs, entry, TestImageLayout::kSectionRva + root + entry + 16);
  Put32(dirs, entry + 4, 1);
  bytes.insert(bytes.end(), dirs.begin(), dirs.end());
  const std::uint32_t sectionSize =
      static_cast<std::uint32_t>(bytes.size() - TestImageLayout::kSectionOffset);
  Put32(bytes, TestImageLayout::kSectionHeader + 8, sectionSize);
  Put32(bytes, TestImageLayout::kSectionHeader + 16, sectionSize);
  Put32(bytes, TestImageLayout::kResourceDirectory, TestImageLayout::kSectionRva + root);
  try {
    PeImage(bytes.data(), bytes.size()).Resources();
    ADD_FAILURE() << "accepted";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid PE image: too many resources");
  }
}

}  // namespace
