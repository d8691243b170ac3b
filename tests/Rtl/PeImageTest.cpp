#include "Rtl/PeImage.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Rtl/Exceptions.h"
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
    Put16(0x84 + 16, 240);                  // optional header size of PE32+
    Put16(0x98, 0x20B);                     // PE32+
    Put32(0x98 + 108, 16);                  // data directories
    if (withVersion) {
      Put32(0x98 + 112 + 16, 0x1000);       // resource directory address
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

}  // namespace
